// The saver window's host services on X11: the window's size from the canvas, errors to stderr.
#pragma once

#include <string>
#include <vector>

#include "host/saver_host.h"
#include "host/x11/x11_canvas.h"

namespace vellicord {

// The saver always fills one given window here (its own, the daemon's or the root), so the form
// runs as it does in a preview: the window's size, no pointer, cursor or version business.
class X11SaverHost final : public SaverHost {
 public:
  explicit X11SaverHost(X11Canvas& canvas) : canvas_(canvas) {}

  bool IsWindow(NativeWindow window) override { return canvas_.Exists(window); }
  WindowRect GetWindowRect(NativeWindow) override {
    return {0, 0, canvas_.Width(), canvas_.Height()};
  }
  int32_t ScreenWidth() override { return canvas_.Width(); }
  int32_t ScreenHeight() override { return canvas_.Height(); }
  // The daemon runs one program per monitor, each in its own window: the window is the one
  // monitor there is, and no other needs covering.
  std::vector<MonitorArea> Monitors() override {
    return {{{0, 0, canvas_.Width(), canvas_.Height()}, true}};
  }
  void CoverMonitor(const WindowRect&, CoverColor) override {}
  // X11 has no per-thread pixel-density modes.
  void FollowDpiOf(NativeWindow) override {}
  void ShowCursor(bool) override {}
  bool GetVersionEx(int32_t& platformId) override {
    platformId = 2;
    return true;
  }
  void SetScreenSaverRunning(bool) override {}
  void DisableIme() override {}
  void ShowErrorBox(const std::string& utf8Message) override;
  void HideApplicationWindow() override {}
  void EndProgram() override { ended_ = true; }

  bool Ended() const { return ended_; }

 private:
  X11Canvas& canvas_;
  bool ended_ = false;
};

}  // namespace vellicord
