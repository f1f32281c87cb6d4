// vellicord2-bench-x11: the X11 program's figures for scripts/bench.sh: its loop on the root
// window at <ms>, presenting a buffer of the saver's size with nothing drawn in it; or what the
// server takes for one XShmPutImage beside what it takes for one pixel of it.
//   vellicord2-bench-x11 <ms> [strip|whole]   each tick one dot's strip, or the whole buffer, sent
//   vellicord2-bench-x11 cost                  microseconds per put of rectangles of a few sizes,
//                                              and the request's cost in pixels
//   vellicord2-bench-x11 frames <ticks>        the saver's frames: pixels changed and sent, and
//                                              CPU time a frame of the X server and its own
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/monotonic_clock.h"
#include "common/tick_schedule.h"
#include "engine/figure.h"
#include "engine/random.h"
#include "engine/raster.h"
#include "tests/support/fixed_draws.h"
#include "tools/tool_version.h"
#include "x11/x11_canvas.h"

namespace {

// Puts of w x h pixels from shared memory to the root window, as the canvas sends a frame's
// rectangles, each batch waited for at its end: microseconds per put, the best of five batches.
double PutUs(Display* dpy, XImage* image, int w, int h) {
  const ::Window root = DefaultRootWindow(dpy);
  GC gc = DefaultGC(dpy, DefaultScreen(dpy));
  const int count = std::max(64, int(4000000 / (int64_t{w} * h + 1000)));
  double best = 1e30;
  for (int batch = 0; batch < 5; ++batch) {
    const int64_t t0 = vellicord::MonotonicUs();
    for (int i = 0; i < count; ++i) {
      const int x = (i * 37) % (image->width - w + 1), y = (i * 61) % (image->height - h + 1);
      XShmPutImage(dpy, root, gc, image, x, y, x, y, unsigned(w), unsigned(h), False);
    }
    XSync(dpy, False);
    best = std::min(best, double(vellicord::MonotonicUs() - t0) / count);
  }
  return best;
}

// A least-squares line through (pixels, microseconds) of puts a strip high and of a few widths:
// its intercept is what a request costs, its slope what a pixel does.
int Cost() {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy || !XShmQueryExtension(dpy)) {
    std::fprintf(stderr, "vellicord2-bench-x11: no display with MIT-SHM\n");
    return 1;
  }
  const int screen = DefaultScreen(dpy);
  XShmSegmentInfo shm = {};
  const int side = std::min({1024, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)});
  XImage* image =
      XShmCreateImage(dpy, DefaultVisual(dpy, screen), unsigned(DefaultDepth(dpy, screen)), ZPixmap,
                      nullptr, &shm, unsigned(side), unsigned(side));
  shm.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(side), IPC_CREAT | 0600);
  shm.shmaddr = image->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
  shm.readOnly = False;
  XShmAttach(dpy, &shm);
  XSync(dpy, False);
  shmctl(shm.shmid, IPC_RMID, nullptr);
  // A strip's rows, as the frame's rectangles mostly have.
  const int sizes[][2] = {{16, 16}, {32, 16}, {64, 16}, {128, 16}, {256, 16}, {512, 16}};
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const auto& wh : sizes) {
    const int w = std::min(wh[0], side), h = std::min(wh[1], side);
    const double us = PutUs(dpy, image, w, h), px = double(w) * h;
    std::printf("x11put|%dx%d|%.2f\n", w, h, us);
    n += 1, sx += px, sy += us, sxx += px * px, sxy += px * us;
  }
  const double perPixel = (n * sxy - sx * sy) / (n * sxx - sx * sx);
  const double perRequest = (sy - perPixel * sx) / n;
  std::printf("x11cost|%.3f|%.5f|%.0f\n", perRequest, perPixel * 1000, perRequest / perPixel);
  XShmDetach(dpy, &shm);
  XCloseDisplay(dpy);
  shmdt(shm.shmaddr);
  return 0;
}

// The X server's process id, from the lock file of the display this client is on.
long ServerPid() {
  const char* name = std::getenv("DISPLAY");
  const char* colon = name ? std::strchr(name, ':') : nullptr;
  if (!colon) return 0;
  char path[64];
  std::snprintf(path, sizeof path, "/tmp/.X%d-lock", std::atoi(colon + 1));
  long pid = 0;
  if (FILE* f = std::fopen(path, "r")) {
    if (std::fscanf(f, "%ld", &pid) != 1) pid = 0;
    std::fclose(f);
  }
  return pid;
}

// The CPU time a process's main thread has run, in microseconds, to the nanosecond: the
// scheduler's own count, not the clock-tick sampled user and system times.
double CpuUs(long pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%ld/schedstat", pid);
  unsigned long long ns = 0;
  if (FILE* f = std::fopen(path, "r")) {
    if (std::fscanf(f, "%llu", &ns) != 1) ns = 0;
    std::fclose(f);
  }
  return double(ns) / 1000;
}

// Hands frames to the canvas, merged as if a request cost `requestPixels`.
class PricedAs final : public vellicord::FramePresenter {
 public:
  PricedAs(vellicord::X11Canvas& canvas, int64_t requestPixels)
      : canvas_(canvas), requestPixels_(requestPixels) {}
  void Present(const vellicord::RasterSurface& frame, int32_t x, int32_t y) override {
    canvas_.Present(frame, x, y);
  }
  int64_t RequestPixels() const override { return requestPixels_; }

