// Plays the Windows host for Vellicord2.scr under Wine: starts it in a mode, finds its windows,
// reads styles, rectangles, screen pixels and the error box, and sends it input.
// Usage: vellicord2-driver <scenario> <scr path> [args]; prints one line per check, exit 0 = pass.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/win32/driver_support.h"
#include "win32/api/tick_counters_win32.h"

namespace {

using namespace vellicord::drive;

bool Start(Process& saver, const std::wstring& scr, const std::wstring& args) {
  return Check(saver.Start(scr, args), "saver started", Utf8(args));
}

HWND FindSaverWindow(const Process& s) {
  HWND h = WaitForVisible(s.Id(), L"TScreenSaverForm", 20000);
  Check(h != nullptr, "saver window appeared");
  return h;
}

// Starts the saver and waits for its window; null when either fails.
HWND StartAndFind(Process& s, const std::wstring& scr, const std::wstring& args) {
  return Start(s, scr, args) ? FindSaverWindow(s) : nullptr;
}

// The whole screen as 32-bit pixels, read back through the screen DC.
struct Screen {
  int w = 0, h = 0;
  std::vector<uint32_t> px;
  uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * w + x] & 0xFFFFFF; }
};

Screen Grab() {
  Screen s;
  s.w = GetSystemMetrics(SM_CXSCREEN);
  s.h = GetSystemMetrics(SM_CYSCREEN);
  DibCanvas shot(s.w, s.h);
  HDC screen = GetDC(nullptr);
  shot.CopyFrom(screen, 0, 0);
  ReleaseDC(nullptr, screen);
  s.px.assign(shot.Bits(), shot.Bits() + static_cast<size_t>(s.w) * s.h);
  return s;
}

struct Box {
  int x0, y0, x1, y1;  // the frame's rectangle, end exclusive
};

Box MiddleBox(int w, int h) {
  const int height = static_cast<int>(std::lround(h * 0.85));
  const int width = height - 1;
  return {(w - width) / 2, (h - height) / 2, (w - width) / 2 + width, (h - height) / 2 + height};
}

// Pixels differing from bg inside the box, and outside it.
void CountPixels(const Screen& s, uint32_t bg, const Box& b, long& inside, long& outside) {
  inside = outside = 0;
  for (int y = 0; y < s.h; ++y) {
    for (int x = 0; x < s.w; ++x) {
      if (s.At(x, y) == bg) continue;
      (x >= b.x0 && x < b.x1 && y >= b.y0 && y < b.y1 ? inside : outside)++;
    }
  }
}

std::string Hex(uint64_t v) {
  char b[32];
  std::snprintf(b, sizeof b, "0x%llX", static_cast<unsigned long long>(v));
  return b;
}

