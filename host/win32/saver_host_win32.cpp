// Win32 host operations for the saver window.
#include "host/win32/saver_host_win32.h"

#include <imm.h>

#include "host/win32/application.h"
#include "host/win32/error_box.h"
#include "host/win32/system_library.h"

namespace vellicord {

bool Win32SaverHost::IsWindow(NativeWindow window) {
  return ::IsWindow(ToHwnd(window)) != FALSE;
}

WindowRect Win32SaverHost::GetWindowRect(NativeWindow window) {
  RECT r = {};
  ::GetWindowRect(ToHwnd(window), &r);
  return WindowRect{r.left, r.top, r.right, r.bottom};
}

int32_t Win32SaverHost::ScreenWidth() {
  return GetSystemMetrics(SM_CXSCREEN);
}
int32_t Win32SaverHost::ScreenHeight() {
  return GetSystemMetrics(SM_CYSCREEN);
}

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(
        {{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  }
  return TRUE;
}

}  // namespace

std::vector<MonitorArea> Win32SaverHost::Monitors() {
  std::vector<MonitorArea> list;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list));
  return list;
}

void Win32SaverHost::CoverMonitor(const WindowRect& area, CoverColor color) {
  if (makeCover_) makeCover_(area, color);
}

void Win32SaverHost::FollowDpiOf(NativeWindow window) {
  // Windows 10 1607 and later; looked up so the .scr still starts on older systems, which
  // have no per-window awareness to follow.
  using GetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
  using SetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
  auto get = OptionalFunction<GetContext>(L"user32.dll", "GetWindowDpiAwarenessContext");
  auto set = OptionalFunction<SetContext>(L"user32.dll", "SetThreadDpiAwarenessContext");
  if (get == nullptr || set == nullptr) return;
  DPI_AWARENESS_CONTEXT context = get(ToHwnd(window));
  if (context != nullptr) set(context);
}

void Win32SaverHost::ShowCursor(bool show) {
  ::ShowCursor(show ? TRUE : FALSE);
}

bool Win32SaverHost::GetVersionEx(int32_t& platformId) {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = 148;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
  platformId = static_cast<int32_t>(info.dwPlatformId);
  return true;
}

void Win32SaverHost::SetScreenSaverRunning(bool running) {
  BOOL previous = FALSE;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

void Win32SaverHost::DisableIme() {
  imeOff_ = true;
  ApplyIme();
}

void Win32SaverHost::AttachWindow(HWND window) {
  window_ = window;
  ApplyIme();
}

void Win32SaverHost::ApplyIme() {
  // No input context on the window: the host composes no text while it has the focus, and the
  // focus leaving takes the setting with it. (WINNLSEnableIME is a process-wide switch that
  // many headers no longer declare.)
  if (imeOff_ && window_ != nullptr) ImmAssociateContext(window_, nullptr);
}

void Win32SaverHost::ShowErrorBox(const std::string& utf8Message) {
  vellicord::ShowErrorBox(utf8Message);
}

void Win32SaverHost::HideApplicationWindow() {
  ShowWindow(TApplication::Instance().Handle(), SW_HIDE);
}

void Win32SaverHost::EndProgram() {
  TApplication::Instance().Terminate();
}

}  // namespace vellicord
