// The frame rasterizer: clears, GDI-exact one-pixel polylines and span-filled wide polylines.
#include "engine/raster.h"

#include <algorithm>
#include <new>

namespace vellicord {

namespace {

// Beyond this a one-pixel segment is first cut down to a box that keeps every product in the
// line arithmetic inside 64 bits. GDI itself takes no coordinates this large.
constexpr int64_t kExactLimit = int64_t{1} << 29;
constexpr int64_t kCutBox = int64_t{1} << 28;
// Wide segments are cut to the buffer widened by this much and the pen's reach: far enough
// out that no segment GDI could draw is moved, near enough to keep coordinates small. Pieces
// of at most kMaxPiece along either axis keep the band's products inside 64 bits.
constexpr int64_t kWideMargin = int64_t{1} << 15;
constexpr int64_t kMaxPiece = int64_t{1} << 15;
// The band's half widths are tabulated for segments shorter than this on both axes.
constexpr int32_t kHalvesSide = 64;

// The pen's disc keeps pixel centres (half-pixel units) within this squared distance of its
// centre: a little inside the pen's width, which is where GDI's elliptic regions put the edge.
int64_t DiscLimit(int64_t w) {
  return w * w - (w + 1) / 2;
}

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  int64_t q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}

uint64_t ISqrt(uint64_t n) {
  uint64_t root = 0;
  uint64_t bit = uint64_t{1} << 62;
  while (bit > n) bit >>= 2;
  while (bit != 0) {
    if (n >= root + bit) {
      n -= root + bit;
      root = (root >> 1) + bit;
    } else {
      root >>= 1;
    }
    bit >>= 2;
  }
  return root;
}

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

// Cuts the segment to the box (Cohen-Sutherland). Moved end points land on the box's edge,
// rounded down; a false result means nothing of the segment is inside.
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

// floor(n_t / c) for n_t = n0 + t * step, followed row by row without dividing.
struct FloorWalk {
  int64_t q = 0, r = 0, c = 1, stepQ = 0, stepR = 0;
  FloorWalk() = default;
  FloorWalk(int64_t n0, int64_t step, int64_t divisor) : c(divisor) {
    q = FloorDiv(n0, c);
    r = n0 - q * c;
    stepQ = FloorDiv(step, c);
    stepR = step - stepQ * c;
  }
  void Next() {
    q += stepQ;
    r += stepR;
    if (r >= c) {
      r -= c;
      ++q;
    }
  }
};

// The same walk in 32 bits, for the band's edges, whose values stay small. The step is
// branch-free: where it wraps depends on the slope and would defeat prediction.
struct EdgeWalk {
  int32_t q = 0, r = 0, c = 1, stepQ = 0, stepR = 0;
  EdgeWalk() = default;
  EdgeWalk(int64_t n0, int64_t step, int64_t divisor) {
    const FloorWalk w(n0, step, divisor);
    q = int32_t(w.q), r = int32_t(w.r), c = int32_t(w.c);
    stepQ = int32_t(w.stepQ), stepR = int32_t(w.stepR);
  }
  void Next() {
    r += stepR;
    const int32_t wrap = r >= c ? 1 : 0;
    q += stepQ + wrap;
    r -= c & -wrap;
  }
};

void Fill(uint32_t* p, int64_t n, uint32_t value) {
  for (; n >= 4; n -= 4, p += 4) {
    p[0] = value;
    p[1] = value;
    p[2] = value;
    p[3] = value;
  }
  for (; n > 0; --n) *p++ = value;
}

}  // namespace

RasterSurface::RasterSurface() = default;
RasterSurface::~RasterSurface() = default;

