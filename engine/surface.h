// The drawing surface a frame is composed on: an off-screen buffer and its copy to the window.
#pragma once

#include <cstdint>

namespace vellicord {

struct Point {
  int32_t X;
  int32_t Y;
};

// Colour value: red in bits 0-7, green 8-15, blue 16-23; the top byte is a palette marker
// (2 for the line colours) that drawing ignores.
using ColorValue = uint32_t;

inline constexpr ColorValue kBlack = 0x000000;
inline constexpr ColorValue kWhite = 0xFFFFFF;

// One curve of the trail as the surface sees it. The ring slot and the serial name the same
// curve from one frame to the next.
struct TrailLine {
  const Point* Points = nullptr;
  int32_t Count = 0;
  ColorValue Color = 0;
  int32_t Slot = 0;
  // The sampling that drew the curve, counted from 1: one serial is one curve, point for point.
  // 0 names none, and such a curve is drawn from its points every time.
  uint64_t Serial = 0;
};

// One frame of the trail. Lines run from the bottom of the stack to the top: the new curve
// first, the previous tick's curve last. When Stepped, the frame before it on the same surface
// was the trail's previous frame, and this one differs from it in three ways only: Leaving, the
// oldest curve (its slot now holds the new curve), is gone; Lines[0] comes in at the bottom;
// Lines[Count - 1] rises from the bottom to the top.
struct TrailFrame {
  const TrailLine* Lines = nullptr;
  int32_t Count = 0;
  bool Stepped = false;
  TrailLine Leaving;
  // Where the frame's top-left corner goes in the window.
  int32_t X = 0;
  int32_t Y = 0;
  // Copied to the window once composed. A frame composed and not copied leaves its changes to
  // go with the next one that is.
  bool Shown = true;
};

class DrawSurface {
 public:
  virtual ~DrawSurface() = default;

  // Creates the back buffer. A size of 0 in either direction, or one that can't be had,
  // leaves no buffer: drawing then does nothing and nothing is copied.
  virtual void CreateBuffer(int32_t width, int32_t height) = 0;
  virtual void SetBrushColor(ColorValue color) = 0;
  // 0 and 1 draw one-pixel lines; wider pens have round ends and joins.
  virtual void SetPenWidth(int32_t width) = 0;
  virtual void SetPenColor(ColorValue color) = 0;
  // Fills the whole buffer with the brush colour.
  virtual void Clear() = 0;
  // Straight segments through consecutive points; fewer than two points draw nothing.
  virtual void Polyline(const Point* points, int32_t count) = 0;
  // Copies the whole buffer, unscaled, with its top-left corner at (x, y) of the window.
  virtual void CopyToWindow(int32_t x, int32_t y) = 0;
  // Composes a trail frame and copies it to the window. This clear and repaint of every curve
  // is what a frame is; a surface that keeps what it needs may draw a stepped frame from its
  // changes alone, as long as every pixel comes out the same.
  virtual void DrawTrail(const TrailFrame& frame) {
    Clear();
    for (int32_t i = 0; i < frame.Count; ++i) {
      SetPenColor(frame.Lines[i].Color);
      Polyline(frame.Lines[i].Points, frame.Lines[i].Count);
    }
    if (frame.Shown) CopyToWindow(frame.X, frame.Y);
  }
};

}  // namespace vellicord