void CheckRunWindow(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  Check(r.left == 0 && r.top == 0 && r.right == sw && r.bottom == sh, "covers the screen",
        std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
  const LONG ex = GetWindowLongW(h, GWL_EXSTYLE), style = GetWindowLongW(h, GWL_STYLE);
  Check((ex & WS_EX_TOPMOST) != 0, "topmost", Hex(static_cast<DWORD>(ex)));
  Check((style & WS_POPUP) != 0 && (style & (WS_CHILD | WS_CAPTION | WS_THICKFRAME)) == 0,
        "borderless pop-up", Hex(static_cast<DWORD>(style)));
  Check(GetClassLongW(h, GCL_STYLE) == CS_DBLCLKS, "class style CS_DBLCLKS",
        Hex(GetClassLongW(h, GCL_STYLE)));
  Check(GetWindow(h, GW_OWNER) != nullptr, "owned by the application window");
}

int Run(const std::wstring& scr, const std::string& bgName) {
  const uint32_t bg = bgName == "white" ? 0xFFFFFF : 0x000000;
  // The pointer rests where the moves below are reported, so a move the host itself sends
  // when the window appears reports the same place.
  SetCursorPos(300, 200);
  Process s;
  HWND h = StartAndFind(s, scr, L"/s");
  if (h == nullptr) return 1;
  CheckRunWindow(h);
  int visible = 0;
  for (HWND w : TopWindows(s.Id())) visible += IsWindowVisible(w) ? 1 : 0;
  Check(visible == 1, "one visible window", std::to_string(visible));
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  const Box box = MiddleBox(sw, sh);
  long inside = 0, outside = 0;
  // Painted once the corners show the background; drawn once the box holds curve pixels.
  WaitUntil(
      [&] {
        const Screen shot = Grab();
        CountPixels(shot, bg, box, inside, outside);
        return shot.At(0, 0) == bg && shot.At(sw - 1, sh - 1) == bg && inside > 200 &&
               inside < static_cast<long>(box.x1 - box.x0) * (box.y1 - box.y0) / 2;
      },
      10000);
  Check(inside > 200, "curve pixels in the middle box", std::to_string(inside));
  Check(outside == 0, "rest of the screen is pure background", std::to_string(outside));
  const Screen shot = Grab();
  Check(shot.At(0, 0) == bg && shot.At(sw - 1, sh - 1) == bg && shot.At(box.x0, box.y0) == bg,
        "background colour", Hex(shot.At(0, 0)));

  // The movement rule, delivered synchronously so the handler has run when the call returns.
  DWORD_PTR result = 0;
  SendMessageTimeoutW(h, WM_MOUSEMOVE, 0, MAKELPARAM(300, 200), SMTO_ABORTIFHUNG, 5000, &result);
  Check(TicksOn(s.Id()) && s.Alive(), "first mouse move only records");
  SendMessageTimeoutW(h, WM_MOUSEMOVE, 0, MAKELPARAM(300, 200), SMTO_ABORTIFHUNG, 5000, &result);
  Check(TicksOn(s.Id()) && s.Alive(), "a move to the same place keeps it running");
  PostMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(301, 200));
  const double t = s.ExitsWithin(5000);
  Check(t >= 0, "a move one pixel off closes it", std::to_string(t) + " ms");
  return Checks().failures ? 1 : 0;
}

int Input(const std::wstring& scr) {
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
  } cases[] = {{"key A", WM_KEYDOWN, 'A'},
               {"Alt alone", WM_SYSKEYDOWN, VK_MENU},
               {"right click", WM_RBUTTONDOWN, MK_RBUTTON},
               {"middle click", WM_MBUTTONDOWN, MK_MBUTTON},
               {"left click", WM_LBUTTONDOWN, MK_LBUTTON}};
  for (const Case& c : cases) {
    Process s;
    HWND h = StartAndFind(s, scr, L"/s");
    if (h == nullptr) return 1;
    Check(TicksOn(s.Id()), std::string(c.name) + ": running first");
    PostMessageW(h, c.message, c.wParam, MAKELPARAM(10, 10));
    const double t = s.ExitsWithin(5000);
    Check(t >= 0, c.name, std::to_string(t) + " ms");
  }
  return Checks().failures ? 1 : 0;
}

// Another program taking the activation ends the full-screen saver, as a click on a monitor it
// doesn't cover would.
int Activate(const std::wstring& scr) {
  Process s;
  if (!Start(s, scr, L"/s")) return 1;
  HWND h = FindSaverWindow(s);
  if (h == nullptr) return 1;
  Check(WaitUntil([&] { return GetForegroundWindow() == h; }, 5000) && s.Alive(),
        "the saver has the activation");
  HWND other =
      MakeWindow(L"OtherProgram", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100);
  SetForegroundWindow(other);
  const double t = s.ExitsWithin(5000);
  Check(t >= 0, "another program activated: the saver ends", std::to_string(t) + " ms");
  DestroyWindow(other);
  return Checks().failures ? 1 : 0;
}