void RasterSurface::CreateBuffer(int32_t width, int32_t height) {
  ownPixels_.reset();
  pixels_ = nullptr;
  lent_ = false;
  disc_.reset();
  halves_.reset();
  width_ = height_ = discCapacity_ = 0;
  penReady_ = false;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      int64_t{width} * height > kMaxPixels) {
    return;
  }
  const int32_t capacity = 2 * std::max(width, height) + 2;
  uint32_t* lent = memory_ ? memory_->Lend(width, height) : nullptr;
  std::unique_ptr<uint32_t[]> pixels(
      lent ? nullptr : new (std::nothrow) uint32_t[size_t(width) * size_t(height)]);
  std::unique_ptr<Span[]> disc(new (std::nothrow) Span[size_t(capacity)]);
  std::unique_ptr<Halves[]> halves(new (std::nothrow) Halves[kHalvesSide * kHalvesSide]);
  if ((!lent && !pixels) || !disc || !halves) return;
  ownPixels_ = std::move(pixels);
  pixels_ = lent ? lent : ownPixels_.get();
  lent_ = lent != nullptr;
  disc_ = std::move(disc);
  halves_ = std::move(halves);
  width_ = width;
  height_ = height;
  discCapacity_ = capacity;
  BeforeWrite();
  std::fill_n(pixels_, size_t(width) * size_t(height), brush_);
}

void RasterSurface::SetPenWidth(int32_t width) {
  const int32_t w = std::clamp(width, 0, kMaxPenWidth);
  if (w == penWidth_) return;
  penWidth_ = w;
  penReady_ = false;
}

void RasterSurface::Clear() {
  if (!pixels_) return;
  BeforeWrite();
  std::fill_n(pixels_, size_t(width_) * size_t(height_), brush_);
}

void RasterSurface::CopyToWindow(int32_t x, int32_t y) {
  if (pixels_ && presenter_) presenter_->Present(*this, x, y);
}

void RasterSurface::Polyline(const Point* points, int32_t count) {
  if (!pixels_ || !points || count < 2) return;
  BeforeWrite();
  if (penWidth_ <= 1) {
    // Each segment leaves out its last pixel, which the next one starts on: every vertex is
    // lit once and the polyline's own last point not at all.
    for (int32_t i = 0; i + 1 < count; ++i) {
      ThinSegment({points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y}, true);
    }
    return;
  }
  if (!penReady_) PreparePen();
  // Joins and ends are the pen's disc at every vertex, so a polyline of one repeated point
  // is a dot, as in GDI. Each segment draws the disc at its end; the first also its start.
  for (int32_t i = 0; i + 1 < count; ++i) {
    WideSegment({points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y}, i == 0);
  }
}

void RasterSurface::ThinSegment(Segment s, bool lastPixelOut) {
  const auto huge = [](int64_t v) { return v < -kExactLimit || v > kExactLimit; };
  if (huge(s.X0) || huge(s.Y0) || huge(s.X1) || huge(s.Y1)) {
    // A moved end lies far outside the buffer, so leaving out its pixel changes nothing.
    if (!CutToBox(s.X0, s.Y0, s.X1, s.Y1, -kCutBox, -kCutBox, kCutBox, kCutBox)) return;
  }
  ThinRun(s.X0, s.Y0, s.X1, s.Y1, lastPixelOut);
}

