// The saver window's frame path run back to back, without its timer: the real TScreenSaverWindow
// in a preview host of this process, each tick composing and copying a frame with
// SetDIBitsToDevice. Watches GDI and USER objects (counted at this program's import table, since
// Wine's GetGuiResources gives 0), kernel handles and private memory for growth after warm-up,
// and prints the last frame's checksum for comparison with the native engine.
// Usage: vellicord2-fault-longrun TICKS START_CLOCK; exit 0 = nothing grew.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// psapi.h needs the types of windows.h first.
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "host/win32/application.h"
#include "saver/saver_window_win32.h"
#include "tests/reliability/longrun_state.h"

namespace {

// Objects made and freed through the saver's imports.
struct Counts {
  long gdiMade = 0, gdiFreed = 0, dcsGot = 0, dcsReleased = 0, paints = 0, paintsEnded = 0;
  long GdiLive() const { return gdiMade - gdiFreed; }
  long DcsHeld() const { return dcsGot - dcsReleased; }
};
Counts counts;

decltype(&GetDC) realGetDC;
decltype(&ReleaseDC) realReleaseDC;
decltype(&BeginPaint) realBeginPaint;
decltype(&EndPaint) realEndPaint;
decltype(&CreateSolidBrush) realCreateSolidBrush;
decltype(&CreateCompatibleDC) realCreateCompatibleDC;
decltype(&CreateCompatibleBitmap) realCreateCompatibleBitmap;
decltype(&CreatePen) realCreatePen;
decltype(&DeleteObject) realDeleteObject;
decltype(&DeleteDC) realDeleteDC;

HDC WINAPI CountGetDC(HWND h) {
  HDC dc = realGetDC(h);
  counts.dcsGot += dc != nullptr;
  return dc;
}
int WINAPI CountReleaseDC(HWND h, HDC dc) {
  const int r = realReleaseDC(h, dc);
  counts.dcsReleased += r != 0;
  return r;
}
HDC WINAPI CountBeginPaint(HWND h, LPPAINTSTRUCT ps) {
  ++counts.paints;
  return realBeginPaint(h, ps);
}
BOOL WINAPI CountEndPaint(HWND h, const PAINTSTRUCT* ps) {
  ++counts.paintsEnded;
  return realEndPaint(h, ps);
}
HBRUSH WINAPI CountCreateSolidBrush(COLORREF c) {
  HBRUSH b = realCreateSolidBrush(c);
  counts.gdiMade += b != nullptr;
  return b;
}
HDC WINAPI CountCreateCompatibleDC(HDC dc) {
  HDC d = realCreateCompatibleDC(dc);
  counts.gdiMade += d != nullptr;
  return d;
}
HBITMAP WINAPI CountCreateCompatibleBitmap(HDC dc, int w, int h) {
  HBITMAP b = realCreateCompatibleBitmap(dc, w, h);
  counts.gdiMade += b != nullptr;
  return b;
}
HPEN WINAPI CountCreatePen(int style, int width, COLORREF c) {
  HPEN p = realCreatePen(style, width, c);
  counts.gdiMade += p != nullptr;
  return p;
}
BOOL WINAPI CountDeleteObject(HGDIOBJ o) {
  const BOOL r = realDeleteObject(o);
  counts.gdiFreed += r != FALSE;
  return r;
}
BOOL WINAPI CountDeleteDC(HDC dc) {
  const BOOL r = realDeleteDC(dc);
  counts.gdiFreed += r != FALSE;
  return r;
}

// Points this program's import entry for name at hook, keeping the original; false when the
// program doesn't import it.
template <typename F>
bool Hook(const char* name, F hook, F& original) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name;
       ++d) {
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
      original = reinterpret_cast<F>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<decltype(slots->u1.Function)>(hook);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      return true;
    }
  }
  return false;
}

struct Probe {
  DWORD handles = 0;
  SIZE_T privateBytes = 0;
  Counts gui;
};

// Wine 8 answers GetProcessHandleCount and PrivateUsage with 0, so both are probed as well:
// handles by asking about every handle value below 8 Ki handles (multiples of 4 under Wine),
// memory by adding up the committed private regions of the address space.
DWORD ProbedHandles() {
  DWORD n = 0, flags = 0;
  for (uintptr_t h = 4; h < 0x8000; h += 4) {
    n += GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags) != FALSE;
  }
  return n;
}

SIZE_T ProbedPrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION m;
  for (BYTE* a = nullptr; VirtualQuery(a, &m, sizeof m) == sizeof m; a += m.RegionSize) {
    if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE) total += m.RegionSize;
    if (reinterpret_cast<uintptr_t>(a) + m.RegionSize < reinterpret_cast<uintptr_t>(a)) break;
  }
  return total;
}

