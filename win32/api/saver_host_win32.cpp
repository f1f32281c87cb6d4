// Win32 host operations for the saver window.
#include "win32/api/saver_host_win32.h"

#include <imm.h>

#include <wtsapi32.h>

#include "win32/api/application.h"
#include "win32/api/error_box.h"
#include "win32/api/system_library.h"

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

void Win32SaverHost::PlaceWindow(int32_t width, int32_t height) {
  if (window_ == nullptr) return;
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, width, height, SWP_NOACTIVATE);
}

void Win32SaverHost::RemoveCovers() {
  if (removeCovers_) removeCovers_();
}

namespace {

// Windows 8 is 6.2; VerifyVersionInfo answers truly up to the versions the manifest names.
bool IsWindows8OrLater() {
  OSVERSIONINFOEXW want = {};
  want.dwOSVersionInfoSize = sizeof want;
  want.dwMajorVersion = 6;
  want.dwMinorVersion = 2;
  ULONGLONG mask = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&want, VER_MAJORVERSION | VER_MINORVERSION, mask) != FALSE;
}

}  // namespace

bool Win32SaverHost::WatchPowerSetting(PowerSetting setting) {
  if (window_ == nullptr || displayNotify_ != nullptr) return false;
  // GUID_CONSOLE_DISPLAY_STATE is Windows 8's. Nothing says an older system refuses to
  // register a setting it doesn't know, so the version decides, not the call's result.
  if (setting == PowerSetting::ConsoleDisplayState && !IsWindows8OrLater()) return false;
  // Power-setting notifications came with Vista; looked up at run time so the .scr still
  // starts where user32 lacks them.
  using Register = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
  auto reg = OptionalFunction<Register>(L"user32.dll", "RegisterPowerSettingNotification");
  if (reg == nullptr) return false;
  // GUID_CONSOLE_DISPLAY_STATE and GUID_MONITOR_POWER_ON, spelt out: mingw's definitions need
  // initguid.h games. Both report a DWORD, 0 for off.
  const GUID kConsoleDisplayState = {
      0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
  const GUID kMonitorPowerOn = {
      0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
  const GUID& guid =
      setting == PowerSetting::ConsoleDisplayState ? kConsoleDisplayState : kMonitorPowerOn;
  displayNotify_ = reg(window_, &guid, DEVICE_NOTIFY_WINDOW_HANDLE);
  return displayNotify_ != nullptr;
}

void Win32SaverHost::WatchSessions() {
  if (window_ == nullptr || wtsapi_ != nullptr) return;
  // wtsapi32 is no known DLL: loaded by full path from the system directory, as winmm is, so
  // the load-time imports stay as they are.
  wtsapi_ = LoadSystemLibrary(L"wtsapi32.dll");
  if (wtsapi_ == nullptr) return;
  using Register = BOOL(WINAPI*)(HWND, DWORD);
  auto reg = OptionalFunction<Register>(wtsapi_, "WTSRegisterSessionNotification");
  sessionsWatched_ = reg != nullptr && reg(window_, NOTIFY_FOR_THIS_SESSION) != FALSE;
}

void Win32SaverHost::StopWatching() {
  if (displayNotify_ != nullptr) {
    using Unregister = BOOL(WINAPI*)(HPOWERNOTIFY);
    auto unregister =
        OptionalFunction<Unregister>(L"user32.dll", "UnregisterPowerSettingNotification");
    if (unregister != nullptr) unregister(displayNotify_);
    displayNotify_ = nullptr;
  }
  if (wtsapi_ == nullptr) return;
  if (sessionsWatched_) {
    using Unregister = BOOL(WINAPI*)(HWND);
    auto unregister = OptionalFunction<Unregister>(wtsapi_, "WTSUnRegisterSessionNotification");
    if (unregister != nullptr) unregister(window_);
    sessionsWatched_ = false;
  }
  FreeLibrary(wtsapi_);
  wtsapi_ = nullptr;
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
