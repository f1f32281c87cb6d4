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

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "tests/reliability/longrun_state.h"
#include "tests/support/win32/driver_support.h"
#include "win32/api/application.h"
#include "win32/api/saver_window_win32.h"

namespace {

using namespace vellicord;
using namespace vellicord::drive;

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

bool HookCounters() {
  const bool hooked = Hook("GetDC", &CountGetDC, realGetDC) &&
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
  return hooked;
}

// What the run saw: the probes after warm-up, at their worst and at the end. Each worst figure
// is the largest one sample showed, never made of two samples' parts.
struct Run {
  Probe warm, worst, end;
  long worstGdiLive = 0, worstDcsHeld = 0;
  long framesCopied = 0;  // DCs taken for the window while the ticks ran: one a frame
  int wraps = 0;
  double seconds = 0;
};

Run RunTicks(TScreenSaverWindow& window, long ticks) {
  const Figure& figure = window.Form().Figure1;
  const long warmUp = ticks < 20000 ? ticks / 10 : 2000;
  Run run;
  const long dcsBefore = counts.dcsGot;
  const DWORD t0 = GetTickCount();
  for (long i = 1; i <= ticks; ++i) {
    const int32_t before = figure.Clock;
    window.Form().Timer1Timer();
    run.wraps += figure.Clock < before;
    // Now and then the window is uncovered too: erase and repaint go through their own calls.
    if (i % 5000 == 0) InvalidateRect(window.Handle(), nullptr, TRUE);
    if (i % 500 == 0) Pump();
    if (i == warmUp) {
      run.warm = run.worst = Sample();
      run.worstGdiLive = run.warm.gui.GdiLive();
      run.worstDcsHeld = run.warm.gui.DcsHeld();
    }
    if (i > warmUp && (i % 50000 == 0 || i == ticks / 2)) {
      const Probe p = Sample();
      run.worst.handles = std::max(run.worst.handles, p.handles);
      run.worst.privateBytes = std::max(run.worst.privateBytes, p.privateBytes);
      run.worstGdiLive = std::max(run.worstGdiLive, p.gui.GdiLive());
      run.worstDcsHeld = std::max(run.worstDcsHeld, p.gui.DcsHeld());
    }
  }
  run.framesCopied = counts.dcsGot - dcsBefore;
  Pump();
  run.end = Sample();
  run.seconds = (GetTickCount() - t0) / 1000.0;
  return run;
}

void Report(const Run& r) {
  char d[200];
  std::snprintf(d, sizeof d, "%ld DCs got, %ld released, %ld held at most after warm-up",
                r.end.gui.dcsGot, r.end.gui.dcsReleased, r.worstDcsHeld);
  Check(r.end.gui.DcsHeld() == 0 && r.worstDcsHeld <= 1, "window DCs balanced", d);
  std::snprintf(d, sizeof d, "%ld made, %ld freed; live %ld at warm-up, %ld at most, %ld at end",
                r.end.gui.gdiMade, r.end.gui.gdiFreed, r.warm.gui.GdiLive(), r.worstGdiLive,
                r.end.gui.GdiLive());
  Check(r.end.gui.GdiLive() == r.warm.gui.GdiLive() && r.worstGdiLive == r.warm.gui.GdiLive(),
        "GDI objects flat", d);
  std::snprintf(d, sizeof d, "%ld paints, %ld ended", r.end.gui.paints, r.end.gui.paintsEnded);
  Check(r.end.gui.paints == r.end.gui.paintsEnded && r.end.gui.paints > 0, "paints balanced", d);
  std::snprintf(d, sizeof d, "%lu at warm-up, %lu at most, %lu at end",
                static_cast<unsigned long>(r.warm.handles),
                static_cast<unsigned long>(r.worst.handles),
                static_cast<unsigned long>(r.end.handles));
  Check(r.worst.handles <= r.warm.handles + 2, "kernel handles flat", d);
  std::snprintf(d, sizeof d, "%lu KB at warm-up, %lu KB at most, %lu KB at end",
                static_cast<unsigned long>(r.warm.privateBytes / 1024),
                static_cast<unsigned long>(r.worst.privateBytes / 1024),
                static_cast<unsigned long>(r.end.privateBytes / 1024));
  Check(r.worst.privateBytes <= r.warm.privateBytes + 512 * 1024, "private memory flat", d);
}

// The last frame as the window shows it, read back from the window's own pixels.
uint64_t ShownFrameChecksum(HWND window, const Figure& f) {
  DibCanvas shown(f.BufferWidth, f.BufferHeight);
  HDC dc = GetDC(window);
  shown.CopyFrom(dc, (f.WindowWidth - f.BufferWidth) / 2, (f.WindowHeight - f.BufferHeight) / 2);
  ReleaseDC(window, dc);
  return reliability::FrameChecksum(shown.Width(), shown.Height(), shown.Bits());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vellicord2-fault-longrun TICKS START_CLOCK\n");
    return 2;
  }
  const long ticks = std::strtol(argv[1], nullptr, 10);
  const int32_t startClock = static_cast<int32_t>(std::strtol(argv[2], nullptr, 10));
  Check(HookCounters(), "GDI and DC calls counted at the import table");

  HWND host = MakeWindow(L"LongRunHost", L"long run", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240);
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
  const Figure& figure = window->Form().Figure1;
  reliability::FixLongRunState(window->Form().Figure1, startClock);

  const Run run = RunTicks(*window, ticks);
  char d[200];
  std::snprintf(d, sizeof d, "%ld ticks in %.1f s, %ld frames copied, clock %d to %d, %d wraps",
                ticks, run.seconds, run.framesCopied, startClock, figure.Clock, run.wraps);
  // Each tick copies its frame to the window through one DC of its own.
  Check(run.framesCopied == ticks, "a frame copied every tick", d);
  Report(run);
  std::printf("checksum %016llx clock %d wraps %d size %dx%d\n",
              static_cast<unsigned long long>(ShownFrameChecksum(window->Handle(), figure)),
              figure.Clock, run.wraps, figure.BufferWidth, figure.BufferHeight);
  // Ends here, as the saver does, without destroying a window Wine would wait to withdraw.
  window.release();
  return Checks().failures ? 1 : 0;
}
