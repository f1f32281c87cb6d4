// The rasterizer's drawing surface: clears, polylines and trail frames, repainted or stepped,
// and the changes handed to the presenter.
#include "engine/raster.h"

#include <algorithm>

#include "engine/ink.h"
#include "engine/line_walker.h"

namespace vellicord {

namespace {

// Where a polyline's pixels go: inked, marked changed, and recorded when its slot keeps it.
struct InkSink {
  uint32_t* Px;
  int32_t Width;
  InkRule Rule;
  // The frame's changed tiles, or a kept curve's, which join the frame's when it is drawn: one
  // grid marked for each run, not two.
  TileGrid Grid;
  uint64_t* Tiles;
  KeptCurves::Recorder* Kept;  // null when the polyline is not kept
  ChangeNote* Note;            // null when its changed pixels aren't noted

  void Changed(int32_t top, int32_t bottom, int32_t lo, int32_t hi) {
    Grid.Mark(Tiles, top, bottom, lo, hi);
  }
  void Walk(const PixelWalk& walk) {
    Rule.WithPlot(Px, Note, [&](auto plot) {
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
    Changed(y, y, lo, hi);
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
  const int32_t w = std::clamp(width, 0, kCoveringPenWidth);
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
  changed_.Collect(presenter_->RequestPixels());
  presenter_->Present(*this, x, y);
  changed_.StartNote();
}

void RasterSurface::DrawTrail(const TrailFrame& frame) {
  if (!HasBuffer()) return;
  trailStepped_ = frame.Stepped && trailReady_ && frame.Count >= 1;
  if (trailStepped_) {
    StepTrail(frame);
  } else {
    RepaintTrail(frame);
  }
  if (frame.Shown) CopyToWindow(frame.X, frame.Y);
}

void RasterSurface::RepaintTrail(const TrailFrame& frame) {
  Clear();
  const auto recordable = [](const TrailLine& line) {
    return line.Slot >= 0 && line.Slot <= kMaxRecordedSlot;
  };
  bool own = recordable(frame.Leaving);
  for (int32_t i = 0; i < frame.Count; ++i) own = own && recordable(frame.Lines[i]);
  for (int32_t i = 0; i < frame.Count; ++i) {
    const TrailLine& line = frame.Lines[i];
    DrawPolyline(line, own ? Ink::kOwn : Ink::kPaint, PixelOf(line.Color));
  }
  trailReady_ = own;
}

// The oldest curve gives back the pixels it showed; the new one takes those no curve shows,
// which is all it can show at the bottom; the previous one takes every pixel it covers, on top.
// Curves in between keep theirs: nothing that was above them moved.
void RasterSurface::StepTrail(const TrailFrame& frame) {
  const TrailLine& leaving = frame.Leaving;
  const TrailLine& entering = frame.Lines[0];
  DrawPolyline(leaving, Ink::kVacate, brush_);
  DrawPolyline(entering, Ink::kUnder, PixelOf(entering.Color));
  if (frame.Count >= 2) {
    const TrailLine& rising = frame.Lines[frame.Count - 1];
    DrawPolyline(rising, Ink::kOwn, PixelOf(rising.Color));
  }
}

void RasterSurface::Polyline(const Point* points, int32_t count) {
  if (!HasBuffer()) return;
  DrawPolyline({points, count}, Ink::kPaint, pen_);
  trailReady_ = false;
}

void RasterSurface::DrawPolyline(const TrailLine& line, Ink ink, uint32_t color) {
  const Point* const points = line.Points;
  const int32_t count = line.Count, slot = line.Slot;
  if (!HasBuffer() || !points || count < 2) return;
  buffer_.BeforeWrite();
  const InkRule rule = InkRule::For(ink, color, slot);
  const bool wide = penWidth_ > 1;
  // Only one-pixel trail curves note each pixel they change.
  if (wide || ink == Ink::kPaint) changed_.LoseNote();
  ChangeNote* const note = changed_.Note();
  // A trail curve is replayed when its slot keeps it: rising and leaving. One coming in is
  // drawn from its points and kept for those two (a leaving one's slot is about to be reused).
  const bool keepable =
      ink != Ink::kPaint && slot >= 0 && slot < KeptCurves::kKeptSlots && line.Serial != 0;
  if (keepable && kept_.Holds(slot, line.Serial)) {
    kept_.Replay(slot, rule, wide, buffer_.Pixels(), note, changed_);
    return;
  }
  const bool keeping = keepable && ink != Ink::kVacate;
  KeptCurves::Recorder recorder{};
  if (keeping) recorder = kept_.Begin(slot, line.Serial);
  InkSink sink{buffer_.Pixels(),
               Width(),
               rule,
               changed_.Grid(),
               keeping ? kept_.Tiles(slot) : changed_.Tiles(),
               keeping ? &recorder : nullptr,
               note};
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
  if (keeping) {
    kept_.End(slot, recorder);
    changed_.MarkFrom(kept_.Tiles(slot));
  }
}

}  // namespace vellicord
