// The frame buffer frames are composed in: a platform-free 32-bit rasterizer and its presenter
// seam.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/surface.h"

namespace vellicord {

class RasterSurface;

// A rectangle of buffer pixels: left and top included, right and bottom not.
struct PixelRect {
  int32_t Left, Top, Right, Bottom;
};

// Memory a host lends for a frame's pixels: memory the display reads directly (X11 shared
// memory), so that presenting a frame copies nothing.
class PixelMemory {
 public:
  virtual ~PixelMemory() = default;
  // Room for width * height pixels in rows of width words, kept until the next Lend; null
  // leaves the surface to allocate its own.
  virtual uint32_t* Lend(int32_t width, int32_t height) = 0;
  // The surface is about to write: the display must be done reading the last frame.
  virtual void BeforeWrite() = 0;
};

// Puts a finished frame somewhere: the window (host), a picture file (tools), nothing (tests).
class FramePresenter {
 public:
  virtual ~FramePresenter() = default;
  // The frame's top-left corner goes to (x, y) of the target. Only the frame's Changed()
  // rectangles differ from the frame presented before it.
  virtual void Present(const RasterSurface& frame, int32_t x, int32_t y) = 0;
};

// Draws with integer arithmetic only, so a frame is the same bits in every build, whatever the
// x87 control word. Pixels are 32-bit BGRX, rows top-down: the memory layout of a 32-bpp DIB.
// The X byte is the rasterizer's own: in trail frames it records which slot shows at the pixel
// (slot + 1, 0 for the background), which stepped frames are composed from. Whatever shows a
// frame ignores it, as a 32-bpp DIB's and a depth-24 visual's consumers do.
// One-pixel pens light exactly the pixels GDI's cosmetic lines light; wider pens draw the
// polyline widened by the pen, with round ends and joins.
class RasterSurface final : public DrawSurface {
 public:
  static constexpr int32_t kMaxSide = 32768;
  static constexpr int64_t kMaxPixels = int64_t{1} << 28;
  // Wider pens are drawn this wide; it is twice the largest buffer's side.
  static constexpr int32_t kMaxPenWidth = 2 * kMaxSide;

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

