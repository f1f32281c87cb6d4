// Drives Vellicord2.scr's setup dialog from outside, as the display settings would: an owner
// window of its own in the foreground, the dialog's controls read and worked through their own
// messages, and the registry read raw. Prints what it finds; the calling script compares.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// commctrl.h needs the types of windows.h first.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/win/driver_support.h"

namespace {

using vellicord::drive::Utf8;
using vellicord::drive::Wide;

constexpr wchar_t kDialogClass[] = L"TScrnSaveSetupDlg";
constexpr char kSectionKey[] = "Vellicord2\\Vellicord2";

std::string Text(HWND hwnd) {
  wchar_t buf[512] = {};
  // WM_GETTEXT crosses processes with the text copied, unlike GetWindowText on a foreign child.
  SendMessageW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf));
  return Utf8(buf);
}

std::string ClassOf(HWND hwnd) {
  wchar_t buf[128] = {};
  GetClassNameW(hwnd, buf, 128);
  return Utf8(buf);
}

void Pump(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

struct FindTopLevel {
  DWORD pid;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK FindProc(HWND hwnd, LPARAM lParam) {
  auto* f = reinterpret_cast<FindTopLevel*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[128] = {};
  GetClassNameW(hwnd, cls, 128);
  if (pid == f->pid && lstrcmpW(cls, f->className) == 0 && IsWindowVisible(hwnd)) {
    f->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND WaitFor(DWORD pid, const wchar_t* className, DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  do {
    FindTopLevel f = {pid, className, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&f));
    if (f.found) return f.found;
    Pump(50);
  } while (static_cast<int>(end - GetTickCount()) > 0);
  return nullptr;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

HWND ChildWithText(HWND parent, const std::string& text) {
  for (HWND c : Children(parent)) {
    if (Text(c) == text) return c;
  }
  return nullptr;
}

// The dialog's parts, found by their captions.
struct Dialog {
  HWND window = nullptr;
  HWND ok = nullptr, cancel = nullptr, speed = nullptr, period = nullptr, colour = nullptr;
  HWND number = nullptr, width = nullptr;

  void Find() {
    ok = ChildWithText(window, "OK");
    cancel = ChildWithText(window, "ｷｬﾝｾﾙ");
    speed = ChildWithText(window, "Spped");
    period = ChildWithText(window, "Complexity");
    colour = ChildWithText(window, "Background Color");
    HWND lines = ChildWithText(window, "The Number of Lines");
    HWND widths = ChildWithText(window, "Width of Lines");
    number = lines ? FindWindowExW(lines, nullptr, TRACKBAR_CLASSW, nullptr) : nullptr;
    width = widths ? FindWindowExW(widths, nullptr, TRACKBAR_CLASSW, nullptr) : nullptr;
  }
  bool Complete() const { return ok && cancel && speed && period && colour && number && width; }
};

int CheckedIndex(HWND group) {
  std::vector<HWND> items = Children(group);
  for (size_t i = 0; i < items.size(); ++i) {
    if (SendMessageW(items[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return static_cast<int>(i);
  }
  return -1;
}

std::string Name(const Dialog& d, HWND hwnd) {
  if (hwnd == nullptr) return "(none)";
  if (hwnd == d.number) return "TBNumber";
  if (hwnd == d.width) return "TBwidth";
  HWND parent = GetParent(hwnd);
  if (parent == d.speed || parent == d.period) {
    std::vector<HWND> items = Children(parent);
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i] == hwnd)
        return (parent == d.speed ? "SpeedBox[" : "PeriodBox[") + std::to_string(i) + "]";
    }
  }
  return "'" + Text(hwnd) + "'";
}

void DumpTree(HWND parent, int depth) {
  for (HWND c : Children(parent)) {
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    const LONG style = GetWindowLongW(c, GWL_STYLE);
    const LONG ex = GetWindowLongW(c, GWL_EXSTYLE);
    std::printf("%*s%s '%s' %ld,%ld %ldx%ld style=%08lx ex=%08lx\n", depth * 2, "",
                ClassOf(c).c_str(), Text(c).c_str(), r.left, r.top, r.right - r.left,
                r.bottom - r.top, static_cast<unsigned long>(style),
                static_cast<unsigned long>(ex));
    DumpTree(c, depth + 1);
  }
}

void PrintState(const Dialog& d) {
  std::vector<HWND> colours = Children(d.colour);
  std::string colour = "none";
  for (HWND c : colours) {
    if (SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED) colour = Text(c);
  }
  std::printf("state speed=%d period=%d colour=%s number=%d width=%d\n", CheckedIndex(d.speed),
              CheckedIndex(d.period), colour.c_str(),
              static_cast<int>(SendMessageW(d.number, TBM_GETPOS, 0, 0)),
              static_cast<int>(SendMessageW(d.width, TBM_GETPOS, 0, 0)));
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

void Key(HWND window, WPARAM key) {
  HWND target = FocusOf(window);
  if (target == nullptr) target = window;
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, 0xC0000001);
  Pump(150);
}

void MoveTrackBar(HWND bar, int position) {
  SendMessageW(bar, TBM_SETPOS, TRUE, position);
  SendMessageW(GetParent(bar), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
               reinterpret_cast<LPARAM>(bar));
}

void RegDump() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSectionKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    std::printf("reg (no section)\n");
    return;
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameLen = sizeof(name), type = 0, size = 0;
    BYTE data[1024];
    size = sizeof(data);
    if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    std::printf("reg %s type=%lu size=%lu hex=", name, static_cast<unsigned long>(type),
                static_cast<unsigned long>(size));
    for (DWORD b = 0; b < size; ++b) std::printf("%02x", data[b]);
    std::printf("\n");
  }
  RegCloseKey(key);
}

// "Name:type:hexbytes" into the section.
bool RegPut(const std::string& entry) {
  const size_t a = entry.find(':'), b = entry.find(':', a + 1);
  if (a == std::string::npos || b == std::string::npos) return false;
  const std::string name = entry.substr(0, a);
  const DWORD type = std::strtoul(entry.substr(a + 1, b - a - 1).c_str(), nullptr, 10);
  const std::string hex = entry.substr(b + 1);
  std::vector<BYTE> data;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    data.push_back(static_cast<BYTE>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSectionKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG status =
      RegSetValueExA(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: dialog_driver <Vellicord2.scr> step...\n");
    return 2;
  }
  const std::wstring scr = argv[1];
  HWND owner = nullptr;
  PROCESS_INFORMATION process = {};
  Dialog d;
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string step = Utf8(argv[i]);
    const size_t colon = step.find(':');
    const std::string verb = step.substr(0, colon);
    const std::string arg = colon == std::string::npos ? "" : step.substr(colon + 1);
    if (verb == "reg-clear") {
      RegDeleteTreeA(HKEY_CURRENT_USER, "Vellicord2");
      RegDeleteKeyA(HKEY_CURRENT_USER, "Vellicord2");
    } else if (verb == "reg-put") {
      if (!RegPut(arg)) std::printf("FAIL reg-put %s\n", arg.c_str()), ++failures;
    } else if (verb == "reg-dump") {
      RegDump();
    } else if (verb == "start") {
      // The owner: a visible window of this process, in the foreground when the dialog starts.
      WNDCLASSW wc = {};
      wc.lpfnWndProc = OwnerProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"DialogDriverOwner";
      RegisterClassW(&wc);
      owner = CreateWindowExW(0, wc.lpszClassName, L"Display settings", WS_OVERLAPPEDWINDOW, 0, 0,
                              300, 200, nullptr, nullptr, wc.hInstance, nullptr);
      ShowWindow(owner, SW_SHOW);
      SetForegroundWindow(owner);
      Pump(200);
      std::printf("owner foreground=%d\n", GetForegroundWindow() == owner);
      std::wstring cmd = L"\"" + scr + L"\"" + (arg.empty() ? L"" : L" " + Wide(arg));
      STARTUPINFOW si = {};
      si.cb = sizeof(si);
      if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &process)) {
        std::printf("FAIL could not start\n");
        return 1;
      }
    } else if (verb == "errorbox") {
      HWND box = WaitFor(process.dwProcessId, L"#32770", 15000);
      if (box == nullptr) {
        std::printf("FAIL no error box\n");
        ++failures;
        continue;
      }
      std::string text;
      for (HWND c : Children(box)) {
        if (ClassOf(c) == "Static" && !Text(c).empty()) text = Text(c);
      }
      std::printf("errorbox caption='%s' text='%s'\n", Text(box).c_str(), text.c_str());
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      Pump(300);
    } else if (verb == "dialog") {
      d.window = WaitFor(process.dwProcessId, kDialogClass, 15000);
      if (d.window == nullptr) {
        std::printf("FAIL no dialog\n");
        return 1;
      }
      Pump(300);
      d.Find();
      if (!d.Complete()) std::printf("FAIL controls missing\n"), ++failures;
      RECT client, window;
      GetClientRect(d.window, &client);
      GetWindowRect(d.window, &window);
      const LONG style = GetWindowLongW(d.window, GWL_STYLE);
      std::printf("dialog caption='%s' client=%ldx%ld centred=%d owned=%d owner-enabled=%d\n",
                  Text(d.window).c_str(), client.right, client.bottom,
                  window.left == (GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left)) / 2,
                  GetWindow(d.window, GW_OWNER) == owner, IsWindowEnabled(owner) ? 1 : 0);
      std::printf("dialog caption-bar=%d sysmenu=%d minimize=%d maximize=%d thickframe=%d\n",
                  (style & WS_CAPTION) == WS_CAPTION, (style & WS_SYSMENU) != 0,
                  (style & WS_MINIMIZEBOX) != 0, (style & WS_MAXIMIZEBOX) != 0,
                  (style & WS_THICKFRAME) != 0);
    } else if (verb == "dump") {
      DumpTree(d.window, 0);
    } else if (verb == "trackbars") {
      for (HWND bar : {d.number, d.width}) {
        std::printf("trackbar min=%d max=%d line=%d page=%d thumb=%d tics=%d style=%08lx\n",
                    static_cast<int>(SendMessageW(bar, TBM_GETRANGEMIN, 0, 0)),
                    static_cast<int>(SendMessageW(bar, TBM_GETRANGEMAX, 0, 0)),
                    static_cast<int>(SendMessageW(bar, TBM_GETLINESIZE, 0, 0)),
                    static_cast<int>(SendMessageW(bar, TBM_GETPAGESIZE, 0, 0)),
                    static_cast<int>(SendMessageW(bar, TBM_GETTHUMBLENGTH, 0, 0)),
                    static_cast<int>(SendMessageW(bar, TBM_GETNUMTICS, 0, 0)),
                    static_cast<unsigned long>(GetWindowLongW(bar, GWL_STYLE)));
      }
    } else if (verb == "tabs") {
      // Real Tab presses through the dialog's own loop, from the first control round again.
      std::printf("tabs %s", Name(d, FocusOf(d.window)).c_str());
      for (int n = 0; n < 8; ++n) {
        Key(d.window, VK_TAB);
        std::printf(" %s", Name(d, FocusOf(d.window)).c_str());
      }
      std::printf("\n");
    } else if (verb == "state") {
      PrintState(d);
    } else if (verb == "speed" || verb == "period") {
      std::vector<HWND> items = Children(verb == "speed" ? d.speed : d.period);
      SendMessageW(items.at(std::strtoul(arg.c_str(), nullptr, 10)), BM_CLICK, 0, 0);
    } else if (verb == "colour") {
      SendMessageW(ChildWithText(d.colour, arg), BM_CLICK, 0, 0);
    } else if (verb == "number" || verb == "width") {
      MoveTrackBar(verb == "number" ? d.number : d.width, std::atoi(arg.c_str()));
    } else if (verb == "ok") {
      SendMessageW(d.ok, BM_CLICK, 0, 0);
    } else if (verb == "cancel") {
      SendMessageW(d.cancel, BM_CLICK, 0, 0);
    } else if (verb == "enter") {
      Key(d.window, VK_RETURN);
    } else if (verb == "esc") {
      Key(d.window, VK_ESCAPE);
    } else if (verb == "close") {
      PostMessageW(d.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (verb == "exit") {
      // The dialog re-enables this process's window on its way out, which waits for this
      // thread to take the message: keep pumping while waiting.
      DWORD waited = WAIT_TIMEOUT;
      const DWORD end = GetTickCount() + 15000;
      while (static_cast<int>(end - GetTickCount()) > 0) {
        waited = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT);
        if (waited == WAIT_OBJECT_0) break;
        Pump(0);
      }
      std::printf("exit ended=%d owner-enabled=%d\n", waited == WAIT_OBJECT_0,
                  IsWindowEnabled(owner) ? 1 : 0);
      if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1), ++failures;
    } else if (verb == "dpi") {
      // What Windows sends when the dialog is dragged onto a monitor of another scaling; no
      // suggested rectangle, which this process couldn't hand over anyway.
      const WORD dpi = static_cast<WORD>(std::atoi(arg.c_str()));
      PostMessageW(d.window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
      Pump(300);
    } else if (verb == "sleep") {
      Pump(static_cast<DWORD>(std::atoi(arg.c_str())));
    } else {
      std::printf("FAIL unknown step %s\n", step.c_str());
      ++failures;
    }
    std::fflush(stdout);
  }
  if (owner) DestroyWindow(owner);
  return failures == 0 ? 0 : 1;
}