Probe Sample() {
  Probe p;
  GetProcessHandleCount(GetCurrentProcess(), &p.handles);
  PROCESS_MEMORY_COUNTERS_EX mem = {};
  mem.cb = sizeof mem;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem),
                       sizeof mem);
  p.privateBytes = mem.PrivateUsage;
  if (p.handles == 0) p.handles = ProbedHandles();
  if (p.privateBytes == 0) p.privateBytes = ProbedPrivateBytes();
  p.gui = counts;
  return p;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  return DefWindowProcW(h, m, w, l);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vellicord;
  if (argc != 3) {
    std::fprintf(stderr, "usage: vellicord2-fault-longrun TICKS START_CLOCK\n");
    return 2;
  }
  const long ticks = std::strtol(argv[1], nullptr, 10);
  const int32_t startClock = static_cast<int32_t>(std::strtol(argv[2], nullptr, 10));
  bool hooked = Hook("GetDC", &CountGetDC, realGetDC) &&
                Hook("ReleaseDC", &CountReleaseDC, realReleaseDC) &&
                Hook("BeginPaint", &CountBeginPaint, realBeginPaint) &&
                Hook("EndPaint", &CountEndPaint, realEndPaint) &&
                Hook("CreateSolidBrush", &CountCreateSolidBrush, realCreateSolidBrush) &&
                Hook("DeleteObject", &CountDeleteObject, realDeleteObject);
  // Imported only when something in the program makes them; counted when it does.
  Hook("CreateCompatibleDC", &CountCreateCompatibleDC, realCreateCompatibleDC);
  Hook("CreateCompatibleBitmap", &CountCreateCompatibleBitmap, realCreateCompatibleBitmap);
  Hook("CreatePen", &CountCreatePen, realCreatePen);
  Hook("DeleteDC", &CountDeleteDC, realDeleteDC);
  std::printf("%s: GDI and DC calls counted at the import table\n", hooked ? "ok" : "FAIL");

  WNDCLASSW wc = {};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"LongRunHost";
  RegisterClassW(&wc);
  HWND host = CreateWindowExW(0, wc.lpszClassName, L"long run", WS_POPUP | WS_VISIBLE, 0, 0, 320,
                              240, nullptr, nullptr, wc.hInstance, nullptr);
  TApplication::Instance().Handle();
  auto window = std::make_unique<TScreenSaverWindow>(
      static_cast<NativeWindow>(reinterpret_cast<uintptr_t>(host)));
  window->Form().FormCreate();
  if (!window->Form().Ready || !window->CreateHandle()) {
    std::printf("FAIL: the saver window could not be made\n");
    return 1;
  }
  ShowWindow(window->Handle(), SW_SHOW);
  Pump();
  Figure& figure = window->Form().Figure1;
  reliability::FixLongRunState(figure, startClock);

  const long warmUp = ticks < 20000 ? ticks / 10 : 2000;
  Probe warm, worst;
  int wraps = 0;
  const DWORD t0 = GetTickCount();
  for (long i = 1; i <= ticks; ++i) {
    const int32_t before = figure.Clock;
    window->Form().Timer1Timer();
    wraps += figure.Clock < before;
    // Now and then the window is uncovered too: erase and repaint go through their own calls.
    if (i % 5000 == 0) InvalidateRect(window->Handle(), nullptr, TRUE);
    if (i % 500 == 0) Pump();
    if (i == warmUp) warm = worst = Sample();
    if (i > warmUp && (i % 50000 == 0 || i == ticks / 2)) {
      const Probe p = Sample();
      if (p.handles > worst.handles) worst.handles = p.handles;
      if (p.privateBytes > worst.privateBytes) worst.privateBytes = p.privateBytes;
      if (p.gui.GdiLive() > worst.gui.GdiLive()) worst.gui.gdiMade = p.gui.gdiMade;
      if (p.gui.DcsHeld() > worst.gui.DcsHeld()) worst.gui.dcsGot = p.gui.dcsGot;
    }
  }
  Pump();
  const Probe end = Sample();
  const double seconds = (GetTickCount() - t0) / 1000.0;
  int failures = 0;
  auto check = [&failures](bool ok, const char* what, const char* detail) {
    std::printf("%s: %s -- %s\n", ok ? "ok" : "FAIL", what, detail);
    failures += !ok;
  };
  char d[200];
  std::snprintf(d, sizeof d, "%ld ticks in %.1f s, clock %d to %d, %d wraps", ticks, seconds,
                startClock, figure.Clock, wraps);
  check(true, "frames", d);
  std::snprintf(d, sizeof d, "%ld DCs got, %ld released, %ld held at most after warm-up",
                end.gui.dcsGot, end.gui.dcsReleased, worst.gui.DcsHeld());
  check(end.gui.DcsHeld() == 0 && worst.gui.DcsHeld() <= 1, "window DCs balanced", d);
  std::snprintf(d, sizeof d, "%ld made, %ld freed; live %ld at warm-up, %ld at most, %ld at end",
                end.gui.gdiMade, end.gui.gdiFreed, warm.gui.GdiLive(), worst.gui.GdiLive(),
                end.gui.GdiLive());
  check(end.gui.GdiLive() == warm.gui.GdiLive() && worst.gui.GdiLive() == warm.gui.GdiLive(),
        "GDI objects flat", d);
  std::snprintf(d, sizeof d, "%ld paints, %ld ended", end.gui.paints, end.gui.paintsEnded);
  check(end.gui.paints == end.gui.paintsEnded && end.gui.paints > 0, "paints balanced", d);
  std::snprintf(d, sizeof d, "%lu at warm-up, %lu at most, %lu at end",
                static_cast<unsigned long>(warm.handles), static_cast<unsigned long>(worst.handles),
                static_cast<unsigned long>(end.handles));
  check(worst.handles <= warm.handles + 2, "kernel handles flat", d);
  std::snprintf(d, sizeof d, "%lu KB at warm-up, %lu KB at most, %lu KB at end",
                static_cast<unsigned long>(warm.privateBytes / 1024),
                static_cast<unsigned long>(worst.privateBytes / 1024),
                static_cast<unsigned long>(end.privateBytes / 1024));
  check(worst.privateBytes <= warm.privateBytes + 512 * 1024, "private memory flat", d);
  const RasterSurface& frame = window->Surface();
  std::printf("checksum %016llx clock %d wraps %d size %dx%d\n",
              static_cast<unsigned long long>(reliability::FrameChecksum(frame)), figure.Clock,
              wraps, frame.Width(), frame.Height());
  // Ends here, as the saver does, without destroying a window Wine would wait to withdraw.
  window.release();
  return failures ? 1 : 0;
}
