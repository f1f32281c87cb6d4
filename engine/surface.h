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
};

}  // namespace vellicord