  bool HasBuffer() const { return pixels_ != nullptr; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // Bytes from one row to the next.
  int32_t Stride() const { return width_ * 4; }
  // Row 0 first; null without a buffer.
  const uint32_t* Pixels() const { return pixels_; }
  // Bands of rows, top to bottom, outside which no pixel has changed since the last copy to the
  // window: the whole buffer after a clear, a band per kBandRows rows that changed otherwise.
  static constexpr int32_t kBandRows = 16;
  // The last trail frame was composed from its changes, not repainted.
  bool TrailStepped() const { return trailStepped_; }
  const PixelRect* Changed() const { return changed_.get(); }
  int32_t ChangedCount() const { return changedCount_; }

  // The BGRX pixel of a colour value; the palette marker byte is dropped.
  static constexpr uint32_t PixelOf(ColorValue c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
  }

 private:
  struct Span {
    int32_t Lo;
    int32_t Hi;
  };
  struct Segment {
    int64_t X0, Y0, X1, Y1;
  };
  // What a polyline does to the pixels it covers: paint them; paint them and take them for its
  // slot; take only those no slot shows; give back those its slot shows to the background.
  enum class Ink { kPaint, kOwn, kUnder, kVacate };

  void DrawPolyline(const Point* points, int32_t count, Ink ink, uint32_t color, int32_t slot);
  void DrawFromPoints(const Point* points, int32_t count);
  void RepaintTrail(const TrailFrame& frame);
  void StepTrail(const TrailFrame& frame);
  void ThinSegment(Segment s, bool lastPixelOut);
  void ThinRun(int64_t x0, int64_t y0, int64_t x1, int64_t y1, bool lastPixelOut);
  void Walk(int64_t a, int64_t b, int64_t steps, bool xMajor, int64_t aInc, int64_t bInc,
            int64_t rem, int64_t twoMinor, int64_t twoMajor);
  void WideSegment(Segment s, bool startDisc);
  void WidePiece(int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool startDisc);
  bool BandOf(int64_t dx, int64_t dy, int64_t (&cx)[4], int64_t (&cy)[4]) const;
  void FlushSpans();
  void InkRun(int32_t y, int32_t lo, int32_t hi);
  void InkSpan(size_t at, int32_t n);
  void Keep(uint32_t word) {
    KeptCurve& k = kept_[keeping_];
    if (k.Words < wordsPerSlot_) {
      keptWords_[size_t(keeping_) * size_t(wordsPerSlot_) + size_t(k.Words)] = word;
    }
    if (k.Words <= wordsPerSlot_) ++k.Words;  // past the slot's room: not kept
  }
  void ForgetKept();
  void Replay(int32_t slot);
  // A band's changed columns (lo > hi: none yet) widened to take in lo..hi.
  static void Widen(Span& c, int32_t lo, int32_t hi);
  void MarkChanged(int32_t top, int32_t bottom, int32_t lo, int32_t hi);
  void MarkAllChanged();
  void PreparePen();
  static Span ComputeDiscRow(int32_t width, int64_t rowOffset);
  struct Halves {
    int32_t NarrowX, WideX, NarrowY, WideY;
  };
  static Halves ComputeHalves(int32_t width, int32_t adx, int32_t ady);
  Halves HalvesFor(int32_t adx, int32_t ady) const;

  void BeforeWrite() {
    if (lent_) memory_->BeforeWrite();
  }

  std::unique_ptr<uint32_t[]> ownPixels_;
  uint32_t* pixels_ = nullptr;  // ownPixels_, or memory lent by memory_
  bool lent_ = false;
  PixelMemory* memory_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint32_t brush_ = PixelOf(kWhite);
  uint32_t pen_ = 0;
  int32_t penWidth_ = 1;
  FramePresenter* presenter_ = nullptr;

  // The pixels' slot record is up to date.
  bool trailReady_ = false;
  bool trailStepped_ = false;
  // The ink of the polyline being drawn: the word it writes, and for a selecting ink the slot
  // record a pixel must hold to be written.
  Ink ink_ = Ink::kPaint;
  uint32_t inkColor_ = 0;
  uint32_t inkMatch_ = 0;

  // A wide polyline's coverage, one bit a pixel, gathered from all its spans before any pixel
  // is written, so each pixel is inked once; per row the range of words set.
  std::unique_ptr<uint64_t[]> coverage_;
  int32_t coverageWords_ = 0;                // per row
  std::unique_ptr<int32_t[]> coverageRows_;  // first and last word, per row
  int32_t spanTop_ = 0;
  int32_t spanBottom_ = -1;

  // Changed columns per band of rows since the last copy (lo > hi: none), and their rectangles.
  std::unique_ptr<Span[]> bandChanges_;
  std::unique_ptr<PixelRect[]> changed_;
  int32_t changedCount_ = 0;

  // The pen's disc, row by row, and the band's half widths for short segments; rebuilt when
  // the width changes. Sized in CreateBuffer so that drawing never allocates.
  std::unique_ptr<Span[]> disc_;
  int32_t discCapacity_ = 0;
  int32_t discFirst_ = 0;  // row offset of disc_[0]
  int32_t discRows_ = 0;
  bool discTabled_ = false;  // false when the disc is taller than the table
  std::unique_ptr<Halves[]> halves_;
  bool penReady_ = false;

  // Each ring slot's curve as the pixels it covers: a one-pixel curve's offsets in the buffer,
  // a wide one's runs (offset and length), and the columns it changes in each band. A curve
  // is drawn from its points once, when it comes in, and replayed when it rises and when it
  // leaves. Known by a key of its points; a curve with more than a slot holds is drawn from its
  // points each time instead.
  struct KeptCurve {
    uint64_t Key = 0;
    int32_t Words = -1;  // -1: nothing kept
  };
  static constexpr int32_t kKeptSlots = 32;
  std::unique_ptr<uint32_t[]> keptWords_;
  std::unique_ptr<Span[]> keptBands_;
  int32_t wordsPerSlot_ = 0;
  KeptCurve kept_[kKeptSlots];
  int32_t keeping_ = -1;  // the slot the polyline being drawn is kept in
};

}  // namespace vellicord
