// Vellicord2.scr's entry: the host's command line, the mode, and each mode's Win32 work.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <memory>

#include "win32/api/application.h"
#include "win32/api/saver_window_win32.h"
#include "win32/api/system_library.h"
#include "win32/command_line.h"
#include "win32/program.h"
#include "win32/settings/setup_dialog.h"

namespace vellicord {
namespace {

class Win32ProgramHost final : public ProgramHost {
 public:
  void HideApplicationWindow() override { ShowWindow(TApplication::Instance().Handle(), SW_HIDE); }
  void SetTitle(const std::wstring& title) override { TApplication::Instance().SetTitle(title); }
  int RunSetupDialog() override { return vellicord::RunSetupDialog(); }

  void RunSaver(NativeWindow previewParent) override {
    TApplication& app = TApplication::Instance();
    app.Handle();
    // Half a megabyte of trail ring: on the heap, not the 1 MB main-thread stack.
    auto window = std::make_unique<TScreenSaverWindow>(previewParent);
    // Creation runs before the native window exists, as the form's handlers expect.
    window->Form().FormCreate();
    if (app.Terminated()) return;
    app.SetMainForm(window.get());
    if (!window->CreateHandle()) return;
    app.Run(window->Form().Preview() ? SW_SHOWNORMAL : SW_SHOWMAXIMIZED);
    // The process ends next and takes the window with it. Destroying it here first would hide
    // a managed X11 window, which under Wine waits two seconds for a window manager that may
    // not be there.
    window.release();
  }

  std::string SystemDirectory() override {
    char dir[260] = {};
    const UINT n = GetSystemDirectoryA(dir, 260);
    return n < 260 ? std::string(dir, n) : std::string();
  }
  LibraryHandle LoadLibrary(const std::string& path) override {
    return reinterpret_cast<LibraryHandle>(LoadLibraryA(path.c_str()));
  }
  bool CallChangePassword(LibraryHandle library, NativeWindow parent) override {
    using PwdChangePassword = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    auto change = OptionalFunction<PwdChangePassword>(reinterpret_cast<HMODULE>(library),
                                                      "PwdChangePasswordA");
    if (change == nullptr) return false;
    change("SCRSAVE", ToHwnd(parent), 0, nullptr);
    return true;
  }
  void FreeLibrary(LibraryHandle library) override {
    ::FreeLibrary(reinterpret_cast<HMODULE>(library));
  }
};

}  // namespace
}  // namespace vellicord

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // A .scr is often started from where it was downloaded: no DLL may come from that folder.
  vellicord::KeepDllSearchToSystem();
  vellicord::Win32ProgramHost host;
  vellicord::RunProgram(vellicord::SplitCommandLine(GetCommandLineW()), host);
  return 0;
}
