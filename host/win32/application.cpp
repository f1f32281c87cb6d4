// The application object and its message loop.
#include "host/win32/application.h"

#include "host/app_title.h"
#include "host/win32/form.h"

namespace vellicord {

namespace {

constexpr wchar_t kAppClass[] = L"TApplication";

LRESULT CALLBACK AppProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

TApplication& TApplication::Instance() {
  static TApplication app;
  return app;
}

TApplication::TApplication() {
  wchar_t path[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  title_ = DefaultTitle(path);
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
  if (!terminated_) PostQuitMessage(0);
  terminated_ = true;
}

void TApplication::AddWaitable(HANDLE handle, std::function<void()> onSignal) {
  RemoveWaitable(handle);
  waitHandles_.push_back(handle);
  waitCallbacks_.push_back(std::move(onSignal));
}

void TApplication::RemoveWaitable(HANDLE handle) {
  for (size_t i = 0; i < waitHandles_.size(); ++i) {
    if (waitHandles_[i] == handle) {
      waitHandles_.erase(waitHandles_.begin() + static_cast<ptrdiff_t>(i));
      waitCallbacks_.erase(waitCallbacks_.begin() + static_cast<ptrdiff_t>(i));
      return;
    }
  }
}

void TApplication::DispatchPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TApplication::Run(int showCommand) {
  if (terminated_) return;
  if (mainForm_ != nullptr) mainForm_->Show(showCommand);
  while (!terminated_) {
    const DWORD count = static_cast<DWORD>(waitHandles_.size());
    // MWMO_INPUTAVAILABLE: wake for messages already in the queue too, not only new ones.
    const DWORD r = MsgWaitForMultipleObjectsEx(count, waitHandles_.data(), INFINITE, QS_ALLINPUT,
                                                MWMO_INPUTAVAILABLE);
    if (r < WAIT_OBJECT_0 + count && !inWaitCallback_) {
      inWaitCallback_ = true;
      // A copy: the callback may remove its own handle.
      std::function<void()> callback = waitCallbacks_[r - WAIT_OBJECT_0];
      callback();
      inWaitCallback_ = false;
    }
    // Messages go after every signal too, so a busy timer can't starve input.
    DispatchPending();
  }
}

}  // namespace vellicord
