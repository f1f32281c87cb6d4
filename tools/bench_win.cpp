// vellicord2-bench-win.exe: the Windows build's figures for scripts/bench.sh, under Wine.
//   frames [s]                 engine, rasterizer and the real copy to a window, beside their
//                              floors and GDI pens drawing the same frames
//   startup <scr> <n>          process start to first frame of Vellicord2.scr /s, after a warm run
//   counters                   the tick counters of the running full-screen saver, as one line
//   noop                       ends at once: what Wine takes to start a trivial program
//   idle <ms> [strip|whole]     a shown window and the saver's timer at <ms>, doing nothing or
//                              copying one 16-row strip or a whole 1024x768 frame each tick
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/raster.h"
#include "tests/support/win32/driver_support.h"
#include "tools/bench_frame_cost.h"
#include "tools/tool_version.h"
#include "win32/api/application.h"
#include "win32/api/precise_timer.h"
#include "win32/api/tick_counters_win32.h"

namespace {

using namespace vellicord;
using namespace vellicord::bench;
using vellicord::drive::Pump;

double NowUs() {
  return drive::NowMs() * 1000;
}

HWND ShowWindowOfSize(int32_t width, int32_t height) {
  HWND h = drive::MakeWindow(L"BenchWindow", L"bench", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                             static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  drive::Idle(500);
  return h;
}

// The saver's own copy: SetDIBitsToDevice of the 32-bpp top-down buffer to a window DC.
void CopyFrame(HWND window, const RasterSurface& frame, int32_t x, int32_t y) {
  HDC dc = GetDC(window);
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = frame.Width();
  bmi.bmiHeader.biHeight = -frame.Height();
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, x, y, DWORD(frame.Width()), DWORD(frame.Height()), 0, 0, 0,
                    UINT(frame.Height()), frame.Pixels(), &bmi, DIB_RGB_COLORS);
  ReleaseDC(window, dc);
}

// The running saver's copy: only the rectangles the frame changed, each with SetDIBitsToDevice,
// merged as if a request cost `requestPixels`.
class StripCopy final : public FramePresenter {
 public:
  StripCopy(HWND window, int64_t requestPixels) : window_(window), requestPixels_(requestPixels) {}
  int64_t RequestPixels() const override { return requestPixels_; }
  void Present(const RasterSurface& frame, int32_t x, int32_t y) override {
    HDC dc = GetDC(window_);
    for (int32_t i = 0; i < frame.ChangedCount(); ++i) {
      const PixelRect& r = frame.Changed()[i];
      BITMAPINFO bmi = {};
      bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      bmi.bmiHeader.biWidth = frame.Width();
      bmi.bmiHeader.biHeight = -(r.Bottom - r.Top);
      bmi.bmiHeader.biPlanes = 1;
      bmi.bmiHeader.biBitCount = 32;
      bmi.bmiHeader.biCompression = BI_RGB;
      SetDIBitsToDevice(dc, x + r.Left, y + r.Top, DWORD(r.Right - r.Left), DWORD(r.Bottom - r.Top),
                        r.Left, 0, 0, UINT(r.Bottom - r.Top),
                        frame.Pixels() + int64_t{r.Top} * frame.Width(), &bmi, DIB_RGB_COLORS);
      area += int64_t{r.Right - r.Left} * (r.Bottom - r.Top);
    }
    rects += frame.ChangedCount();
    ReleaseDC(window_, dc);
    ++frames;
  }
  HWND window_;
  int64_t requestPixels_;
  int64_t area = 0, frames = 0, rects = 0;
};

// The recorded frames in order, each a step from the one before; a round starts with a repaint
// (one frame in r.Frames.size()).
double SteppedUs(const RecordedCase& r, RasterSurface& surface, double seconds,
                 const std::function<void()>& after) {
  size_t i = 0;
  return BestMeanUs(
      [&] {
        if (i == 0) Replay(r.Frames[0], surface);
        ReplayTrail(r.Frames[i], i != 0, surface);
        after();
        i = (i + 1) % r.Frames.size();
      },
      seconds);
}

// The GDI path the rasterizer replaced: a screen-compatible bitmap, a rectangle in the brush's
// colour, a pen per line, and a blit to the window.
class GdiFrames {
 public:
  GdiFrames(HWND window, int32_t width, int32_t height) : window_(window) {
    HDC screen = GetDC(window);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(window, screen);
    old_ = SelectObject(dc_, bitmap_);
    width_ = width;
    height_ = height;
  }
  ~GdiFrames() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  GdiFrames(const GdiFrames&) = delete;
  GdiFrames& operator=(const GdiFrames&) = delete;