int SysCommand(const std::wstring& scr) {
  Process s;
  HWND h = StartAndFind(s, scr, L"/s");
  if (h == nullptr) return 1;
  DWORD_PTR result = 0;
  SendMessageTimeoutW(h, WM_SYSCOMMAND, SC_SCREENSAVE, 0, SMTO_ABORTIFHUNG, 5000, &result);
  Check(result == 1, "SC_SCREENSAVE answers 1", std::to_string(result));
  Check(TicksOn(s.Id()) && s.Alive(), "SC_SCREENSAVE leaves it running");
  PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
  const double t = s.ExitsWithin(5000);
  Check(t >= 0, "SC_CLOSE closes it", std::to_string(t) + " ms");
  return Checks().failures ? 1 : 0;
}

// The counters the saver publishes; false while it publishes none.
bool ReadTicks(const Process& s, vellicord::TickCounters& c) {
  return vellicord::ReadTickCounters(s.Id(), c);
}

struct Watch {
  HWND child;
  long long goneAt;
};

DWORD WINAPI WatchWindowGone(LPVOID p) {
  auto* w = static_cast<Watch*>(p);
  for (int i = 0; i < 2000 && IsWindow(w->child); ++i) Sleep(2);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  w->goneAt = (static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return 0;
}

int Preview(const std::wstring& scr) {
  HWND parent = MakeWindow(L"PreviewHost", L"preview", WS_POPUP | WS_VISIBLE, 100, 100, 152, 112,
                           static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  SetForegroundWindow(parent);
  Pump();
  Process s;
  if (!Start(s, scr, L"/p " + std::to_wstring(reinterpret_cast<uintptr_t>(parent)))) return 1;
  HWND child = nullptr;
  WaitUntil(
      [&] {
        child = GetWindow(parent, GW_CHILD);
        return child != nullptr;
      },
      20000);
  Check(child != nullptr, "child window in the preview host");
  if (child == nullptr) return 1;
  // Created hidden and shown at the end of its creation: read the styles once it is shown.
  WaitUntil([&] { return (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0; }, 5000);
  DWORD pid = 0;
  GetWindowThreadProcessId(child, &pid);
  Check(pid == s.Id(), "child belongs to the saver");
  const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
  Check(style == 0x58000000, "style exactly WS_CHILD|WS_VISIBLE|WS_DISABLED", Hex(style));
  Check(GetClassLongW(child, GCL_STYLE) == CS_PARENTDC, "class style exactly CS_PARENTDC",
        Hex(GetClassLongW(child, GCL_STYLE)));
  Check((GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0, "not topmost");
  RECT pr, cr;
  GetWindowRect(parent, &pr);
  GetWindowRect(child, &cr);
  Check(EqualRect(&pr, &cr) != FALSE, "fills the host",
        std::to_string(cr.right - cr.left) + "x" + std::to_string(cr.bottom - cr.top));
  vellicord::TickCounters v;
  const bool drawing = WaitUntil([&] { return ReadTicks(s, v) && v.Presents >= 10; }, 10000);
  Check(drawing, "frames presented to the preview", std::to_string(v.Presents));
  CURSORINFO ci = {};
  ci.cbSize = sizeof ci;
  GetCursorInfo(&ci);
  Check((ci.flags & CURSOR_SHOWING) != 0, "pointer not hidden");

  // Real input over the preview: the disabled child must not see it.
  SetCursorPos(cr.left + 20, cr.top + 20);
  INPUT in[6] = {};
  in[0].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE;
  in[0].mi.dx = 30;
  in[0].mi.dy = 30;
  in[1].type = INPUT_MOUSE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[2].type = INPUT_MOUSE;
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  in[3].type = INPUT_MOUSE;
  in[3].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  in[4].type = INPUT_MOUSE;
  in[4].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  in[5].type = INPUT_KEYBOARD;
  in[5].ki.wVk = 'A';
  SendInput(6, in, sizeof(INPUT));
  Check(TicksOn(s.Id()) && s.Alive(), "input over the preview is ignored");
  // Posted straight to the disabled child, as another program or an accessibility tool can.
  PostMessageW(child, WM_KEYDOWN, 'A', 0);
  PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(child, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  PostMessageW(child, WM_MOUSEMOVE, 0, MAKELPARAM(50, 50));
  Check(TicksOn(s.Id()) && s.Alive(), "key, click and moves posted to the preview are ignored");

  // DestroyWindow may block here for seconds while Wine waits for a window manager to withdraw
  // the host window, so a second thread notes when the saver's window is gone, and the
  // saver's own exit time is compared with that.
  Watch watch{child, 0};
  HANDLE watcher = CreateThread(nullptr, 0, WatchWindowGone, &watch, 0, nullptr);
  DestroyWindow(parent);
  const bool ended = s.ExitsWithin(5000) >= 0;
  WaitForSingleObject(watcher, 10000);
  CloseHandle(watcher);
  FILETIME created, exited, kernel, user;
  GetProcessTimes(s.Handle(), &created, &exited, &kernel, &user);
  const long long exitAt =
      (static_cast<long long>(exited.dwHighDateTime) << 32) | exited.dwLowDateTime;
  const double ms = static_cast<double>(exitAt - watch.goneAt) / 10000.0;
  Check(ended && ms <= 1000, "destroying the host ends the saver within a second",
        std::to_string(ms) + " ms after its window went");
  return Checks().failures ? 1 : 0;
}

int PreviewNoHandle(const std::wstring& scr) {
  Process s;
  HWND h = StartAndFind(s, scr, L"/p");
  if (h == nullptr) return 1;
  CheckRunWindow(h);
  PostMessageW(h, WM_KEYDOWN, VK_SPACE, 0);
  Check(s.ExitsWithin(5000) >= 0, "closes on a key");
  return Checks().failures ? 1 : 0;
}

int PreviewBadHandle(const std::wstring& scr) {
  Check(!IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(12345))), "12345 names no window");
  Process s;
  if (!Start(s, scr, L"/p 12345")) return 1;
  int shown = 0;
  const double t = s.ExitsWithin(5000);
  for (HWND w : TopWindows(s.Id())) shown += IsWindowVisible(w) ? 1 : 0;
  Check(t >= 0, "ends at once", std::to_string(t) + " ms");
  Check(shown == 0, "shows nothing");
  return Checks().failures ? 1 : 0;
}

int ErrorBox(const std::wstring& scr, const std::wstring& expected) {
  Process s;
  if (!Start(s, scr, L"/s")) return 1;
  HWND box = WaitForVisible(s.Id(), L"#32770", 20000);
  Check(box != nullptr, "error box appeared");
  if (box == nullptr) return 1;
  Check(TextOf(box) == L"Vellicord2", "caption is the application title", Utf8(TextOf(box)));
  const std::wstring message = BoxMessage(box);
  int buttons = 0;
  for (HWND c : Children(box)) buttons += ClassOf(c) == L"Button";
  Check(message == expected, "message text", Utf8(message));
  Check(buttons == 1, "one button", std::to_string(buttons));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  HWND h = FindSaverWindow(s);
  if (h == nullptr) return 1;
  // No timer after a failed read: the window stays black.
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  long inside = 0, outside = 0;
  WaitUntil([&] { return IsWindowVisible(h) && Grab().At(sw / 2, 2) == 0; }, 5000);
  const double end = NowMs() + 1500;
  bool black = true;
  while (NowMs() < end) {
    CountPixels(Grab(), 0x000000, MiddleBox(sw, sh), inside, outside);
    black = black && inside == 0 && outside == 0;
    Idle(100);
  }
  Check(black, "window stays black", std::to_string(inside) + "/" + std::to_string(outside));
  Check(s.Alive(), "still running until input");
  PostMessageW(h, WM_KEYDOWN, 'Q', 0);
  Check(s.ExitsWithin(5000) >= 0, "input closes it");
  return Checks().failures ? 1 : 0;
}

// Starts the full-screen saver, lets it run a moment and closes it: the caller reads the host
// calls it made from Wine's trace (Wine keeps the screen-saver-running state per process, so
// no other process can read it back).
int StartAndClose(const std::wstring& scr) {
  Process s;
  HWND h = StartAndFind(s, scr, L"/s");
  if (h == nullptr) return 1;
  Check(TicksOn(s.Id()), "ticking");
  PostMessageW(h, WM_KEYDOWN, 'Q', 0);
  Check(s.ExitsWithin(5000) >= 0, "closes");
  return Checks().failures ? 1 : 0;
}

int Ticks(const std::wstring& scr, double expectedMs) {
  Process s;
  HWND h = StartAndFind(s, scr, L"/s");
  if (h == nullptr) return 1;
  vellicord::TickCounters a, b;
  if (expectedMs <= 0) {
    Idle(1500);
    const bool read = ReadTicks(s, a);
    Check(read && a.Ticks == 0, "no ticks at interval 0",
          read ? std::to_string(a.Ticks) : "no counters published");
  } else {
    // Settle, then measure from outside over three seconds, and from the ticks' own times.
    Check(WaitUntil([&] { return ReadTicks(s, a) && a.Ticks >= 20; }, 10000), "ticking");
    ReadTicks(s, a);
    const double t0 = NowMs();
    Idle(3000);
    ReadTicks(s, b);
    const double t1 = NowMs();
    const double outside = (t1 - t0) / static_cast<double>(b.Ticks - a.Ticks);
    const double inside =
        static_cast<double>(b.LastUs - a.LastUs) / 1000.0 / static_cast<double>(b.Ticks - a.Ticks);
    char detail[128];
    std::snprintf(detail, sizeof detail,
                  "asked %.0f ms, mean %.3f ms (ticks' own times), %.3f ms (outside), %lld ticks",
                  expectedMs, inside, outside, static_cast<long long>(b.Ticks - a.Ticks));
    Check(std::fabs(inside - expectedMs) <= expectedMs * 0.05, "mean interval within 5%", detail);
    Check(std::fabs(outside - expectedMs) <= expectedMs * 0.05, "rate seen from outside within 5%");
    Check(b.Presents >= b.Ticks - 1, "every tick presents a frame", std::to_string(b.Presents));
  }
  PostMessageW(h, WM_KEYDOWN, 'Q', 0);
  Check(s.ExitsWithin(5000) >= 0, "closes");
  return Checks().failures ? 1 : 0;
}

BOOL CALLBACK AddMonitorRect(HMONITOR, HDC, LPRECT r, LPARAM list) {
  reinterpret_cast<std::vector<RECT>*>(list)->push_back(*r);
  return TRUE;
}

// Visible windows of the process, and those of them that cover a monitor.
int VisibleWindows(DWORD pid, std::vector<RECT>* covers = nullptr) {
  int n = 0;
  for (HWND w : TopWindows(pid)) {
    if (!IsWindowVisible(w)) continue;
    ++n;
    RECT r;
    GetWindowRect(w, &r);
    if (covers != nullptr && ClassOf(w) == L"TScreenSaverCover") covers->push_back(r);
  }
  return n;
}

// Pixels of the rectangle, in screen coordinates, that are not bg.
long OtherPixels(const RECT& r, uint32_t bg, const RECT* except = nullptr) {
  DibCanvas shot(r.right - r.left, r.bottom - r.top);
  HDC screen = GetDC(nullptr);
  shot.CopyFrom(screen, r.left, r.top);
  ReleaseDC(nullptr, screen);
  long other = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      POINT p = {x, y};
      if (except != nullptr && PtInRect(except, p)) continue;
      const uint32_t px = shot.Bits()[static_cast<size_t>(y - r.top) * shot.Width() + (x - r.left)];
      other += (px & 0xFFFFFF) != bg;
    }
  }
  return other;
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// Two monitors: the second one covered in the background colour by one cover of its own, the
// desktop shown nowhere, the covers made again on display changes without a window or a GDI or
// USER object more, and nothing of the saver left after a key.
int Monitors(const std::wstring& scr, const std::string& bgName) {
  const uint32_t bg = bgName == "white" ? 0xFFFFFF : 0x000000;
  std::vector<RECT> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitorRect, reinterpret_cast<LPARAM>(&monitors));
  std::string list;
  for (const RECT& m : monitors) list += RectText(m) + " ";
  if (!Check(monitors.size() == 2, "two monitors", list)) return 1;
  const RECT second = monitors[0].left == 0 && monitors[0].top == 0 ? monitors[1] : monitors[0];
  SetCursorPos(300, 200);
  Process s;
  HWND h = StartAndFind(s, scr, L"/s");
  if (h == nullptr) return 1;
  std::vector<RECT> covers;
  WaitUntil(
      [&] {
        covers.clear();
        return VisibleWindows(s.Id(), &covers) >= 2;
      },
      5000);
  Idle(500);
  covers.clear();
  Check(VisibleWindows(s.Id(), &covers) == 2 && covers.size() == 1, "the window and one cover");
  Check(covers.size() == 1 && EqualRect(&covers[0], &second), "the cover fills the second monitor",
        covers.empty() ? "none" : RectText(covers[0]));
  Check(OtherPixels(second, bg) == 0, "the second monitor in the background colour",
        std::to_string(OtherPixels(second, bg)) + " other pixels");
  const Box b = MiddleBox(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  const RECT box = {b.x0, b.y0, b.x1, b.y1};
  RECT primary = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  Check(OtherPixels(primary, bg, &box) == 0, "the primary monitor in it outside the figure");

  const DWORD gdi = GetGuiResources(s.Handle(), GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(s.Handle(), GR_USEROBJECTS);
  const size_t windows = TopWindows(s.Id()).size();
  for (int i = 0; i < 20; ++i) {
    SendMessageW(h, WM_DISPLAYCHANGE, 32,
                 MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  }
  Idle(500);
  covers.clear();
  Check(VisibleWindows(s.Id(), &covers) == 2 && covers.size() == 1,
        "20 display changes: still the window and one cover");
  Check(TopWindows(s.Id()).size() == windows, "no window more",
        std::to_string(windows) + " then " + std::to_string(TopWindows(s.Id()).size()));
  if (gdi == 0 && user == 0) {
    std::printf("skip: GDI and USER object counts: this system reports none (Wine)\n");
  } else {
    Check(GetGuiResources(s.Handle(), GR_GDIOBJECTS) == gdi &&
              GetGuiResources(s.Handle(), GR_USEROBJECTS) == user,
          "GDI and USER objects flat",
          std::to_string(gdi) + " GDI, " + std::to_string(user) + " USER before");
  }
  PostMessageW(h, WM_KEYDOWN, 'Q', 0);
  Check(s.ExitsWithin(5000) >= 0 && TopWindows(s.Id()).empty(), "after a key no window left");
  return Checks().failures;
}

// The saver's process stopped for two seconds, as a debugger or a host's unlock dialog stops
// it, then let go: it must not run the ticks it missed back to back, and its rate returns.
int Stall(const std::wstring& scr, double intervalMs) {
  using Suspend = LONG(WINAPI*)(HANDLE);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto stop =
      reinterpret_cast<Suspend>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSuspendProcess")));
  auto resume =
      reinterpret_cast<Suspend>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtResumeProcess")));
  if (!Check(stop != nullptr && resume != nullptr, "NtSuspendProcess and NtResumeProcess"))
    return 1;
  Process s;
  HWND h = StartAndFind(s, scr, L"/s");
  if (h == nullptr) return 1;
  vellicord::TickCounters a, b, c;
  Check(WaitUntil([&] { return ReadTicks(s, a) && a.Ticks >= 20; }, 10000), "ticking");
  stop(s.Handle());
  Idle(2000);
  ReadTicks(s, a);
  resume(s.Handle());
  Idle(200);
  ReadTicks(s, b);
  const int64_t burst = b.Ticks - a.Ticks;
  const int64_t allowed = static_cast<int64_t>(200 / intervalMs) + 3;
  Check(
      burst <= allowed, "no burst of missed ticks after the stop",
      std::to_string(burst) + " ticks in the 200 ms after it, at most " + std::to_string(allowed));
  Idle(1000);
  ReadTicks(s, c);
  const double mean = static_cast<double>(c.LastUs - b.LastUs) / 1000.0 /
                      static_cast<double>(std::max<int64_t>(1, c.Ticks - b.Ticks));
  Check(std::fabs(mean - intervalMs) <= intervalMs * 0.1, "the rate returns",
        "mean " + std::to_string(mean) + " ms over the next second");
  PostMessageW(h, WM_KEYDOWN, 'Q', 0);
  Check(s.ExitsWithin(5000) >= 0, "closes");
  return Checks().failures;
}

// The product's preview, which keeps no tick counters: its window in the host, running, and
// the saver ending with its host. (Wine's screen copy doesn't show another process's child
// window, so its pixels can't be read from here.)
int PreviewRuns(const std::wstring& scr) {
  HWND parent = MakeWindow(L"PreviewHost", L"preview", WS_POPUP | WS_VISIBLE, 100, 100, 152, 112,
                           static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  Pump();
  Process s;
  if (!Start(s, scr, L"/p " + std::to_wstring(reinterpret_cast<uintptr_t>(parent)))) return 1;
  HWND child = nullptr;
  WaitUntil([&] { return (child = GetWindow(parent, GW_CHILD)) != nullptr; }, 20000);
  DWORD pid = 0;
  GetWindowThreadProcessId(child, &pid);
  Check(child != nullptr && pid == s.Id(), "the saver's window in the preview host");
  Idle(1000);
  Check(s.Alive() && IsWindowVisible(child), "still running a second later");
  DestroyWindow(parent);
  Check(s.ExitsWithin(5000) >= 0, "ends with its host");
  return Checks().failures;
}

// Keeps a file open, as Windows keeps a running program's file, so nobody can delete it, until
// the time is up.
int Hold(const std::wstring& file, double ms) {
  HANDLE h =
      CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (!Check(h != INVALID_HANDLE_VALUE, "file held", Utf8(file))) return 1;
  Sleep(static_cast<DWORD>(ms));
  CloseHandle(h);
  return Checks().failures;
}

}  // namespace

// Wide arguments: the expected Japanese message must not pass through the ANSI code page.
int wmain(int argc, wchar_t** argv) {
  Scenario args;
  if (!ReadScenario(argc, argv, "vellicord2-driver scenario scr [args]", args)) return 2;
  const std::wstring& scr = args.target;
  const std::wstring arg3 = args.Rest(0);
  const std::wstring& scenario = args.name;
  if (scenario == L"run") return Run(scr, Utf8(arg3.empty() ? L"black" : arg3));
  if (scenario == L"input") return Input(scr);
  if (scenario == L"syscommand") return SysCommand(scr);
  if (scenario == L"activate") return Activate(scr);
  if (scenario == L"preview") return Preview(scr);
  if (scenario == L"preview-nohandle") return PreviewNoHandle(scr);
  if (scenario == L"preview-bad") return PreviewBadHandle(scr);
  if (scenario == L"errorbox") return ErrorBox(scr, arg3);
  if (scenario == L"start-close") return StartAndClose(scr);
  if (scenario == L"ticks") return Ticks(scr, _wtof(arg3.c_str()));
  if (scenario == L"monitors") return Monitors(scr, Utf8(arg3.empty() ? L"black" : arg3));
  if (scenario == L"stall") return Stall(scr, _wtof(arg3.c_str()));
  if (scenario == L"preview-runs") return PreviewRuns(scr);
  if (scenario == L"hold") return Hold(scr, _wtof(arg3.c_str()));
  std::fprintf(stderr, "unknown scenario %s\n", Utf8(scenario).c_str());
  return 2;
}
