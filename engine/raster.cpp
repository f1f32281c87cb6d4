// The frame rasterizer: clears, GDI-exact one-pixel polylines and span-filled wide polylines.
#include "engine/raster.h"

#include <algorithm>
#include <climits>
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

// One edge of a wide segment's band: the rows it spans and its x, rounded up, walked row by row.
struct BandEdge {
  int32_t Top, Bottom;
  EdgeWalk NegX;
};

// The band's edges from its corners (relative to the segment's start), each walked from the
// first row drawn, `top`. Level edges bound no row and are left out.
int BandEdges(const int64_t (&cx)[4], const int64_t (&cy)[4], int64_t top, BandEdge (&edges)[4]) {
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
    uint64_t* row = Bits + size_t(y) * size_t(Words);
    const int32_t first = lo >> 6, last = hi >> 6;
    const uint64_t head = ~uint64_t{0} << (lo & 63);
    const uint64_t tail = ~uint64_t{0} >> (63 - (hi & 63));
    if (first == last) {
      row[first] |= head & tail;
    } else {
      row[first] |= head;
      for (int32_t w = first + 1; w < last; ++w) row[w] = ~uint64_t{0};
      row[last] |= tail;
    }
    int32_t* words = Rows + 2 * size_t(y);
    words[0] = std::min(words[0], first);
    words[1] = std::max(words[1], last);
  }
};

// Walks a one-pixel line's pixels by offset into the buffer, handing each to `plot`. The minor
// step is branch-free: where it falls depends on the slope and defeats prediction.
template <class Plot>
void WalkLine(ptrdiff_t at, int64_t steps, ptrdiff_t majorStep, ptrdiff_t minorStep, int64_t rem,
              int64_t twoMinor, int64_t twoMajor, Plot plot) {
  for (int64_t k = 0;; ++k) {
    plot(at);
    if (k == steps) break;
    rem += twoMinor;
    const int64_t wrap = rem >= twoMajor ? -1 : 0;
    rem -= twoMajor & wrap;
    at += majorStep + (minorStep & wrap);
  }
}

// The slot record's byte of a pixel; a slot is recorded as slot + 1, so slots up to 254.
constexpr uint32_t kSlotBits = 0xFF000000u;
constexpr int32_t kMaxSlot = 254;

// Room kept per slot, in words: a one-pixel curve's pixels (one word each) as it crosses the
// buffer 32 times, or a wide one's runs (two words each) at 16 a row, within a bound for the
// largest buffers. The most seen over long runs of every width at Period 2 was 27 a side.
constexpr int32_t kKeptWordsPerSide = 32;
constexpr int32_t kMaxKeptWords = 1 << 16;

// A key of a curve's points: the same points give the same key, and a different curve in a
// slot is all but certain to give another.
uint64_t KeyOf(const Point* points, int32_t count) {
  uint64_t h = 0x9E3779B97F4A7C15u ^ uint64_t(uint32_t(count));
  for (int32_t i = 0; i < count; ++i) {
    h ^= uint64_t(uint32_t(points[i].X)) << 32 | uint32_t(points[i].Y);
    h *= 0x100000001B3u;
    h ^= h >> 29;
  }
  return h;
}

// Bands of RasterSurface::kBandRows rows that a buffer this high has, the last one short.
int32_t BandsOf(int32_t height) {
  return (height + RasterSurface::kBandRows - 1) / RasterSurface::kBandRows;
}

