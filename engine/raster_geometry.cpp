// Cutting a segment to a box in exact integer arithmetic.
#include "engine/raster_geometry.h"

#include <algorithm>

namespace vellicord {

namespace {

// floor(a * b / c) for |a|, |b| < 2^34 and c > 0, without a 128-bit product: b is taken in
// two 17-bit halves.
int64_t MulDivFloor(int64_t a, int64_t b, int64_t c) {
  const bool negative = (a < 0) != (b < 0);
  const uint64_t ua = static_cast<uint64_t>(a < 0 ? -a : a);
  const uint64_t ub = static_cast<uint64_t>(b < 0 ? -b : b);
  const uint64_t uc = static_cast<uint64_t>(c);
  const uint64_t high = ua * (ub >> 17);
  const uint64_t low = ua * (ub & 0x1FFFF);
  const uint64_t t = (high % uc << 17) + low;
  const uint64_t q = (high / uc << 17) + t / uc;
  const bool exact = t % uc == 0;
  const int64_t sq = static_cast<int64_t>(q);
  if (!negative) return sq;
  return exact ? -sq : -sq - 1;
}

}  // namespace

bool CutToBox(int64_t& x0, int64_t& y0, int64_t& x1, int64_t& y1, int64_t left, int64_t top,
              int64_t right, int64_t bottom) {
  auto code = [&](int64_t x, int64_t y) {
    return (x < left ? 1 : 0) | (x > right ? 2 : 0) | (y < top ? 4 : 0) | (y > bottom ? 8 : 0);
  };
  // Rounding can push a moved point just past a neighbouring edge; a few rounds settle it and
  // the clamp below catches what is left.
  for (int round = 0; round < 8; ++round) {
    const int c0 = code(x0, y0);
    const int c1 = code(x1, y1);
    if ((c0 | c1) == 0) return true;
    if ((c0 & c1) != 0) return false;
    const bool first = c0 != 0;
    const int c = first ? c0 : c1;
    int64_t& x = first ? x0 : x1;
    int64_t& y = first ? y0 : y1;
    const int64_t ox = first ? x1 : x0;
    const int64_t oy = first ? y1 : y0;
    auto along = [](int64_t from, int64_t to, int64_t num, int64_t den) {
      // The point a fraction num / den of the way back from `from` towards `to`.
      if (den < 0) {
        num = -num;
        den = -den;
      }
      return from + MulDivFloor(to - from, num, den);
    };
    if (c & 1) {
      y = along(y, oy, left - x, ox - x);
      x = left;
    } else if (c & 2) {
      y = along(y, oy, right - x, ox - x);
      x = right;
    } else if (c & 4) {
      x = along(x, ox, top - y, oy - y);
      y = top;
    } else {
      x = along(x, ox, bottom - y, oy - y);
      y = bottom;
    }
  }
  x0 = std::clamp(x0, left, right);
  x1 = std::clamp(x1, left, right);
  y0 = std::clamp(y0, top, bottom);
  y1 = std::clamp(y1, top, bottom);
  return true;
}

}  // namespace vellicord
