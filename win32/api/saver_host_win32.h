// The saver's host operations on Win32.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <memory>
#include <vector>

#include "win32/api/form.h"
#include "win32/saver_host.h"

namespace vellicord {

inline HWND ToHwnd(NativeWindow window) {
  return reinterpret_cast<HWND>(HandleValue(window));
}

// A blank window over a monitor the saver window doesn't cover, passing its input on.
class TCoverWindow final : public TForm {
 public:
  TCoverWindow(SaverInput& input, const WindowRect& area, CoverColor color)
      : input_(input), area_(area), color_(color) {}
  ~TCoverWindow() override { DestroyHandle(); }

 protected:
  void CreateParams(TCreateParams& params) override {
    TForm::CreateParams(params);
    params.ClassName = L"TScreenSaverCover";
    params.Caption = L"ScreenSaverForm";
    params.ExStyle |= WS_EX_TOPMOST;
    params.X = area_.Left;
    params.Y = area_.Top;
    params.Width = area_.Right - area_.Left;
    params.Height = area_.Bottom - area_.Top;
  }
  void FormKeyDown(WORD, bool) override { input_.FormKeyDown(); }
  void FormMouseDown(TMouseButton, int, int) override { input_.FormMouseDown(); }
  // The saver window stands at 0,0: its pixels are the virtual screen's, and so are these.
  void FormMouseMove(int x, int y) override { input_.FormMouseMove(x + area_.Left, y + area_.Top); }
  bool FormEraseBackground(HDC dc) override { return FillClient(Handle(), dc, color_); }

 private:
  SaverInput& input_;
  WindowRect area_;
  CoverColor color_;
};

class Win32SaverHost final : public SaverHost {
 public:
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
  int32_t RefreshRateHz() override;
  int64_t NowUs() override;
  void WatchSessions() override;
  bool SessionConnected() override;

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