// Where a pixel's slot record is `match`, the pixel becomes `value`; written branch-free, so the
// compiler takes four pixels at a time.
void SelectSpan(uint32_t* px, int32_t n, uint32_t match, uint32_t value) {
  for (int32_t i = 0; i < n; ++i) px[i] = (px[i] & kSlotBits) == match ? value : px[i];
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
  coverage_.reset();
  coverageRows_.reset();
  bandChanges_.reset();
  changed_.reset();
  keptWords_.reset();
  keptBands_.reset();
  ForgetKept();
  width_ = height_ = discCapacity_ = coverageWords_ = changedCount_ = wordsPerSlot_ = 0;
  penReady_ = trailReady_ = false;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      int64_t{width} * height > kMaxPixels) {
    return;
  }
  const size_t pixels = size_t(width) * size_t(height);
  const int32_t capacity = 2 * std::max(width, height) + 2;
  const int32_t words = (width + 63) / 64;
  const int32_t bands = BandsOf(height);
  uint32_t* lent = memory_ ? memory_->Lend(width, height) : nullptr;
  std::unique_ptr<uint32_t[]> buffer(lent ? nullptr : new (std::nothrow) uint32_t[pixels]);
  std::unique_ptr<Span[]> disc(new (std::nothrow) Span[size_t(capacity)]);
  std::unique_ptr<Halves[]> halves(new (std::nothrow) Halves[kHalvesSide * kHalvesSide]);
  std::unique_ptr<uint64_t[]> coverage(new (std::nothrow) uint64_t[size_t(words) * size_t(height)]);
  std::unique_ptr<int32_t[]> coverageRows(new (std::nothrow) int32_t[2 * size_t(height)]);
  std::unique_ptr<Span[]> bandChanges(new (std::nothrow) Span[size_t(bands)]);
  std::unique_ptr<PixelRect[]> changed(new (std::nothrow) PixelRect[size_t(bands)]);
  const int32_t keptWords = int32_t(
      std::min<int64_t>(int64_t{kKeptWordsPerSide} * std::max(width, height), kMaxKeptWords));
  std::unique_ptr<uint32_t[]> kept(new (std::nothrow) uint32_t[size_t(keptWords) * kKeptSlots]);
  std::unique_ptr<Span[]> keptBands(new (std::nothrow) Span[size_t(bands) * kKeptSlots]);
  if ((!lent && !buffer) || !disc || !halves || !coverage || !coverageRows || !bandChanges ||
      !changed || !kept || !keptBands) {
    return;
  }
  ownPixels_ = std::move(buffer);
  pixels_ = lent ? lent : ownPixels_.get();
  lent_ = lent != nullptr;
  disc_ = std::move(disc);
  halves_ = std::move(halves);
  coverage_ = std::move(coverage);
  coverageRows_ = std::move(coverageRows);
  bandChanges_ = std::move(bandChanges);
  changed_ = std::move(changed);
  keptWords_ = std::move(kept);
  keptBands_ = std::move(keptBands);
  wordsPerSlot_ = keptWords;
  width_ = width;
  height_ = height;
  discCapacity_ = capacity;
  coverageWords_ = words;
  std::fill_n(coverage_.get(), size_t(words) * size_t(height), uint64_t{0});
  for (int32_t y = 0; y < height; ++y) {
    coverageRows_[2 * y] = INT32_MAX;
    coverageRows_[2 * y + 1] = -1;
  }
  spanTop_ = INT32_MAX;
  spanBottom_ = -1;
  BeforeWrite();
  std::fill_n(pixels_, pixels, brush_);
  MarkAllChanged();
}

void RasterSurface::ForgetKept() {
  for (KeptCurve& k : kept_) k.Words = -1;
}

void RasterSurface::SetBrushColor(ColorValue color) {
  // The background shows wherever no curve does: a new one leaves the record out of date.
  if (PixelOf(color) != brush_) trailReady_ = false;
  brush_ = PixelOf(color);
}

void RasterSurface::SetPenWidth(int32_t width) {
  const int32_t w = std::clamp(width, 0, kMaxPenWidth);
  if (w == penWidth_) return;
  penWidth_ = w;
  penReady_ = false;
  trailReady_ = false;
  ForgetKept();
}

void RasterSurface::Clear() {
  if (!pixels_) return;
  BeforeWrite();
  std::fill_n(pixels_, size_t(width_) * size_t(height_), brush_);
  trailReady_ = false;
  MarkAllChanged();
}

