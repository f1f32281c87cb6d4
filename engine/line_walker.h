// The one-pixel line walker: which pixels GDI's cosmetic pen lights along a segment, handed to
// a sink.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/raster_geometry.h"

namespace vellicord {

// Steps+1 pixels of a one-pixel line inside the buffer, as offsets into it.
struct PixelWalk {
  ptrdiff_t At;
  int64_t Steps;
  ptrdiff_t MajorStep, MinorStep;
  int64_t Rem;  // the first pixel's error term
  int64_t TwoMinor, TwoMajor;

  // Hands each pixel's offset to plot. The minor step is branch-free: where it falls depends
  // on the slope and defeats prediction.
  template <class Plot>
  void Each(Plot plot) const {
    ptrdiff_t at = At;
    int64_t rem = Rem;
    for (int64_t k = 0;; ++k) {
      plot(at);
      if (k == Steps) break;
      rem += TwoMinor;
      const int64_t wrap = rem >= TwoMajor ? -1 : 0;
      rem -= TwoMajor & wrap;
      at += MajorStep + (MinorStep & wrap);
    }
  }
};

// Beyond this a one-pixel segment is first cut down to a box that keeps every product in the
// line arithmetic inside 64 bits. GDI itself takes no coordinates this large.
inline constexpr int64_t kExactLimit = int64_t{1} << 29;
inline constexpr int64_t kCutBox = int64_t{1} << 28;

// GDI's cosmetic line from (x0, y0) to (x1, y1) in a width x height buffer, its last pixel left
// out when asked. The sink is told first the rows and columns the walk stays within,
// sink.Changed(top, bottom, left, right), then sink.Walk(walk); a segment with no pixel inside
// reaches neither.
//
// Bresenham along the major axis from the first point, error term 2 * minor - major, and a
// minor step when error + bias > 0, where the bias is 1 in GDI's octants 3, 5, 6 and 8
// (numbered counter-clockwise from +x, y down) and 0 elsewhere: it settles the ties, so a line
// and its reverse light the same pixels. The k-th pixel's minor offset has the closed form
// floor((2 k minor + major - 1 + bias) / (2 major)), which clipping starts from.
template <class Sink>
void WalkLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, bool lastPixelOut, int32_t width,
              int32_t height, Sink& sink) {
  const auto huge = [](int64_t v) { return v < -kExactLimit || v > kExactLimit; };
  if (huge(x0) || huge(y0) || huge(x1) || huge(y1)) {
    // A moved end lies far outside the buffer, so leaving out its pixel changes nothing.
    if (!CutToBox(x0, y0, x1, y1, -kCutBox, -kCutBox, kCutBox, kCutBox)) return;
  }
  const int64_t dx = x1 - x0;
  const int64_t dy = y1 - y0;
  if (dx == 0 && dy == 0) return;
  int octant;
  if (dy > 0) {
    octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
  } else {
    octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
  }
  const bool xMajor = octant == 1 || octant == 4 || octant == 5 || octant == 8;
  const int64_t bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
  const int64_t xInc = dx > 0 ? 1 : -1;
  const int64_t yInc = dy > 0 ? 1 : -1;

  const int64_t a0 = xMajor ? x0 : y0;
  const int64_t b0 = xMajor ? y0 : x0;
  const int64_t aInc = xMajor ? xInc : yInc;
  const int64_t bInc = xMajor ? yInc : xInc;
  const int64_t major = xMajor ? (dx < 0 ? -dx : dx) : (dy < 0 ? -dy : dy);
  const int64_t minor = xMajor ? (dy < 0 ? -dy : dy) : (dx < 0 ? -dx : dx);
  const int64_t aMax = (xMajor ? width : height) - 1;
  const int64_t bMax = (xMajor ? height : width) - 1;
  // From (a, b), major and minor coordinates inside the buffer, `steps` further pixels.
  const auto walk = [&](int64_t a, int64_t b, int64_t steps, int64_t rem) {
    sink.Walk(PixelWalk{static_cast<ptrdiff_t>(xMajor ? b * width + a : a * width + b), steps,
                        static_cast<ptrdiff_t>(xMajor ? aInc : aInc * width),
                        static_cast<ptrdiff_t>(xMajor ? bInc * width : bInc), rem, 2 * minor,
                        2 * major});
  };

  int64_t kLo = 0;
  int64_t kHi = lastPixelOut ? major - 1 : major;
  const int64_t base = major - 1 + bias;
  const int64_t twoMajor = 2 * major;
  const bool inside = x0 >= 0 && x1 >= 0 && y0 >= 0 && y1 >= 0 && x0 < width && x1 < width &&
                      y0 < height && y1 < height;
  if (inside) {
    // The common case, a segment within the buffer: no clipping, so no division either (the
    // first pixel's error term is base itself, below twoMajor).
    sink.Changed(int32_t(std::min(y0, y1)), int32_t(std::max(y0, y1)), int32_t(std::min(x0, x1)),
                 int32_t(std::max(x0, x1)));
    walk(a0, b0, kHi, base);
    return;
  }
  // Inside the buffer along the major axis.
  kLo = std::max(kLo, aInc > 0 ? -a0 : a0 - aMax);
  kHi = std::min(kHi, aInc > 0 ? aMax - a0 : a0);
  // And along the minor axis: offsets m in [mLo, mHi] from the first point.
  const int64_t mLo = bInc > 0 ? -b0 : b0 - bMax;
  const int64_t mHi = bInc > 0 ? bMax - b0 : b0;
  if (minor == 0) {
    if (mLo > 0 || mHi < 0) return;
  } else {
    if (mHi < 0) return;
    if (mLo > 0) kLo = std::max(kLo, -FloorDiv(base - 2 * major * mLo, 2 * minor));
    kHi = std::min(kHi, FloorDiv(2 * major * (mHi + 1) - base - 1, 2 * minor));
  }
  if (kLo > kHi) return;

  const int64_t num = 2 * kLo * minor + base;
  const int64_t m = num / twoMajor;
  const int64_t a = a0 + aInc * kLo;
  const int64_t b = b0 + bInc * m;
  const int64_t aEnd = a0 + aInc * kHi;
  const int64_t bEnd = b0 + bInc * ((2 * kHi * minor + base) / twoMajor);
  const int64_t xa = xMajor ? a : b, xb = xMajor ? aEnd : bEnd;
  const int64_t ya = xMajor ? b : a, yb = xMajor ? bEnd : aEnd;
  sink.Changed(int32_t(std::min(ya, yb)), int32_t(std::max(ya, yb)), int32_t(std::min(xa, xb)),
               int32_t(std::max(xa, xb)));
  walk(a, b, kHi - kLo, num - m * twoMajor);
}

}  // namespace vellicord
