// The visibility rule and the gated surface.
#include "common/frame_gate.h"

namespace vellicord {

bool FrameCanBeSeen(const FrameVisibility& v) {
  return v.WindowShown && !v.Iconic && v.DisplayOn && v.SessionActive;
}

void GatedSurface::Clear() {
  // A frame starts with its clear: this is where it is decided whether the frame is drawn.
  current_ = visible_;
  if (visible_) inner_.Clear();
}

void GatedSurface::DrawTrail(const TrailFrame& frame) {
  const bool continues = current_;
  current_ = visible_;
  if (!visible_) return;
  if (continues) {
    inner_.DrawTrail(frame);
    return;
  }
  // The frames skipped were steps the buffer never took.
  TrailFrame repaint = frame;
  repaint.Stepped = false;
  inner_.DrawTrail(repaint);
}

void GatedSurface::Polyline(const Point* points, int32_t count) {
  if (current_) inner_.Polyline(points, count);
}

void GatedSurface::CopyToWindow(int32_t x, int32_t y) {
  if (current_) inner_.CopyToWindow(x, y);
}

}  // namespace vellicord
