// Drawing nobody can see: the rule for when a frame's pixels are wasted, and a surface that then
// skips them while the animation goes on exactly as before.
#pragma once

#include <cstdint>

#include "engine/surface.h"

namespace vellicord {

// What the host says about the saver window before a tick.
struct FrameVisibility {
  bool WindowShown = true;  // the window and all its ancestors are shown
  bool Iconic = false;
  bool DisplayOn = true;      // the host's display-state notifications; dimmed counts as on
  bool SessionActive = true;  // the session is neither locked nor disconnected
};

bool FrameCanBeSeen(const FrameVisibility& v);

// Passes every drawing attribute on, but clears, draws and copies only while frames can be
// seen. The first trail frame after a hidden spell goes on as a full repaint from the ring, so
// it is exactly the frame that would have been drawn anyway.
class GatedSurface final : public DrawSurface {
 public:
  explicit GatedSurface(DrawSurface& inner) : inner_(inner) {}

  void SetVisible(bool visible) { visible_ = visible; }
  // False from the first frame skipped until the next one drawn: the buffer then holds an old
  // picture, which a repaint must not put back on the screen.
  bool FrameCurrent() const { return current_; }

  void CreateBuffer(int32_t width, int32_t height) override { inner_.CreateBuffer(width, height); }
  void SetBrushColor(ColorValue color) override { inner_.SetBrushColor(color); }
  void SetPenWidth(int32_t width) override { inner_.SetPenWidth(width); }
  void SetPenColor(ColorValue color) override { inner_.SetPenColor(color); }
  void Clear() override;
  void Polyline(const Point* points, int32_t count) override;
  void CopyToWindow(int32_t x, int32_t y) override;
  void DrawTrail(const TrailFrame& frame) override;

 private:
  DrawSurface& inner_;
  bool visible_ = true;
  bool current_ = true;
};

}  // namespace vellicord