  void Draw(const RecordedFrame& f) { drive::DrawWithGdi(dc_, width_, height_, f); }
  void Copy(int32_t x, int32_t y) {
    HDC dc = GetDC(window_);
    BitBlt(dc, x, y, width_, height_, dc_, 0, 0, SRCCOPY);
    ReleaseDC(window_, dc);
  }

 private:
  HWND window_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  int32_t width_ = 0, height_ = 0;
};

int Frames(double seconds) {
  for (const FrameCase& c : FrameCases()) {
    const RecordedCase r = RecordFrames(c, 32);
    const int32_t x = (c.ScreenWidth - r.BufferWidth) / 2;
    const int32_t y = (c.ScreenHeight - r.BufferHeight) / 2;
    HWND window = ShowWindowOfSize(c.ScreenWidth, c.ScreenHeight);
    RasterSurface frame;
    frame.CreateBuffer(r.BufferWidth, r.BufferHeight);
    Replay(r.Frames[0], frame);
    // The pump lets Wine flush the window surface to the X server, as the saver's loop does
    // after every tick.
    const double copy = BestMeanUs(
        [&] {
          CopyFrame(window, frame, x, y);
          Pump();
        },
        seconds);
    // The saver's own way: stepped frames, then the copy of their changed strips.
    RasterSurface stepped;
    stepped.CreateBuffer(r.BufferWidth, r.BufferHeight);
    const double steppedRaster = SteppedUs(r, stepped, seconds, [] {});
    const double box = double(r.BufferWidth) * r.BufferHeight;
    StripCopy strips(window, ChangedStrips::kWholeStrips);
    stepped.SetPresenter(&strips);
    const double steppedCopied = SteppedUs(r, stepped, seconds, Pump);
    const double stripShare = double(strips.area) / double(strips.frames) / box;
    // The same frames as changed tiles, a call for each run of them.
    StripCopy tiles(window, 0);
    stepped.SetPresenter(&tiles);
    const double tilesCopied = SteppedUs(r, stepped, seconds, Pump);
    const double tileShare = double(tiles.area) / double(tiles.frames) / box;
    const double tileRects = double(tiles.rects) / double(tiles.frames);
    double gdiDraw = 0, gdiCopy = 0;
    {
      GdiFrames gdi(window, r.BufferWidth, r.BufferHeight);
      size_t i = 0;
      gdiDraw = BestMeanUs([&] { gdi.Draw(r.Frames[i++ % r.Frames.size()]); }, seconds);
      gdiCopy = BestMeanUs(
          [&] {
            gdi.Copy(x, y);
            Pump();
          },
          seconds);
    }
    DestroyWindow(window);
    Pump();
    // Fields past GDI's: stepped raster, stepped raster with the changed-strip copy, and the share
    // of the buffer the strips cover; then the same with the tiles' rectangles, and their number.
    std::printf(
        "winframe|%s|%dx%d|%.1f|%.1f|%.1f|%.1f|%.1f|%.1f|%.1f|%.1f|%.1f|%.1f|%.3f|%.1f|%.3f|%.1f\n",
        c.Name, int(r.BufferWidth), int(r.BufferHeight), EngineTickUs(c, seconds),
        TrigFloorUs(c, seconds), RasterUs(r, seconds),
        MemsetUs(r.BufferWidth, r.BufferHeight, seconds),
        MemcpyUs(r.BufferWidth, r.BufferHeight, seconds), copy, gdiDraw, gdiCopy, steppedRaster,
        steppedCopied, stripShare, tilesCopied, tileShare, tileRects);
    std::fflush(stdout);
  }
  return 0;
}

// The saver's first-frame time, 0 until the first frame has been copied.
long long FirstPresentUs(DWORD saver) {
  TickCounters c;
  return ReadTickCounters(saver, c) ? c.PresentUs : 0;
}

HWND SaverWindowOf(DWORD pid) {
  for (HWND h : drive::TopWindows(pid)) {
    if (drive::ClassOf(h) == L"TScreenSaverForm") return h;
  }
  return nullptr;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

int Startup(const std::wstring& scr, int runs) {
  std::vector<double> saver, noop;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  // Run 0 warms Wine's caches and is not counted.
  for (int run = 0; run <= runs; ++run) {
    const double t0 = NowUs();
    drive::Process s;
    if (!s.Start(scr, L"/s")) return 1;
    long long present = 0;
    while ((present = FirstPresentUs(s.Id())) == 0 && NowUs() - t0 < 10e6) Sleep(1);
    if (run > 0 && present != 0) saver.push_back((double(present) - t0) / 1000);
    if (HWND window = SaverWindowOf(s.Id())) PostMessageW(window, WM_KEYDOWN, 'Q', 0);

    const double n0 = NowUs();
    drive::Process trivial;
    if (trivial.Start(self, L"noop")) WaitForSingleObject(trivial.Handle(), 10000);
    if (run > 0) noop.push_back((NowUs() - n0) / 1000);
    // The saver closes meanwhile, as it always did while the trivial program ran.
    s.ExitsWithin(5000);
  }
  std::printf("startup|%.1f|%.1f|%d\n", Median(saver), Median(noop), int(saver.size()));
  return saver.empty() ? 1 : 0;
}

// Whichever full-screen saver is up: its counters by name, for the benchmark's table.
int Counters() {
  HWND saver = FindWindowW(L"TScreenSaverForm", nullptr);
  DWORD pid = 0;
  if (saver != nullptr) GetWindowThreadProcessId(saver, &pid);
  TickCounters c;
  if (pid == 0 || !ReadTickCounters(pid, c)) return 1;
  std::printf("%s\n", TickLine(c).c_str());
  return 0;
}

// Wine's floor for a saver that presents every tick: what the timer and the copy cost with no
// frame drawn. The buffer is the saver's at 1024x768 (652x653), copied where the saver puts it.
int Idle(int32_t intervalMs, const std::wstring& copy) {
  const bool strip = copy == L"strip", whole = copy == L"whole";
  HWND window = ShowWindowOfSize(strip || whole ? 1024 : 320, strip || whole ? 768 : 200);
  RasterSurface frame;
  frame.CreateBuffer(652, 653);
  StripCopy present(window, ChangedStrips::kWholeStrips);
  frame.SetPresenter(&present);
  const Point dot[2] = {{320, 300}, {320, 300}};
  frame.SetPenWidth(8);
  PreciseTimer timer([&] {
    // A dot inside one 16-row strip changed, or everything (a clear).
    if (strip) frame.Polyline(dot, 2);
    if (whole) frame.Clear();
    if (strip || whole) frame.CopyToWindow(186, 57);
  });
  if (intervalMs > 0) {
    timer.SetInterval(intervalMs);
    timer.SetEnabled(true);
  }
  // Until the benchmark ends the process.
  TApplication::Instance().Run(SW_SHOW);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (vellicord::PrintedVersion(argc, argv, "vellicord2-bench-win")) return 0;
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"frames") return Frames(argc > 2 ? _wtof(argv[2]) : 1.0);
  if (mode == L"startup" && argc > 3) return Startup(argv[2], _wtoi(argv[3]));
  if (mode == L"counters") return Counters();
  if (mode == L"noop") return 0;
  if (mode == L"idle") return Idle(argc > 2 ? _wtoi(argv[2]) : 0, argc > 3 ? argv[3] : L"");
  std::fprintf(stderr,
               "usage: vellicord2-bench-win frames [s] | startup scr n | counters | idle ms "
               "[strip|whole]\n");
  return 2;
}
