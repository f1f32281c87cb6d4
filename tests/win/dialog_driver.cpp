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
#include <functional>
#include <string>
#include <vector>

#include "tests/support/win32/driver_support.h"

namespace {

using namespace vellicord::drive;

constexpr wchar_t kDialogClass[] = L"TScrnSaveSetupDlg";

std::string Text(HWND hwnd) {
  return Utf8(TextOf(hwnd));
}

std::string Name(const SetupDialog& d, HWND hwnd) {
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
                Utf8(ClassOf(c)).c_str(), Text(c).c_str(), r.left, r.top, r.right - r.left,
                r.bottom - r.top, static_cast<unsigned long>(style),
                static_cast<unsigned long>(ex));
    DumpTree(c, depth + 1);
  }
}

void PrintState(const SetupDialog& d) {
  std::printf("state speed=%d period=%d colour=%s number=%d width=%d\n",
              SetupDialog::CheckedIndex(d.speed), SetupDialog::CheckedIndex(d.period),
              d.Colour().c_str(), d.Position(d.number), d.Position(d.width));
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

// A key pressed and released in the dialog's own loop; waits until handled() shows its effect
// (a key that has none is then seen in what the driver prints next).
void Key(HWND window, WPARAM key, const std::function<bool()>& handled) {
  HWND target = FocusOf(window);
  if (target == nullptr) target = window;
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, 0xC0000001);
  WaitUntil(handled, 2000);
}

bool Answers(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
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
  ForEachValue(key, [](const char* name, DWORD type, const BYTE* data, DWORD size) {
    std::printf("reg %s type=%lu size=%lu hex=", name, static_cast<unsigned long>(type),
                static_cast<unsigned long>(size));
    for (DWORD b = 0; b < size; ++b) std::printf("%02x", data[b]);
    std::printf("\n");
  });
  RegCloseKey(key);
}

// "Name:type:hexbytes" into the section.
bool RegPut(const std::string& entry) {
  const size_t a = entry.find(':'), b = entry.find(':', a + 1);
  if (a == std::string::npos || b == std::string::npos) return false;
  const DWORD type = std::strtoul(entry.substr(a + 1, b - a - 1).c_str(), nullptr, 10);
  const std::string hex = entry.substr(b + 1);
  std::string data;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    data += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
  }
  return PutValue(kSectionKey, entry.substr(0, a), type, data);
}

// What the steps share: the owner playing the display settings, the saver and its dialog.
struct Session {
  std::wstring scr;
  HWND owner = nullptr;
  Process saver;
  SetupDialog dialog;
};

// The owner: a visible window of this process, in the foreground when the dialog starts.
bool StartWithOwner(Session& s, const std::string& switches) {
  s.owner =
      MakeWindow(L"DialogDriverOwner", L"Display settings", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200);
  ShowWindow(s.owner, SW_SHOW);
  SetForegroundWindow(s.owner);
  WaitUntil([&] { return GetForegroundWindow() == s.owner; }, 2000);
  std::printf("owner foreground=%d\n", GetForegroundWindow() == s.owner);
  return Check(s.saver.Start(s.scr, vellicord::Utf8ToWide(switches)), "start");
}

bool ReadErrorBox(const Session& s) {
  HWND box = WaitForVisible(s.saver.Id(), L"#32770", 15000);
  if (!Check(box != nullptr, "error box")) return false;
  std::printf("errorbox caption='%s' text='%s'\n", Text(box).c_str(),
              Utf8(BoxMessage(box)).c_str());
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return Check(WaitUntil([&] { return !IsWindow(box); }, 5000), "error box closes");
}

bool OpenDialog(Session& s) {
  SetupDialog& d = s.dialog;
  d.window = WaitForVisible(s.saver.Id(), kDialogClass, 15000);
  if (!Check(d.window != nullptr, "dialog")) return false;
  // Shown, its thread back in its loop, its controls there and one of them focused.
  Check(Answers(d.window), "dialog answers");
  Check(WaitUntil([&] { return d.Find() && FocusOf(d.window) != nullptr; }, 5000),
        "dialog controls");
  RECT client, window;
  GetClientRect(d.window, &client);
  GetWindowRect(d.window, &window);
  const LONG style = GetWindowLongW(d.window, GWL_STYLE);
  std::printf("dialog caption='%s' client=%ldx%ld centred=%d owned=%d owner-enabled=%d\n",
              Text(d.window).c_str(), client.right, client.bottom,
              window.left == (GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left)) / 2,
              GetWindow(d.window, GW_OWNER) == s.owner, IsWindowEnabled(s.owner) ? 1 : 0);
  std::printf("dialog caption-bar=%d sysmenu=%d minimize=%d maximize=%d thickframe=%d\n",
              (style & WS_CAPTION) == WS_CAPTION, (style & WS_SYSMENU) != 0,
              (style & WS_MINIMIZEBOX) != 0, (style & WS_MAXIMIZEBOX) != 0,
              (style & WS_THICKFRAME) != 0);
  return true;
}

