// The saver's host operations on Win32.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <memory>
#include <vector>

#include "win32/saver_host.h"

namespace vellicord {

inline HWND ToHwnd(NativeWindow window) {
  return reinterpret_cast<HWND>(HandleValue(window));
}

// A blank window over a monitor the saver window doesn't cover, passing its input on.
class TCoverWindow;

class Win32SaverHost final : public SaverHost {
 public:
  // Out of line, where TCoverWindow is complete.
  Win32SaverHost();
  ~Win32SaverHost() override;
  bool IsWindow(NativeWindow window) override;
  WindowRect GetWindowRect(NativeWindow window) override;
  int32_t ScreenWidth() override;
  int32_t ScreenHeight() override;
  std::vector<MonitorArea> Monitors() override;
  void CoverMonitor(const WindowRect& area, CoverColor color, SaverInput& input) override;
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
  // While the window still exists: the notifications registered for it end.
  void StopWatching();

 private:
  void ApplyIme();

  HWND window_ = nullptr;
  bool imeOff_ = false;
  std::vector<std::unique_ptr<TCoverWindow>> covers_;
  HPOWERNOTIFY displayNotify_ = nullptr;
  HMODULE wtsapi_ = nullptr;
  bool sessionsWatched_ = false;
};

}  // namespace vellicord