// GDI's cosmetic line: Bresenham along the major axis from the first point, error term
// 2 * minor - major, and a minor step when error + bias > 0, where the bias is 1 in GDI's
// octants 3, 5, 6 and 8 (numbered counter-clockwise from +x, y down) and 0 elsewhere: it
// settles the ties, so a line and its reverse light the same pixels. The k-th pixel's minor
// offset has the closed form floor((2 k minor + major - 1 + bias) / (2 major)), which
// clipping starts from.
void RasterSurface::ThinRun(int64_t x0, int64_t y0, int64_t x1, int64_t y1, bool lastPixelOut) {
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
  const int64_t aMax = (xMajor ? width_ : height_) - 1;
  const int64_t bMax = (xMajor ? height_ : width_) - 1;

  int64_t kLo = 0;
  int64_t kHi = lastPixelOut ? major - 1 : major;
  // Inside the buffer along the major axis.
  kLo = std::max(kLo, aInc > 0 ? -a0 : a0 - aMax);
  kHi = std::min(kHi, aInc > 0 ? aMax - a0 : a0);
  // And along the minor axis: offsets m in [mLo, mHi] from the first point.
  const int64_t mLo = bInc > 0 ? -b0 : b0 - bMax;
  const int64_t mHi = bInc > 0 ? bMax - b0 : b0;
  const int64_t base = major - 1 + bias;
  if (minor == 0) {
    if (mLo > 0 || mHi < 0) return;
  } else {
    if (mHi < 0) return;
    if (mLo > 0) kLo = std::max(kLo, -FloorDiv(base - 2 * major * mLo, 2 * minor));
    kHi = std::min(kHi, FloorDiv(2 * major * (mHi + 1) - base - 1, 2 * minor));
  }
  if (kLo > kHi) return;

  const int64_t twoMajor = 2 * major;
  int64_t num = 2 * kLo * minor + base;
  const int64_t m = num / twoMajor;
  int64_t rem = num - m * twoMajor;
  const int64_t a = a0 + aInc * kLo;
  const int64_t b = b0 + bInc * m;
  uint32_t* p = pixels_ + (xMajor ? b * width_ + a : a * width_ + b);
  const ptrdiff_t majorStep = static_cast<ptrdiff_t>(xMajor ? aInc : aInc * width_);
  const ptrdiff_t minorStep = static_cast<ptrdiff_t>(xMajor ? bInc * width_ : bInc);
  const int64_t twoMinor = 2 * minor;
  const uint32_t pen = pen_;
  for (int64_t k = kLo;; ++k) {
    *p = pen;
    if (k == kHi) break;
    p += majorStep;
    rem += twoMinor;
    if (rem >= twoMajor) {
      rem -= twoMajor;
      p += minorStep;
    }
  }
}

// The pen's disc. An odd pen is centred on the vertex's pixel, an even one on that pixel's
// top-left corner, as GDI places them.
void RasterSurface::PreparePen() {
  penReady_ = true;
  const int64_t w = penWidth_;
  const int64_t o = 1 - (w & 1);
  const int64_t jMax = (static_cast<int64_t>(ISqrt(uint64_t(DiscLimit(w) - o))) - o) / 2;
  discFirst_ = static_cast<int32_t>(-jMax - o);
  const int64_t rows = 2 * jMax + 1 + o;
  discRows_ = static_cast<int32_t>(rows);
  discTabled_ = rows <= discCapacity_;
  if (discTabled_) {
    for (int32_t i = 0; i < discRows_; ++i) disc_[i] = ComputeDiscRow(penWidth_, discFirst_ + i);
  }
  for (int32_t ady = 0; ady < kHalvesSide; ++ady) {
    for (int32_t adx = 0; adx < kHalvesSide; ++adx) {
      halves_[ady * kHalvesSide + adx] = ComputeHalves(penWidth_, adx, ady);
    }
  }
}

RasterSurface::Span RasterSurface::ComputeDiscRow(int32_t width, int64_t rowOffset) {
  const int64_t w = width;
  const int64_t o = 1 - (w & 1);
  const int64_t m = 2 * rowOffset + o;
  const int64_t left = DiscLimit(w) - m * m;
  if (left < o) return {1, 0};
  const int64_t s = static_cast<int64_t>(ISqrt(static_cast<uint64_t>(left)));
  if (s < o) return {1, 0};
  return {static_cast<int32_t>(-((s + o) / 2)), static_cast<int32_t>((s - o) / 2)};
}

// GDI widens a slanted segment by a parallelogram whose sides are the pen's width projected on
// each axis, w |dy| / |d| and w |dx| / |d|, split unevenly: round(v / 2) on one side and
// round((v + 1) / 2) on the other. Rounding a square root, done exactly: with
// t = floor(sqrt(w^2 a^2 / |d|^2)), round(v / 2) = (t + 1) / 2 and round((v + 1) / 2) = t / 2 + 1.
RasterSurface::Halves RasterSurface::ComputeHalves(int32_t width, int32_t adx, int32_t ady) {
  const uint64_t d2 = uint64_t(adx) * uint64_t(adx) + uint64_t(ady) * uint64_t(ady);
  if (d2 == 0) return {0, 0, 0, 0};
  const uint64_t w2 = uint64_t(width) * uint64_t(width);
  const int32_t tx = static_cast<int32_t>(ISqrt(w2 * uint64_t(ady) * uint64_t(ady) / d2));
  const int32_t ty = static_cast<int32_t>(ISqrt(w2 * uint64_t(adx) * uint64_t(adx) / d2));
  return {(tx + 1) / 2, tx / 2 + 1, (ty + 1) / 2, ty / 2 + 1};
}