void PrintTrackBars(const SetupDialog& d) {
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
}

// Real Tab presses through the dialog's own loop, from the first control round again.
void PrintTabs(const SetupDialog& d) {
  std::printf("tabs %s", Name(d, FocusOf(d.window)).c_str());
  for (int n = 0; n < 8; ++n) {
    HWND before = FocusOf(d.window);
    Key(d.window, VK_TAB, [&] { return FocusOf(d.window) != before; });
    std::printf(" %s", Name(d, FocusOf(d.window)).c_str());
  }
  std::printf("\n");
}

// The dialog re-enables this process's window on its way out, which waits for this thread to
// take the message: the wait keeps pumping.
void WaitForExit(Session& s) {
  const bool ended = s.saver.ExitsWithin(15000) >= 0;
  std::printf("exit ended=%d owner-enabled=%d\n", ended ? 1 : 0, IsWindowEnabled(s.owner) ? 1 : 0);
  if (!ended) {
    TerminateProcess(s.saver.Handle(), 1);
    Check(false, "exit");
  }
}

// One step; false when the rest can't go on.
bool Step(Session& s, const std::string& verb, const std::string& arg) {
  SetupDialog& d = s.dialog;
  if (verb == "reg-clear") {
    ClearStore();
  } else if (verb == "reg-put") {
    Check(RegPut(arg), "reg-put " + arg);
  } else if (verb == "reg-dump") {
    RegDump();
  } else if (verb == "start") {
    return StartWithOwner(s, arg);
  } else if (verb == "errorbox") {
    ReadErrorBox(s);
  } else if (verb == "dialog") {
    return OpenDialog(s);
  } else if (verb == "dump") {
    DumpTree(d.window, 0);
  } else if (verb == "trackbars") {
    PrintTrackBars(d);
  } else if (verb == "tabs") {
    PrintTabs(d);
  } else if (verb == "state") {
    PrintState(d);
  } else if (verb == "speed" || verb == "period") {
    std::vector<HWND> items = Children(verb == "speed" ? d.speed : d.period);
    SendMessageW(items.at(std::strtoul(arg.c_str(), nullptr, 10)), BM_CLICK, 0, 0);
  } else if (verb == "colour") {
    for (HWND c : Children(d.colour)) {
      if (Text(c) == arg) SendMessageW(c, BM_CLICK, 0, 0);
    }
  } else if (verb == "number" || verb == "width") {
    MoveTrackBar(verb == "number" ? d.number : d.width, std::atoi(arg.c_str()));
  } else if (verb == "ok") {
    SendMessageW(d.ok, BM_CLICK, 0, 0);
  } else if (verb == "cancel") {
    SendMessageW(d.cancel, BM_CLICK, 0, 0);
  } else if (verb == "enter" || verb == "esc") {
    Key(d.window, verb == "enter" ? VK_RETURN : VK_ESCAPE,
        [&] { return !IsWindowVisible(d.window); });
  } else if (verb == "close") {
    PostMessageW(d.window, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (verb == "exit") {
    WaitForExit(s);
  } else if (verb == "active") {
    // Windows activates the next window as the dialog hides: it must be the owner again.
    std::printf("owner active=%d\n", GetForegroundWindow() == s.owner ? 1 : 0);
  } else if (verb == "dpi") {
    // What Windows sends when the dialog is dragged onto a monitor of another scaling; no
    // suggested rectangle, which this process couldn't hand over anyway.
    const WORD dpi = static_cast<WORD>(std::atoi(arg.c_str()));
    DWORD_PTR result = 0;
    Check(SendMessageTimeoutW(d.window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0, SMTO_ABORTIFHUNG,
                              5000, &result) != 0,
          "WM_DPICHANGED handled");
  } else {
    Check(false, "unknown step " + verb);
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: dialog_driver <Vellicord2.scr> step...\n");
    return 2;
  }
  // Only the findings are printed; a check shows up only when it fails.
  Checks().verbose = false;
  Session s;
  s.scr = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string step = Utf8(argv[i]);
    const size_t colon = step.find(':');
    const std::string arg = colon == std::string::npos ? "" : step.substr(colon + 1);
    const bool goOn = Step(s, step.substr(0, colon), arg);
    std::fflush(stdout);
    if (!goOn) return 1;
  }
  if (s.owner) DestroyWindow(s.owner);
  return Checks().failures == 0 ? 0 : 1;
}