 private:
  vellicord::X11Canvas& canvas_;
  int64_t requestPixels_;
};

// The pixels each frame changes, against a copy of the one before, and those its rectangles
// send.
struct Counts {
  std::vector<uint32_t> before;
  int64_t changed = 0, sent = 0, rects = 0;
  void Add(const vellicord::RasterSurface& frame) {
    const uint32_t* px = frame.Pixels();
    for (size_t k = 0; k < before.size(); ++k) {
      changed += ((before[k] ^ px[k]) & 0xFFFFFF) != 0 ? 1 : 0;
      before[k] = px[k];
    }
    for (int32_t i = 0; i < frame.ChangedCount(); ++i) {
      const vellicord::PixelRect& r = frame.Changed()[i];
      sent += int64_t{r.Right - r.Left} * (r.Bottom - r.Top);
    }
    rects += frame.ChangedCount();
  }
};

// The saver at its defaults on the root window, its frames merged as the canvas asks and, for
// comparison, into whole strips (a request priced above any strip): the pixels a frame changes
// and those it sends, as shares of the buffer, the rectangles a frame, and the X server's and
// the program's CPU time a frame, ticked as fast as the server takes the frames.
int Frames(int ticks) {
  using namespace vellicord;
  std::string error;
  std::unique_ptr<X11Canvas> canvas = X11Canvas::Open(WindowKind::Root, 0, error);
  const long server = ServerPid();
  if (!canvas || server == 0) {
    std::fprintf(stderr, "vellicord2-bench-x11: %s\n", canvas ? "no X server pid" : error.c_str());
    return 1;
  }
  for (const int64_t price : {canvas->RequestPixels(), ChangedStrips::kWholeStrips}) {
    PricedAs presenter(*canvas, price);
    RasterSurface frame;
    frame.SetPresenter(&presenter);
    frame.SetPixelMemory(canvas.get());
    FixedDraws draws(0.1L, 0.7L, 0.25L, 3, 17);
    auto figure = std::make_unique<Figure>();
    figure->SetUp(FigureConfig{}, canvas->Width(), canvas->Height(), draws, frame);
    // The ring fills first; the counts start with the frame after.
    for (int t = 0; t < 64; ++t) figure->Tick();
    canvas->BeforeWrite();
    const double s0 = CpuUs(server), p0 = CpuUs(getpid());
    for (int t = 0; t < ticks; ++t) {
      figure->Tick();
      canvas->Pump();
    }
    canvas->BeforeWrite();
    const double serverUs = CpuUs(server) - s0, ownUs = CpuUs(getpid()) - p0;
    // Counted on frames of their own: a pass over the buffer would slow the next tick.
    Counts counts;
    counts.before.assign(frame.Pixels(), frame.Pixels() + size_t(frame.Width()) * frame.Height());
    for (int t = 0; t < ticks; ++t) {
      figure->Tick();
      canvas->Pump();
      canvas->BeforeWrite();
      counts.Add(frame);
    }
    const double box = double(frame.Width()) * frame.Height() * ticks;
    std::printf("x11frames|%dx%d|%s|%.4f|%.4f|%.1f|%.0f|%.0f\n", int(canvas->Width()),
                int(canvas->Height()), price == canvas->RequestPixels() ? "merged" : "strips",
                double(counts.changed) / box, double(counts.sent) / box,
                double(counts.rects) / ticks, serverUs / ticks, ownUs / ticks);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vellicord;
  if (PrintedVersion(argc, argv, "vellicord2-bench-x11")) return 0;
  if (argc > 1 && std::string(argv[1]) == "cost") return Cost();
  if (argc > 2 && std::string(argv[1]) == "frames") return Frames(std::atoi(argv[2]));
  const int ms = argc > 1 ? std::atoi(argv[1]) : 0;
  const std::string copy = argc > 2 ? argv[2] : "";
  std::string error;
  std::unique_ptr<X11Canvas> canvas = X11Canvas::Open(WindowKind::Root, 0, error);
  if (!canvas) {
    std::fprintf(stderr, "vellicord2-bench-x11: %s\n", error.c_str());
    return 1;
  }
  RasterSurface frame;
  frame.SetPresenter(canvas.get());
  frame.SetPixelMemory(canvas.get());
  // The figure sizes the buffer as the saver's does, and is never ticked.
  ClockSeededRandom random;
  auto figure = std::make_unique<Figure>();
  figure->SetUp(FigureConfig{}, canvas->Width(), canvas->Height(), random, frame);
  const int32_t x = (canvas->Width() - frame.Width()) / 2;
  const int32_t y = (canvas->Height() - frame.Height()) / 2;
  const Point dot[] = {{frame.Width() / 2, frame.Height() / 2},
                       {frame.Width() / 2 + 1, frame.Height() / 2}};
  TickSchedule schedule;
  schedule.Start(MonotonicUs(), ms);
  pollfd display{canvas->Fd(), POLLIN, 0};
  while (!canvas->Pump().gone) {
    const int64_t now = MonotonicUs();
    if (schedule.IsDue(now)) {
      if (copy == "strip") frame.Polyline(dot, 2);
      if (copy == "whole") frame.Clear();
      if (copy == "strip" || copy == "whole") frame.CopyToWindow(x, y);
      schedule.Advance(now);
      continue;
    }
    poll(&display, 1, schedule.WaitMs(now));
  }
  return 0;
}