RasterSurface::Halves RasterSurface::HalvesFor(int32_t adx, int32_t ady) const {
  if (adx < kHalvesSide && ady < kHalvesSide) return halves_[ady * kHalvesSide + adx];
  return ComputeHalves(penWidth_, adx, ady);
}

void RasterSurface::WideSegment(Segment s, bool startDisc) {
  const int64_t margin = kWideMargin + penWidth_ / 2 + 2;
  if (!CutToBox(s.X0, s.Y0, s.X1, s.Y1, -margin, -margin, width_ - 1 + margin,
                height_ - 1 + margin)) {
    return;
  }
  const int64_t dx = s.X1 - s.X0;
  const int64_t dy = s.Y1 - s.Y0;
  const int64_t longest = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
  if (longest == 0) {
    WidePiece(int32_t(s.X0), int32_t(s.Y0), int32_t(s.X1), int32_t(s.Y1), true);
    return;
  }
  const int64_t pieces = (longest + kMaxPiece - 1) / kMaxPiece;
  int64_t px = s.X0;
  int64_t py = s.Y0;
  for (int64_t k = 1; k <= pieces; ++k) {
    const int64_t nx = s.X0 + FloorDiv(dx * k, pieces);
    const int64_t ny = s.Y0 + FloorDiv(dy * k, pieces);
    WidePiece(int32_t(px), int32_t(py), int32_t(nx), int32_t(ny), startDisc && k == 1);
    px = nx;
    py = ny;
  }
}

