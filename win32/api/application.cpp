// The application object and its message loop.
#include "win32/api/application.h"

#include "win32/api/form.h"
#include "win32/app_title.h"

namespace vellicord {

namespace {

constexpr wchar_t kAppClass[] = L"TApplication";

class Win32LoopPort final : public LoopPort {
 public:
  WaitResult Wait(const std::vector<WaitHandle>& handles) override {
    static_assert(sizeof(WaitHandle) == sizeof(HANDLE), "a wait handle holds a HANDLE");
    const DWORD count = static_cast<DWORD>(handles.size());
    // MWMO_INPUTAVAILABLE: wake for messages already in the queue too, not only new ones.
    const DWORD r =
        MsgWaitForMultipleObjectsEx(count, reinterpret_cast<const HANDLE*>(handles.data()),
                                    INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (r == WAIT_FAILED) return {WaitKind::Failed, 0};
    if (r < WAIT_OBJECT_0 + count) return {WaitKind::Signalled, r - WAIT_OBJECT_0};
    return {WaitKind::Messages, 0};
  }
  void WaitMessage() override { ::WaitMessage(); }
  bool DispatchPending() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return false;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return true;
  }
};

}  // namespace

LRESULT CALLBACK TApplication::AppProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    TApplication& app = Instance();
    const auto found = app.timers_.find(wParam);
    if (found != app.timers_.end()) {
      // A copy: the callback may stop its own timer.
      std::function<void()> callback = found->second;
      callback();
    }
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TApplication& TApplication::Instance() {
  static TApplication app;
  return app;
}

TApplication::TApplication() {
  wchar_t path[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  title_ = ProgramTitle(path, [](const std::wstring& shortPath) {
    wchar_t full[MAX_PATH] = {};
    const DWORD n = GetLongPathNameW(shortPath.c_str(), full, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(full, n) : std::wstring();
  });
}

HWND TApplication::Handle() {
  if (handle_ != nullptr) return handle_;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = AppProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
  wc.lpszClassName = kAppClass;
  RegisterClassW(&wc);
  // A zero-sized captioned pop-up that is never shown: it owns the forms, and its title is the
  // one the host's task switcher would show.
  handle_ = CreateWindowExW(0, kAppClass, title_.c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
  return handle_;
}

void TApplication::SetTitle(const std::wstring& title) {
  title_ = title;
  if (handle_ != nullptr) SetWindowTextW(handle_, title_.c_str());
}

void TApplication::Terminate() {
  if (!loop_.Terminated()) PostQuitMessage(0);
  loop_.Terminate();
}

bool TApplication::AddWaitable(HANDLE handle, std::function<void()> onSignal,
                               std::function<void()> onWaitFailed) {
  return loop_.Add(reinterpret_cast<WaitHandle>(handle), std::move(onSignal),
                   std::move(onWaitFailed));
}

void TApplication::RemoveWaitable(HANDLE handle) {
  loop_.Remove(reinterpret_cast<WaitHandle>(handle));
}

UINT_PTR TApplication::StartTimer(UINT intervalMs, std::function<void()> onTimer) {
  const UINT_PTR id = nextTimer_++;
  if (SetTimer(Handle(), id, intervalMs, nullptr) == 0) return 0;
  timers_[id] = std::move(onTimer);
  return id;
}

void TApplication::StopTimer(UINT_PTR id) {
  KillTimer(Handle(), id);
  timers_.erase(id);
}

void TApplication::Run(int showCommand) {
  if (loop_.Terminated()) return;
  if (mainForm_ != nullptr) mainForm_->Show(showCommand);
  Win32LoopPort port;
  loop_.Run(port);
}

}  // namespace vellicord
