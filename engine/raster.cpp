// The rasterizer's drawing surface: clears, polylines and trail frames, repainted or stepped,
// and the changes handed to the presenter.
#include "engine/raster.h"

#include <algorithm>

#include "engine/ink.h"
#include "engine/line_walker.h"

namespace vellicord {

namespace {

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

// Where a polyline's pixels go: inked, marked changed, and recorded when its slot keeps it.
struct InkSink {
  uint32_t* Px;
  int32_t Width;
  InkRule Rule;
  ChangedStrips& Changes;
  Span* KeptStrips;            // null when the polyline is not kept
  KeptCurves::Recorder* Kept;  // likewise

  void Changed(int32_t top, int32_t bottom, int32_t lo, int32_t hi) {
    Changes.Mark(top, bottom, lo, hi);
    if (KeptStrips) ChangedStrips::Mark(KeptStrips, top, bottom, lo, hi);
  }
  void Walk(const PixelWalk& walk) {
    Rule.WithPlot(Px, [&](auto plot) {
      if (!Kept) {
        walk.Each(plot);
        return;
      }
      // Recorded in a local: the pixel stores would make the compiler reload *Kept.
      KeptCurves::Recorder r = *Kept;
      walk.Each([&r, plot](ptrdiff_t i) {
        plot(i);
        r.Keep(uint32_t(i));
      });
      *Kept = r;
    });
  }
  void Run(int32_t y, int32_t lo, int32_t hi) {
    const size_t at = size_t(y) * size_t(Width) + size_t(lo);
    if (Kept) {
      Kept->Keep(uint32_t(at));
      Kept->Keep(uint32_t(hi - lo + 1));
    }
    Rule.Run(Px + at, hi - lo + 1);
  }
};

}  // namespace

RasterSurface::RasterSurface() = default;
RasterSurface::~RasterSurface() = default;

void RasterSurface::Release() {
  buffer_.Release();
  widePen_.Release();
  kept_.Release();
  changed_.Release();
  trailReady_ = false;
}

void RasterSurface::CreateBuffer(int32_t width, int32_t height) {
  Release();
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      int64_t{width} * height > kMaxPixels) {
    return;
  }
  if (!buffer_.Allocate(width, height, memory_) || !widePen_.Allocate(width, height) ||
      !kept_.Allocate(width, height) || !changed_.Allocate(width, height)) {
    Release();
    return;
  }
  buffer_.BeforeWrite();
  std::fill_n(buffer_.Pixels(), buffer_.Count(), brush_);
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
  widePen_.SetWidth(w);
  trailReady_ = false;
  kept_.Forget();
}

void RasterSurface::Clear() {
  if (!HasBuffer()) return;
  buffer_.BeforeWrite();
  std::fill_n(buffer_.Pixels(), buffer_.Count(), brush_);
  trailReady_ = false;
  changed_.MarkAll();
}

void RasterSurface::CopyToWindow(int32_t x, int32_t y) {
  if (!HasBuffer() || !presenter_) return;
  changed_.Collect();
  presenter_->Present(*this, x, y);
}

void RasterSurface::DrawTrail(const TrailFrame& frame) {
  if (!HasBuffer()) return;
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
  if (!HasBuffer()) return;
  DrawPolyline(points, count, Ink::kPaint, pen_, 0);
  trailReady_ = false;
}

void RasterSurface::DrawPolyline(const Point* points, int32_t count, Ink ink, uint32_t color,
                                 int32_t slot) {
  if (!HasBuffer() || !points || count < 2) return;
  buffer_.BeforeWrite();
  const InkRule rule = InkRule::For(ink, color, slot);
  const bool wide = penWidth_ > 1;
  // A trail curve is replayed when its slot keeps it: rising and leaving. One coming in is
  // drawn from its points and kept for those two (a leaving one's slot is about to be reused).
  const bool keepable = ink != Ink::kPaint && slot >= 0 && slot < KeptCurves::kSlots;
  const uint64_t key = keepable ? KeyOf(points, count) : 0;
  if (keepable && kept_.Holds(slot, key)) {
    kept_.Replay(slot, rule, wide, buffer_.Pixels(), changed_);
    return;
  }
  const bool keeping = keepable && ink != Ink::kVacate;
  KeptCurves::Recorder recorder{};
  if (keeping) recorder = kept_.Begin(slot, key);
  InkSink sink{buffer_.Pixels(),
               Width(),
               rule,
               changed_,
               keeping ? kept_.Strips(slot) : nullptr,
               keeping ? &recorder : nullptr};
  if (wide) {
    widePen_.Draw(points, count, sink);
  } else {
    // Each segment leaves out its last pixel, which the next one starts on: every vertex is
    // lit once and the polyline's own last point not at all.
    for (int32_t i = 0; i + 1 < count; ++i) {
      WalkLine(points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y, true, Width(), Height(),
               sink);
    }
  }
  if (keeping) kept_.End(slot, recorder);
}

}  // namespace vellicord
