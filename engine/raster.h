// The frame buffer frames are composed in: a platform-free 32-bit rasterizer and its presenter
// seam.
#pragma once

#include <cstdint>

#include "engine/changed_tiles.h"
#include "engine/kept_curves.h"
#include "engine/pixel_buffer.h"
#include "engine/surface.h"
#include "engine/wide_pen.h"

namespace vellicord {

class RasterSurface;

// Puts a finished frame somewhere: the window (host), a picture file (tools), nothing (tests).
class FramePresenter {
 public:
  virtual ~FramePresenter() = default;
  // The frame's top-left corner goes to (x, y) of the target. Only the frame's Changed()
  // rectangles differ from the frame presented before it.
  virtual void Present(const RasterSurface& frame, int32_t x, int32_t y) = 0;
  // What sending one more rectangle costs the target, in pixels sent: the changes are merged
  // into fewer, larger rectangles wherever the pixels between them cost less than that. 0, for
  // a target that takes rectangles for free: tiles merge only where they touch.
  virtual int64_t RequestPixels() const { return 0; }
};

// Draws with integer arithmetic only, so a frame is the same bits in every build, whatever the
// x87 control word. Pixels are 32-bit BGRX, rows top-down: the memory layout of a 32-bpp DIB.
// The X byte is the rasterizer's own: in trail frames it records which slot shows at the pixel
// (pixel_buffer.h), which stepped frames are composed from. One-pixel pens light exactly the
// pixels GDI's cosmetic lines light (line_walker.h); wider pens draw the polyline widened by the
// pen, with round ends and joins (wide_pen.h).
class RasterSurface final : public DrawSurface {
 public:
  static constexpr int32_t kMaxSide = 32768;
  static constexpr int64_t kMaxPixels = int64_t{1} << 28;
  // A pen this wide covers the largest buffer from any vertex inside it (twice its side), so
  // wider pens are drawn this wide.
  static constexpr int32_t kCoveringPenWidth = 2 * kMaxSide;

  RasterSurface();
  ~RasterSurface() override;
  RasterSurface(const RasterSurface&) = delete;
  RasterSurface& operator=(const RasterSurface&) = delete;

  void CreateBuffer(int32_t width, int32_t height) override;
  void SetBrushColor(ColorValue color) override;
  void SetPenWidth(int32_t width) override;
  void SetPenColor(ColorValue color) override { pen_ = PixelOf(color); }
  void Clear() override;
  void Polyline(const Point* points, int32_t count) override;
  void CopyToWindow(int32_t x, int32_t y) override;
  // A stepped frame is composed from its three changes alone, with a record of which slot
  // shows at each pixel; any other drawing since the last trail frame forces the full repaint.
  void DrawTrail(const TrailFrame& frame) override;

  // Not owned; null presents nothing.
  void SetPresenter(FramePresenter* presenter) { presenter_ = presenter; }
  // Not owned; asked for the pixels at the next CreateBuffer. Null: the surface's own memory.
  void SetPixelMemory(PixelMemory* memory) { memory_ = memory; }

  bool HasBuffer() const { return buffer_.Pixels() != nullptr; }
  int32_t Width() const { return buffer_.Width(); }
  int32_t Height() const { return buffer_.Height(); }
  // Bytes from one row to the next.
  int32_t Stride() const { return Width() * 4; }
  // Row 0 first; null without a buffer.
  const uint32_t* Pixels() const { return buffer_.Pixels(); }
  // The last trail frame was composed from its changes, not repainted.
  bool TrailStepped() const { return trailStepped_; }
  // Rectangles, top to bottom and not overlapping, outside which no pixel has changed since the
  // last copy to the window: the whole buffer after a clear, the changed tiles otherwise, merged
  // as the presenter's RequestPixels() asks (changed_tiles.h).
  const PixelRect* Changed() const { return changed_.Rects(); }
  int32_t ChangedCount() const { return changed_.RectCount(); }
  // Where every changed pixel since the last copy was noted (one-pixel trail curves only), the
  // offsets of those pixels, in the buffer; a pixel may come more than once.
  bool ChangedPixelsNoted() const { return changed_.Noted(); }
  const uint32_t* ChangedPixels() const { return changed_.Pixels(); }
  int64_t ChangedPixelCount() const { return changed_.PixelCount(); }

  // The BGRX pixel of a colour value; the palette marker byte is dropped.
  static constexpr uint32_t PixelOf(ColorValue c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
  }

 private:
  void DrawPolyline(const TrailLine& line, Ink ink, uint32_t color);
  void RepaintTrail(const TrailFrame& frame);
  void StepTrail(const TrailFrame& frame);
  void Release();

  PixelBuffer buffer_;
  PixelMemory* memory_ = nullptr;
  uint32_t brush_ = PixelOf(kWhite);
  uint32_t pen_ = 0;
  int32_t penWidth_ = 1;
  FramePresenter* presenter_ = nullptr;
  WidePen widePen_;
  KeptCurves kept_;
  ChangedTiles changed_;

  // The pixels' slot record is up to date.
  bool trailReady_ = false;
  bool trailStepped_ = false;
};

}  // namespace vellicord