// One segment of a wide polyline: GDI's band along it and the pen's disc at its end (and at
// its start when asked), filled row by row as spans. The band is a polygon filled as GDI
// fills regions: the pixel whose top-left corner is (x, y) is in when that corner is inside,
// left and top edges included, right and bottom ones not.
void RasterSurface::WidePiece(int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool startDisc) {
  const int32_t w = penWidth_;
  const int64_t dx = int64_t{x1} - x0;
  const int64_t dy = int64_t{y1} - y0;
  // The band's corners, relative to (x0, y0).
  int64_t cx[4], cy[4];
  bool band = true;
  if (dx == 0 && dy == 0) {
    band = false;
  } else if (dy == 0 || dx == 0) {
    // Straight along an axis the band is a plain w-wide rectangle, as with the discs'
    // placement: rows (or columns) from -(w / 2).
    const int64_t lo = -(w / 2);
    const int64_t hi = lo + w;
    const int64_t a = std::min<int64_t>(0, dy == 0 ? dx : dy);
    const int64_t b = std::max<int64_t>(0, dy == 0 ? dx : dy);
    const int64_t u[4] = {a, b, b, a};
    const int64_t v[4] = {lo, lo, hi, hi};
    for (int i = 0; i < 4; ++i) {
      cx[i] = dy == 0 ? u[i] : v[i];
      cy[i] = dy == 0 ? v[i] : u[i];
    }
  } else {
    const Halves h = HalvesFor(int32_t(dx < 0 ? -dx : dx), int32_t(dy < 0 ? -dy : dy));
    int64_t narrowX = h.NarrowX, wideX = h.WideX, narrowY = h.NarrowY, wideY = h.WideY;
    if (dx < 0) {
      narrowY = -narrowY;
      wideY = -wideY;
    }
    if (dy < 0) {
      std::swap(narrowX, wideX);
      std::swap(narrowY, wideY);
      narrowX = -narrowX;
      wideX = -wideX;
    }
    const int64_t px[4] = {-narrowX, wideX, dx + wideX, dx - narrowX};
    const int64_t py[4] = {narrowY, -wideY, dy - wideY, dy + narrowY};
    for (int i = 0; i < 4; ++i) cx[i] = px[i], cy[i] = py[i];
  }

  // Rows, relative to y0, that the discs or the band reach.
  int64_t top = std::min<int64_t>(startDisc ? 0 : dy, dy) + discFirst_;
  int64_t bottom = std::max<int64_t>(startDisc ? 0 : dy, dy) + discFirst_ + discRows_ - 1;
  if (band) {
    for (int i = 0; i < 4; ++i) {
      top = std::min(top, cy[i]);
      bottom = std::max(bottom, cy[i] - 1);
    }
  }
  top = std::max<int64_t>(top, -int64_t{y0});
  bottom = std::min<int64_t>(bottom, int64_t{height_} - 1 - y0);
  if (top > bottom) return;

  // Each edge's x at a row, rounded up: -floor(-x), walked from the first row it is drawn on.
  struct Edge {
    int32_t top, bottom;
    EdgeWalk negX;
  } edges[4];
  int edgeCount = 0;
  if (band) {
    for (int i = 0; i < 4; ++i) {
      const int j = (i + 1) & 3;
      if (cy[i] == cy[j]) continue;
      const bool down = cy[i] < cy[j];
      const int64_t xa = down ? cx[i] : cx[j], ya = down ? cy[i] : cy[j];
      const int64_t xb = down ? cx[j] : cx[i], yb = down ? cy[j] : cy[i];
      const int64_t h = yb - ya;
      const int64_t ex = xb - xa;
      const int64_t start = std::max(top, ya);
      edges[edgeCount++] = {int32_t(ya), int32_t(yb),
                            EdgeWalk(-(xa * h + (start - ya) * ex), -ex, h)};
    }
  }

  const Span* disc = disc_.get();
  const int32_t discFirst = discFirst_;
  const uint32_t discRows = uint32_t(discRows_);
  const int32_t rowLast = int32_t(bottom);
  const int32_t ddx = int32_t(dx), ddy = int32_t(dy);
  const int32_t xMin = -x0;
  const int32_t xMax = width_ - 1 - x0;
  uint32_t* row = pixels_ + (y0 + top) * int64_t{width_} + x0;
  const uint32_t pen = pen_;
  for (int32_t y = int32_t(top); y <= rowLast; ++y, row += width_) {
    // The band's span first, then each disc's, merged where they overlap or touch. GDI's band
    // and discs need not touch where they meet, so a span apart is filled on its own.
    int32_t mLo = 0, mHi = -1;
    const auto add = [&](int32_t l, int32_t h) {
      if (mLo > mHi) {
        mLo = l, mHi = h;
      } else if (l <= mHi + 1 && h >= mLo - 1) {
        mLo = std::min(mLo, l), mHi = std::max(mHi, h);
      } else {
        l = std::max(l, xMin), h = std::min(h, xMax);
        if (l <= h) Fill(row + l, h - l + 1, pen);
      }
    };
    int32_t left = INT32_MAX;
    int32_t right = INT32_MIN;
    for (int i = 0; i < edgeCount; ++i) {
      Edge& e = edges[i];
      if (y >= e.top && y < e.bottom) {
        left = std::min(left, -e.negX.q);
        right = std::max(right, -e.negX.q - 1);
        e.negX.Next();
      }
    }
    if (left <= right) mLo = left, mHi = right;
    const uint32_t ia = uint32_t(y - discFirst);
    if (startDisc && ia < discRows) {
      const Span a = discTabled_ ? disc[ia] : ComputeDiscRow(penWidth_, y);
      if (a.Lo <= a.Hi) add(a.Lo, a.Hi);
    }
    const uint32_t ib = uint32_t(y - ddy - discFirst);
    if (ib < discRows) {
      const Span b = discTabled_ ? disc[ib] : ComputeDiscRow(penWidth_, y - ddy);
      if (b.Lo <= b.Hi) add(ddx + b.Lo, ddx + b.Hi);
    }
    mLo = std::max(mLo, xMin), mHi = std::min(mHi, xMax);
    if (mLo <= mHi) Fill(row + mLo, mHi - mLo + 1, pen);
  }
}

}  // namespace vellicord
