// Integer geometry the rasterizer's parts share: floor division, column spans, cutting a
// segment to a box.
#pragma once

#include <cstdint>

namespace vellicord {

// Columns Lo to Hi of one row, both included; Lo > Hi is no column at all.
struct Span {
  int32_t Lo;
  int32_t Hi;
};

inline int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  int64_t q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}

// Cuts the segment to the box (Cohen-Sutherland). Moved end points land on the box's edge,
// rounded down; a false result means nothing of the segment is inside.
bool CutToBox(int64_t& x0, int64_t& y0, int64_t& x1, int64_t& y1, int64_t left, int64_t top,
              int64_t right, int64_t bottom);

}  // namespace vellicord