void RasterSurface::MarkAllChanged() {
  const int32_t bands = BandsOf(height_);
  for (int32_t b = 0; b < bands; ++b) bandChanges_[b] = {0, width_ - 1};
}

void RasterSurface::Widen(Span& c, int32_t lo, int32_t hi) {
  if (c.Lo > c.Hi) {
    c = {lo, hi};
  } else {
    c.Lo = std::min(c.Lo, lo);
    c.Hi = std::max(c.Hi, hi);
  }
}

void RasterSurface::MarkChanged(int32_t top, int32_t bottom, int32_t lo, int32_t hi) {
  Span* kept =
      keeping_ >= 0 ? keptBands_.get() + size_t(keeping_) * size_t(BandsOf(height_)) : nullptr;
  for (int32_t b = top / kBandRows; b <= bottom / kBandRows; ++b) {
    Widen(bandChanges_[b], lo, hi);
    if (kept) Widen(kept[b], lo, hi);
  }
}

void RasterSurface::CopyToWindow(int32_t x, int32_t y) {
  if (!pixels_ || !presenter_) return;
  // Bands in a row with the same columns make one rectangle: a repaint is one.
  const int32_t bands = BandsOf(height_);
  changedCount_ = 0;
  for (int32_t b = 0; b < bands; ++b) {
    const Span c = bandChanges_[b];
    bandChanges_[b] = {1, 0};
    if (c.Lo > c.Hi) continue;
    const int32_t top = b * kBandRows;
    const int32_t bottom = std::min(top + kBandRows, height_);
    PixelRect* last = changedCount_ > 0 ? &changed_[changedCount_ - 1] : nullptr;
    if (last && last->Bottom == top && last->Left == c.Lo && last->Right == c.Hi + 1) {
      last->Bottom = bottom;
    } else {
      changed_[changedCount_++] = {c.Lo, top, c.Hi + 1, bottom};
    }
  }
  presenter_->Present(*this, x, y);
}

void RasterSurface::DrawTrail(const TrailFrame& frame) {
  if (!pixels_) return;
  trailStepped_ = frame.Stepped && trailReady_ && frame.Count >= 1;
  if (trailStepped_) {
    StepTrail(frame);
  } else {
    RepaintTrail(frame);
  }
  CopyToWindow(frame.X, frame.Y);
}

void RasterSurface::RepaintTrail(const TrailFrame& frame) {
  Clear();
  const auto recordable = [](const TrailLine& line) {
    return line.Slot >= 0 && line.Slot <= kMaxSlot;
  };
  bool own = recordable(frame.Leaving);
  for (int32_t i = 0; i < frame.Count; ++i) own = own && recordable(frame.Lines[i]);
  for (int32_t i = 0; i < frame.Count; ++i) {
    const TrailLine& line = frame.Lines[i];
    DrawPolyline(line.Points, line.Count, own ? Ink::kOwn : Ink::kPaint, PixelOf(line.Color),
                 line.Slot);
  }
  trailReady_ = own;
}

// The oldest curve gives back the pixels it showed; the new one takes those no curve shows,
// which is all it can show at the bottom; the previous one takes every pixel it covers, on top.
// Curves in between keep theirs: nothing that was above them moved.
void RasterSurface::StepTrail(const TrailFrame& frame) {
  const TrailLine& leaving = frame.Leaving;
  const TrailLine& entering = frame.Lines[0];
  DrawPolyline(leaving.Points, leaving.Count, Ink::kVacate, brush_, leaving.Slot);
  DrawPolyline(entering.Points, entering.Count, Ink::kUnder, PixelOf(entering.Color),
               entering.Slot);
  if (frame.Count >= 2) {
    const TrailLine& rising = frame.Lines[frame.Count - 1];
    DrawPolyline(rising.Points, rising.Count, Ink::kOwn, PixelOf(rising.Color), rising.Slot);
  }
}

