// The wide pen: GDI's disc and segment body, gathered into a polyline's coverage.
#include "engine/wide_pen.h"

#include <algorithm>
#include <new>

namespace vellicord {

namespace {

// Wide segments are cut to the buffer widened by this much and the pen's reach: far enough
// out that no segment GDI could draw is moved, near enough to keep coordinates small. Pieces
// of at most kMaxPiece along either axis keep the body's products inside 64 bits.
constexpr int64_t kWideMargin = int64_t{1} << 15;
constexpr int64_t kMaxPiece = int64_t{1} << 15;
// The body's half widths are tabulated for segments shorter than this on both axes.
constexpr int32_t kHalvesSide = 64;

// The pen's disc keeps pixel centres (half-pixel units) within this squared distance of its
// centre: a little inside the pen's width, which is where GDI's elliptic regions put the edge.
int64_t DiscLimit(int64_t w) {
  return w * w - (w + 1) / 2;
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

// The same walk in 32 bits, for the body's edges, whose values stay small. The step is
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

// One edge of a wide segment's body: the rows it spans and its x, rounded up, walked row by row.
struct BodyEdge {
  int32_t Top, Bottom;
  EdgeWalk NegX;
};

// The body's edges from its corners (relative to the segment's start), each walked from the
// first row drawn, `top`. Level edges bound no row and are left out.
int BodyEdges(const int64_t (&cx)[4], const int64_t (&cy)[4], int64_t top, BodyEdge (&edges)[4]) {
  int count = 0;
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) & 3;
    if (cy[i] == cy[j]) continue;
    const bool down = cy[i] < cy[j];
    const int64_t xa = down ? cx[i] : cx[j], ya = down ? cy[i] : cy[j];
    const int64_t xb = down ? cx[j] : cx[i], yb = down ? cy[j] : cy[i];
    const int64_t h = yb - ya;
    const int64_t ex = xb - xa;
    const int64_t start = std::max(top, ya);
    // Each edge's x at a row, rounded up: -floor(-x).
    edges[count++] = {int32_t(ya), int32_t(yb), EdgeWalk(-(xa * h + (start - ya) * ex), -ex, h)};
  }
  return count;
}

// A wide polyline's coverage as its row loop fills it in: plain copies of the surface's fields,
// so that setting bits doesn't make the compiler reload them after every store.
struct Coverage {
  uint64_t* Bits;
  int32_t* Rows;  // first and last word set, per row
  int32_t Words;  // per row
  int32_t Width;

  void Add(int32_t y, int32_t lo, int32_t hi) const {
    lo = std::max(lo, 0);
    hi = std::min(hi, Width - 1);
    if (lo > hi) return;
    SetBits(Bits + size_t(y) * size_t(Words), uint32_t(lo), uint32_t(hi));
    const int32_t first = lo >> 6, last = hi >> 6;
    int32_t* words = Rows + 2 * size_t(y);
    words[0] = std::min(words[0], first);
    words[1] = std::max(words[1], last);
  }
};

Span DiscRow(int32_t width, int64_t rowOffset) {
  const int64_t w = width;
  const int64_t o = 1 - (w & 1);
  const int64_t m = 2 * rowOffset + o;
  const int64_t left = DiscLimit(w) - m * m;
  if (left < o) return {1, 0};
  const int64_t s = static_cast<int64_t>(ISqrt(static_cast<uint64_t>(left)));
  if (s < o) return {1, 0};
  return {static_cast<int32_t>(-((s + o) / 2)), static_cast<int32_t>((s - o) / 2)};
}

// GDI widens a slanted segment by a parallelogram, the segment body, whose sides are the pen's
// width projected on each axis, w |dy| / |d| and w |dx| / |d|, split unevenly: round(v / 2) on one
// side and round((v + 1) / 2) on the other. Rounding a square root, done exactly: with t =
// floor(sqrt(w^2 a^2 / |d|^2)), round(v / 2) = (t + 1) / 2 and round((v + 1) / 2) = t / 2 + 1.
WidePen::Halves ComputeHalves(int32_t width, int32_t adx, int32_t ady) {
  const uint64_t d2 = uint64_t(adx) * uint64_t(adx) + uint64_t(ady) * uint64_t(ady);
  if (d2 == 0) return {0, 0, 0, 0};
  const uint64_t w2 = uint64_t(width) * uint64_t(width);
  const int32_t tx = static_cast<int32_t>(ISqrt(w2 * uint64_t(ady) * uint64_t(ady) / d2));
  const int32_t ty = static_cast<int32_t>(ISqrt(w2 * uint64_t(adx) * uint64_t(adx) / d2));
  return {(tx + 1) / 2, tx / 2 + 1, (ty + 1) / 2, ty / 2 + 1};
}

}  // namespace

