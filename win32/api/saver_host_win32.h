// The saver's host operations on Win32.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>

#include "win32/saver_host.h"

namespace vellicord {

inline HWND ToHwnd(NativeWindow window) {
  return reinterpret_cast<HWND>(HandleValue(window));
}

class Win32SaverHost final : public SaverHost {
 public:
  bool IsWindow(NativeWindow window) override;
  WindowRect GetWindowRect(NativeWindow window) override;
  int32_t ScreenWidth() override;
  int32_t ScreenHeight() override;
  std::vector<MonitorArea> Monitors() override;
  void CoverMonitor(const WindowRect& area, CoverColor color) override;
  void FollowDpiOf(NativeWindow window) override;
  void ShowCursor(bool show) override;
  bool GetVersionEx(int32_t& platformId) override;
  void SetScreenSaverRunning(bool running) override;
  void DisableIme() override;
  void ShowErrorBox(const std::string& utf8Message) override;
  void HideApplicationWindow() override;
  void EndProgram() override;
  void PlaceWindow(int32_t width, int32_t height) override;
  void RemoveCovers() override;
  bool WatchPowerSetting(PowerSetting setting) override;
  void WatchSessions() override;

  // The saver window once it exists: the input-method setting asked for earlier applies to it.
  void AttachWindow(HWND window);
  // Who makes and removes the cover windows: they belong with the saver window, whose form
  // they report to.
  void SetCoverMaker(std::function<void(const WindowRect&, CoverColor)> make,
                     std::function<void()> removeAll) {
    makeCover_ = std::move(make);
    removeCovers_ = std::move(removeAll);
  }
  // While the window still exists: the notifications registered for it end.
  void StopWatching();

 private:
  void ApplyIme();

  HWND window_ = nullptr;
  bool imeOff_ = false;
  std::function<void(const WindowRect&, CoverColor)> makeCover_;
  std::function<void()> removeCovers_;
  HPOWERNOTIFY displayNotify_ = nullptr;
  HMODULE wtsapi_ = nullptr;
  bool sessionsWatched_ = false;
};

}  // namespace vellicord