void RasterSurface::Polyline(const Point* points, int32_t count) {
  if (!pixels_) return;
  DrawPolyline(points, count, Ink::kPaint, pen_, 0);
  trailReady_ = false;
}

void RasterSurface::DrawPolyline(const Point* points, int32_t count, Ink ink, uint32_t color,
                                 int32_t slot) {
  if (!pixels_ || !points || count < 2) return;
  BeforeWrite();
  ink_ = ink;
  const uint32_t record = uint32_t(slot + 1) << 24;
  inkColor_ = ink == Ink::kOwn || ink == Ink::kUnder ? color | record : color;
  inkMatch_ = ink == Ink::kVacate ? record : 0;
  // A trail curve is replayed when its slot keeps it: rising and leaving. One coming in is
  // drawn from its points and kept for those two (a leaving one's slot is about to be reused).
  const bool keepable = ink != Ink::kPaint && slot >= 0 && slot < kKeptSlots;
  const uint64_t key = keepable ? KeyOf(points, count) : 0;
  if (keepable && kept_[slot].Words >= 0 && kept_[slot].Key == key) {
    Replay(slot);
    return;
  }
  if (keepable && ink != Ink::kVacate) {
    keeping_ = slot;
    kept_[slot] = {key, 0};
    std::fill_n(keptBands_.get() + size_t(slot) * size_t(BandsOf(height_)), BandsOf(height_),
                Span{1, 0});
  }
  DrawFromPoints(points, count);
  if (keeping_ >= 0 && kept_[keeping_].Words > wordsPerSlot_) kept_[keeping_].Words = -1;
  keeping_ = -1;
}

void RasterSurface::DrawFromPoints(const Point* points, int32_t count) {
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
  FlushSpans();
}