bool WidePen::Allocate(int32_t width, int32_t height) {
  Release();
  const int32_t capacity = 2 * std::max(width, height) + 2;
  const int32_t words = (width + 63) / 64;
  disc_.reset(new (std::nothrow) Span[size_t(capacity)]);
  halves_.reset(new (std::nothrow) Halves[kHalvesSide * kHalvesSide]);
  coverage_.reset(new (std::nothrow) uint64_t[size_t(words) * size_t(height)]);
  coverageRows_.reset(new (std::nothrow) int32_t[2 * size_t(height)]);
  if (!disc_ || !halves_ || !coverage_ || !coverageRows_) {
    Release();
    return false;
  }
  width_ = width;
  height_ = height;
  discCapacity_ = capacity;
  coverageWords_ = words;
  std::fill_n(coverage_.get(), size_t(words) * size_t(height), uint64_t{0});
  for (int32_t y = 0; y < height; ++y) {
    coverageRows_[2 * y] = INT32_MAX;
    coverageRows_[2 * y + 1] = -1;
  }
  return true;
}

void WidePen::Release() {
  disc_.reset();
  halves_.reset();
  coverage_.reset();
  coverageRows_.reset();
  width_ = height_ = discCapacity_ = coverageWords_ = 0;
  spanTop_ = INT32_MAX;
  spanBottom_ = -1;
  ready_ = false;
}

void WidePen::SetWidth(int32_t width) {
  if (width == penWidth_) return;
  penWidth_ = width;
  ready_ = false;
}

// The pen's disc. An odd pen is centred on the vertex's pixel, an even one on that pixel's
// top-left corner, as GDI places them.
void WidePen::Prepare() {
  ready_ = true;
  const int64_t w = penWidth_;
  const int64_t o = 1 - (w & 1);
  const int64_t jMax = (static_cast<int64_t>(ISqrt(uint64_t(DiscLimit(w) - o))) - o) / 2;
  discFirst_ = static_cast<int32_t>(-jMax - o);
  const int64_t rows = 2 * jMax + 1 + o;
  discRows_ = static_cast<int32_t>(rows);
  discTabled_ = rows <= discCapacity_;
  if (discTabled_) {
    for (int32_t i = 0; i < discRows_; ++i) disc_[i] = DiscRow(penWidth_, discFirst_ + i);
  }
  for (int32_t ady = 0; ady < kHalvesSide; ++ady) {
    for (int32_t adx = 0; adx < kHalvesSide; ++adx) {
      halves_[ady * kHalvesSide + adx] = ComputeHalves(penWidth_, adx, ady);
    }
  }
}

WidePen::Halves WidePen::HalvesFor(int32_t adx, int32_t ady) const {
  if (adx < kHalvesSide && ady < kHalvesSide) return halves_[ady * kHalvesSide + adx];
  return ComputeHalves(penWidth_, adx, ady);
}

void WidePen::Segment(int64_t x0, int64_t y0, int64_t x1, int64_t y1, bool startDisc) {
  const int64_t margin = kWideMargin + penWidth_ / 2 + 2;
  if (!CutToBox(x0, y0, x1, y1, -margin, -margin, width_ - 1 + margin, height_ - 1 + margin)) {
    return;
  }
  const int64_t dx = x1 - x0;
  const int64_t dy = y1 - y0;
  const int64_t longest = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
  if (longest == 0) {
    Piece(int32_t(x0), int32_t(y0), int32_t(x1), int32_t(y1), true);
    return;
  }
  const int64_t pieces = (longest + kMaxPiece - 1) / kMaxPiece;
  int64_t px = x0;
  int64_t py = y0;
  for (int64_t k = 1; k <= pieces; ++k) {
    const int64_t nx = x0 + FloorDiv(dx * k, pieces);
    const int64_t ny = y0 + FloorDiv(dy * k, pieces);
    Piece(int32_t(px), int32_t(py), int32_t(nx), int32_t(ny), startDisc && k == 1);
    px = nx;
    py = ny;
  }
}

// The body GDI widens a segment by, as its four corners relative to the segment's start; false
// for a segment of no length, which has none. The body is a polygon filled as GDI fills
// regions: the pixel whose top-left corner is (x, y) is in when that corner is inside, left
// and top edges included, right and bottom ones not.
bool WidePen::BodyOf(int64_t dx, int64_t dy, int64_t (&cx)[4], int64_t (&cy)[4]) const {
  if (dx == 0 && dy == 0) return false;
  if (dy == 0 || dx == 0) {
    // Straight along an axis the body is a plain w-wide rectangle, as with the discs'
    // placement: rows (or columns) from -(w / 2).
    const int64_t lo = -(penWidth_ / 2);
    const int64_t hi = lo + penWidth_;
    const int64_t a = std::min<int64_t>(0, dy == 0 ? dx : dy);
    const int64_t b = std::max<int64_t>(0, dy == 0 ? dx : dy);
    const int64_t u[4] = {a, b, b, a};
    const int64_t v[4] = {lo, lo, hi, hi};
    for (int i = 0; i < 4; ++i) {
      cx[i] = dy == 0 ? u[i] : v[i];
      cy[i] = dy == 0 ? v[i] : u[i];
    }
    return true;
  }
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
  return true;
}

// One segment of a wide polyline: GDI's body along it and the pen's disc at its end (and at
// its start when asked), handed row by row as spans to the polyline's span gathering.
void WidePen::Piece(int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool startDisc) {
  const int64_t dx = int64_t{x1} - x0;
  const int64_t dy = int64_t{y1} - y0;
  int64_t cx[4], cy[4];
  const bool body = BodyOf(dx, dy, cx, cy);

  // Rows, relative to y0, that the discs or the body reach.
  int64_t top = std::min<int64_t>(startDisc ? 0 : dy, dy) + discFirst_;
  int64_t bottom = std::max<int64_t>(startDisc ? 0 : dy, dy) + discFirst_ + discRows_ - 1;
  if (body) {
    for (int i = 0; i < 4; ++i) {
      top = std::min(top, cy[i]);
      bottom = std::max(bottom, cy[i] - 1);
    }
  }
  top = std::max<int64_t>(top, -int64_t{y0});
  bottom = std::min<int64_t>(bottom, int64_t{height_} - 1 - y0);
  if (top > bottom) return;

  BodyEdge edges[4];
  const int edgeCount = body ? BodyEdges(cx, cy, top, edges) : 0;
  const Coverage cover{coverage_.get(), coverageRows_.get(), coverageWords_, width_};
  spanTop_ = std::min(spanTop_, int32_t(y0 + top));
  spanBottom_ = std::max(spanBottom_, int32_t(y0 + bottom));
  const Span* disc = disc_.get();
  const int32_t discFirst = discFirst_;
  const uint32_t discRows = uint32_t(discRows_);
  const int32_t ddx = int32_t(dx), ddy = int32_t(dy);
  for (int32_t y = int32_t(top); y <= int32_t(bottom); ++y) {
    // GDI's body and discs need not touch where they meet: the gathering merges only spans
    // that overlap or touch.
    int32_t left = INT32_MAX;
    int32_t right = INT32_MIN;
    for (int i = 0; i < edgeCount; ++i) {
      BodyEdge& e = edges[i];
      if (y >= e.Top && y < e.Bottom) {
        left = std::min(left, -e.NegX.q);
        right = std::max(right, -e.NegX.q - 1);
        e.NegX.Next();
      }
    }
    if (left <= right) cover.Add(y0 + y, x0 + left, x0 + right);
    const uint32_t ia = uint32_t(y - discFirst);
    if (startDisc && ia < discRows) {
      const Span a = discTabled_ ? disc[ia] : DiscRow(penWidth_, y);
      if (a.Lo <= a.Hi) cover.Add(y0 + y, x0 + a.Lo, x0 + a.Hi);
    }
    const uint32_t ib = uint32_t(y - ddy - discFirst);
    if (ib < discRows) {
      const Span b = discTabled_ ? disc[ib] : DiscRow(penWidth_, y - ddy);
      if (b.Lo <= b.Hi) cover.Add(y0 + y, x0 + ddx + b.Lo, x0 + ddx + b.Hi);
    }
  }
}

}  // namespace vellicord