// A kept curve's pixels again, with the ink being drawn, in the order they were drawn: every
// pixel ends as drawing the curve from its points would leave it, a pixel a one-pixel curve
// crosses twice included.
void RasterSurface::Replay(int32_t slot) {
  const uint32_t* word = keptWords_.get() + size_t(slot) * size_t(wordsPerSlot_);
  const uint32_t* const end = word + kept_[slot].Words;
  uint32_t* const px = pixels_;
  const uint32_t color = inkColor_, match = inkMatch_;
  if (penWidth_ > 1) {
    for (; word != end; word += 2) InkSpan(word[0], int32_t(word[1]));
  } else if (ink_ == Ink::kOwn) {
    for (; word != end; ++word) px[*word] = color;
  } else {
    for (; word != end; ++word) {
      if ((px[*word] & kSlotBits) == match) px[*word] = color;
    }
  }
  const int32_t bands = BandsOf(height_);
  const Span* kept = keptBands_.get() + size_t(slot) * size_t(bands);
  for (int32_t b = 0; b < bands; ++b) {
    if (kept[b].Lo <= kept[b].Hi) Widen(bandChanges_[b], kept[b].Lo, kept[b].Hi);
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
  const int64_t base = major - 1 + bias;
  const int64_t twoMajor = 2 * major;
  const bool inside = x0 >= 0 && x1 >= 0 && y0 >= 0 && y1 >= 0 && x0 < width_ && x1 < width_ &&
                      y0 < height_ && y1 < height_;
  if (inside) {
    // The common case, a segment within the buffer: no clipping, so no division either (the
    // first pixel's error term is base itself, below twoMajor).
    MarkChanged(int32_t(std::min(y0, y1)), int32_t(std::max(y0, y1)), int32_t(std::min(x0, x1)),
                int32_t(std::max(x0, x1)));
    Walk(a0, b0, kHi, xMajor, aInc, bInc, base, 2 * minor, twoMajor);
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
  {
    const int64_t aEnd = a0 + aInc * kHi;
    const int64_t bEnd = b0 + bInc * ((2 * kHi * minor + base) / twoMajor);
    const int64_t xa = xMajor ? a : b, xb = xMajor ? aEnd : bEnd;
    const int64_t ya = xMajor ? b : a, yb = xMajor ? bEnd : aEnd;
    MarkChanged(int32_t(std::min(ya, yb)), int32_t(std::max(ya, yb)), int32_t(std::min(xa, xb)),
                int32_t(std::max(xa, xb)));
  }
  Walk(a, b, kHi - kLo, xMajor, aInc, bInc, num - m * twoMajor, 2 * minor, twoMajor);
}

// Lights `steps` + 1 pixels of a one-pixel line from (a, b) (major, minor coordinates, inside
// the buffer), with the ink being drawn; rem is the first pixel's error term.
void RasterSurface::Walk(int64_t a, int64_t b, int64_t steps, bool xMajor, int64_t aInc,
                         int64_t bInc, int64_t rem, int64_t twoMinor, int64_t twoMajor) {
  const ptrdiff_t at = static_cast<ptrdiff_t>(xMajor ? b * width_ + a : a * width_ + b);
  const ptrdiff_t majorStep = static_cast<ptrdiff_t>(xMajor ? aInc : aInc * width_);
  const ptrdiff_t minorStep = static_cast<ptrdiff_t>(xMajor ? bInc * width_ : bInc);
  uint32_t* const px = pixels_;
  const uint32_t color = inkColor_;
  const uint32_t match = inkMatch_;
  const auto walk = [&](auto plot) {
    WalkLine(at, steps, majorStep, minorStep, rem, twoMinor, twoMajor, plot);
  };
  const auto paint = [&](ptrdiff_t i) { px[i] = color; };
  // Only pixels whose slot record matches are written (mostly all or none along a curve, so
  // the branch is well predicted).
  const auto select = [&](ptrdiff_t i) {
    if ((px[i] & kSlotBits) == match) px[i] = color;
  };
  const bool painting = ink_ == Ink::kPaint || ink_ == Ink::kOwn;
  if (keeping_ < 0) {
    painting ? walk(paint) : walk(select);
    return;
  }
  // Kept as Keep() does, in locals: the pixel stores would make the compiler reload members.
  uint32_t* const out = keptWords_.get() + size_t(keeping_) * size_t(wordsPerSlot_);
  const int32_t room = wordsPerSlot_;
  int32_t n = kept_[keeping_].Words;
  const auto kept = [&](auto plot) {
    return [&, plot](ptrdiff_t i) {
      plot(i);
      if (n < room) out[n] = uint32_t(i);
      n += n <= room ? 1 : 0;
    };
  };
  painting ? walk(kept(paint)) : walk(kept(select));
  kept_[keeping_].Words = n;
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

// The band GDI widens a segment by, as its four corners relative to the segment's start; false
// for a segment of no length, which has none. The band is a polygon filled as GDI fills
// regions: the pixel whose top-left corner is (x, y) is in when that corner is inside, left
// and top edges included, right and bottom ones not.
bool RasterSurface::BandOf(int64_t dx, int64_t dy, int64_t (&cx)[4], int64_t (&cy)[4]) const {
  if (dx == 0 && dy == 0) return false;
  if (dy == 0 || dx == 0) {
    // Straight along an axis the band is a plain w-wide rectangle, as with the discs'
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

// One segment of a wide polyline: GDI's band along it and the pen's disc at its end (and at
// its start when asked), handed row by row as spans to the polyline's span gathering.
void RasterSurface::WidePiece(int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool startDisc) {
  const int64_t dx = int64_t{x1} - x0;
  const int64_t dy = int64_t{y1} - y0;
  int64_t cx[4], cy[4];
  const bool band = BandOf(dx, dy, cx, cy);

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

  BandEdge edges[4];
  const int edgeCount = band ? BandEdges(cx, cy, top, edges) : 0;
  const Coverage cover{coverage_.get(), coverageRows_.get(), coverageWords_, width_};
  spanTop_ = std::min(spanTop_, int32_t(y0 + top));
  spanBottom_ = std::max(spanBottom_, int32_t(y0 + bottom));
  const Span* disc = disc_.get();
  const int32_t discFirst = discFirst_;
  const uint32_t discRows = uint32_t(discRows_);
  const int32_t ddx = int32_t(dx), ddy = int32_t(dy);
  for (int32_t y = int32_t(top); y <= int32_t(bottom); ++y) {
    // GDI's band and discs need not touch where they meet: the gathering merges only spans
    // that overlap or touch.
    int32_t left = INT32_MAX;
    int32_t right = INT32_MIN;
    for (int i = 0; i < edgeCount; ++i) {
      BandEdge& e = edges[i];
      if (y >= e.Top && y < e.Bottom) {
        left = std::min(left, -e.NegX.q);
        right = std::max(right, -e.NegX.q - 1);
        e.NegX.Next();
      }
    }
    if (left <= right) cover.Add(y0 + y, x0 + left, x0 + right);
    const uint32_t ia = uint32_t(y - discFirst);
    if (startDisc && ia < discRows) {
      const Span a = discTabled_ ? disc[ia] : ComputeDiscRow(penWidth_, y);
      if (a.Lo <= a.Hi) cover.Add(y0 + y, x0 + a.Lo, x0 + a.Hi);
    }
    const uint32_t ib = uint32_t(y - ddy - discFirst);
    if (ib < discRows) {
      const Span b = discTabled_ ? disc[ib] : ComputeDiscRow(penWidth_, y - ddy);
      if (b.Lo <= b.Hi) cover.Add(y0 + y, x0 + ddx + b.Lo, x0 + ddx + b.Hi);
    }
  }
}

// Each row's runs of covered pixels, inked and cleared: every pixel of the polyline once.
void RasterSurface::FlushSpans() {
  for (int32_t y = spanTop_; y <= spanBottom_; ++y) {
    int32_t* words = coverageRows_.get() + 2 * size_t(y);
    if (words[0] > words[1]) continue;
    uint64_t* row = coverage_.get() + size_t(y) * size_t(coverageWords_);
    int32_t start = -1, first = INT32_MAX, last = -1;
    for (int32_t w = words[0]; w <= words[1]; ++w) {
      const uint64_t bits = row[w];
      row[w] = 0;
      const int32_t base = w * 64;
      int pos = 0;
      while (pos < 64) {
        if (start < 0) {
          const uint64_t rest = bits >> pos;
          if (rest == 0) break;
          pos += __builtin_ctzll(rest);
          start = base + pos;
        }
        const uint64_t gaps = ~bits >> pos;
        if (gaps == 0) break;  // the run goes on into the next word
        pos += __builtin_ctzll(gaps);
        InkRun(y, start, base + pos - 1);
        first = std::min(first, start);
        last = base + pos - 1;
        start = -1;
      }
    }
    if (start >= 0) {
      last = words[1] * 64 + 63;
      InkRun(y, start, last);
      first = std::min(first, start);
    }
    words[0] = INT32_MAX;
    words[1] = -1;
    MarkChanged(y, y, first, last);
  }
  spanTop_ = INT32_MAX;
  spanBottom_ = -1;
}

// One run of a wide polyline's pixels, kept when the polyline is.
void RasterSurface::InkRun(int32_t y, int32_t lo, int32_t hi) {
  const size_t at = size_t(y) * size_t(width_) + size_t(lo);
  if (keeping_ >= 0) {
    Keep(uint32_t(at));
    Keep(uint32_t(hi - lo + 1));
  }
  InkSpan(at, hi - lo + 1);
}

void RasterSurface::InkSpan(size_t at, int32_t n) {
  uint32_t* const px = pixels_ + at;
  if (ink_ == Ink::kPaint || ink_ == Ink::kOwn) {
    Fill(px, n, inkColor_);
  } else {
    SelectSpan(px, n, inkMatch_, inkColor_);
  }
}

}  // namespace vellicord
