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
#include "x11/shm_image.h"
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

// Hands frames to the canvas, merged as if a request cost `requestPixels`; below 0, as the
// canvas asks.
class PricedAs final : public vellicord::FramePresenter {
 public:
  PricedAs(vellicord::X11Canvas& canvas, int64_t requestPixels)
      : canvas_(canvas), requestPixels_(requestPixels) {}
  void Present(const vellicord::RasterSurface& frame, int32_t x, int32_t y) override {
    canvas_.Present(frame, x, y);
  }
  int64_t RequestPixels() const override {
    return requestPixels_ < 0 ? canvas_.RequestPixels() : requestPixels_;
  }

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

// The saver at its defaults on the root window, its frames sent as the canvas sends them and, for
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
  for (const int64_t price : {int64_t{-1}, ChangedTiles::kWholeStrips}) {
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
    std::printf("x11frames|%dx%d|%s|%.4f|%.4f|%.1f|%.0f|%.0f|%.0f\n", int(canvas->Width()),
                int(canvas->Height()), price < 0 ? "sent" : "strips", double(counts.changed) / box,
                double(counts.sent) / box, double(counts.rects) / ticks, serverUs / ticks,
                ownUs / ticks, box / ticks);
    std::fflush(stdout);
  }
  return 0;
}

// The ways a stepped frame can reach the window, each the same pixels: the merged tiles the
// canvas sends, one put clipped to the changed rows' runs or to the changed tiles, and the
// changed pixels drawn in their colours as points or as runs.
enum class Method { kTiles, kClipRuns, kClipTiles, kPoints, kRuns };
const char* const kMethodNames[] = {"tiles", "clip-runs", "clip-tiles", "points", "runs"};

// Lends the raster the shared image, so frames are drawn where the server reads them.
class ShmMemory final : public vellicord::PixelMemory {
 public:
  explicit ShmMemory(vellicord::ShmImage& image) : image_(image) {}
  uint32_t* Lend(int32_t width, int32_t height) override {
    if (!image_.CreateShared(width, height) || image_.BytesPerLine() != width * 4) return nullptr;
    return reinterpret_cast<uint32_t*>(image_.Data());
  }
  void BeforeWrite() override { image_.WaitForPuts(); }

 private:
  vellicord::ShmImage& image_;
};

// Sends each frame by one method, from the changes a diff against the frame before finds.
class MethodPresenter final : public vellicord::FramePresenter {
 public:
  MethodPresenter(Display* dpy, vellicord::ShmImage& image, Method method)
      : dpy_(dpy), image_(image), method_(method), root_(DefaultRootWindow(dpy)) {
    gc_ = XCreateGC(dpy, root_, 0, nullptr);
  }
  ~MethodPresenter() override { XFreeGC(dpy_, gc_); }
  int64_t RequestPixels() const override {
    return method_ == Method::kClipTiles ? 0 : kPutRequestPixelsForBench;
  }
  void Present(const vellicord::RasterSurface& frame, int32_t x, int32_t y) override {
    using vellicord::PixelRect;
    const int32_t w = frame.Width(), h = frame.Height();
    const uint32_t* px = frame.Pixels();
    if (before_.size() != size_t(w) * size_t(h)) {
      before_.assign(px, px + size_t(w) * size_t(h));
      const PixelRect all{0, 0, w, h};
      image_.Put(root_, DefaultGC(dpy_, DefaultScreen(dpy_)), &all, 1, x, y);
      return;
    }
    if (method_ == Method::kTiles) {
      image_.Put(root_, gc_, frame.Changed(), frame.ChangedCount(), x, y);
      Remember(frame);
      return;
    }
    if (method_ == Method::kClipTiles) {
      clip_.clear();
      for (int32_t i = 0; i < frame.ChangedCount(); ++i) {
        const PixelRect& r = frame.Changed()[i];
        clip_.push_back({short(x + r.Left), short(y + r.Top), (unsigned short)(r.Right - r.Left),
                         (unsigned short)(r.Bottom - r.Top)});
      }
      PutClipped(frame, x, y, YXSorted);
      Remember(frame);
      return;
    }
    // The changed pixels, row by row, as runs of one colour.
    runs_.clear();
    for (int32_t i = 0; i < frame.ChangedCount(); ++i) {
      const PixelRect& r = frame.Changed()[i];
      for (int32_t row = r.Top; row < r.Bottom; ++row) {
        const size_t base = size_t(row) * size_t(w);
        for (int32_t col = r.Left; col < r.Right; ++col) {
          const uint32_t now = px[base + col] & 0xFFFFFF;
          if (now == (before_[base + col] & 0xFFFFFF)) continue;
          if (!runs_.empty() && runs_.back().y == row && runs_.back().x1 == col &&
              runs_.back().color == now) {
            ++runs_.back().x1;
          } else {
            runs_.push_back({row, col, col + 1, now});
          }
        }
      }
    }
    std::sort(runs_.begin(), runs_.end(),
              [](const Run& a, const Run& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; });
    if (method_ == Method::kClipRuns) {
      clip_.clear();
      for (const Run& r : runs_) {
        if (!clip_.empty() && clip_.back().y == y + r.y &&
            clip_.back().x + clip_.back().width == x + r.x0) {
          clip_.back().width = (unsigned short)(clip_.back().width + (r.x1 - r.x0));
        } else {
          clip_.push_back({short(x + r.x0), short(y + r.y), (unsigned short)(r.x1 - r.x0), 1});
        }
      }
      PutClipped(frame, x, y, YXBanded);
    } else {
      // One request for each colour.
      std::stable_sort(runs_.begin(), runs_.end(),
                       [](const Run& a, const Run& b) { return a.color < b.color; });
      for (size_t i = 0; i < runs_.size();) {
        const uint32_t color = runs_[i].color;
        XSetForeground(dpy_, gc_, color);
        points_.clear();
        rects_.clear();
        for (; i < runs_.size() && runs_[i].color == color; ++i) {
          const Run& r = runs_[i];
          if (method_ == Method::kPoints) {
            for (int32_t c = r.x0; c < r.x1; ++c) points_.push_back({short(x + c), short(y + r.y)});
          } else {
            rects_.push_back({short(x + r.x0), short(y + r.y), (unsigned short)(r.x1 - r.x0), 1});
          }
        }
        if (method_ == Method::kPoints) {
          XDrawPoints(dpy_, root_, gc_, points_.data(), int(points_.size()), CoordModeOrigin);
        } else {
          XFillRectangles(dpy_, root_, gc_, rects_.data(), int(rects_.size()));
        }
      }
      XFlush(dpy_);
    }
    Remember(frame);
  }
  int64_t requests = 0, boxes = 0, frames = 0;

 private:
  static constexpr int64_t kPutRequestPixelsForBench = 900;
  struct Run {
    int32_t y, x0, x1;
    uint32_t color;
  };
  void PutClipped(const vellicord::RasterSurface& frame, int32_t x, int32_t y, int ordering) {
    ++frames;
    boxes += int64_t(clip_.size());
    if (clip_.empty()) return;
    XSetClipRectangles(dpy_, gc_, 0, 0, clip_.data(), int(clip_.size()), ordering);
    const vellicord::PixelRect all{0, 0, frame.Width(), frame.Height()};
    image_.Put(root_, gc_, &all, 1, x, y);
  }
  void Remember(const vellicord::RasterSurface& frame) {
    for (int32_t i = 0; i < frame.ChangedCount(); ++i) {
      const vellicord::PixelRect& r = frame.Changed()[i];
      for (int32_t row = r.Top; row < r.Bottom; ++row) {
        const size_t at = size_t(row) * size_t(frame.Width()) + size_t(r.Left);
        std::memcpy(&before_[at], frame.Pixels() + at, size_t(r.Right - r.Left) * 4);
      }
    }
  }
  Display* dpy_;
  vellicord::ShmImage& image_;
  Method method_;
  ::Window root_;
  GC gc_;
  std::vector<uint32_t> before_;
  std::vector<Run> runs_;
  std::vector<XRectangle> clip_, rects_;
  std::vector<XPoint> points_;
};

// The saver's defaults (or the heaviest settings) on the root window, each frame sent by each
// method in turn: the X server's CPU time a frame, each method's own frames from the same draws.
int Methods(int ticks, bool heaviest) {
  using namespace vellicord;
  Display* dpy = XOpenDisplay(nullptr);
  const long server = ServerPid();
  if (!dpy || server == 0) {
    std::fprintf(stderr, "vellicord2-bench-x11: no display or X server pid\n");
    return 1;
  }
  const int screen = DefaultScreen(dpy);
  FigureConfig config;
  if (heaviest) config = {2, 10, 10, kBlack, false};
  for (int m = 0; m < 5; ++m) {
    ShmImage image(dpy, DefaultVisual(dpy, screen), DefaultDepth(dpy, screen));
    ShmMemory memory(image);
    MethodPresenter presenter(dpy, image, Method(m));
    RasterSurface frame;
    frame.SetPixelMemory(&memory);
    frame.SetPresenter(&presenter);
    FixedDraws draws(0.1L, 0.7L, 0.25L, 3, 17);
    auto figure = std::make_unique<Figure>();
    figure->SetUp(config, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen), draws, frame);
    for (int t = 0; t < 64; ++t) figure->Tick();
    XSync(dpy, False);
    double serverUs = 0;
    for (int t = 0; t < ticks; ++t) {
      // The server idles between frames: its time from here to the sync is this frame's.
      const double s0 = CpuUs(server);
      figure->Tick();
      XSync(dpy, False);
      serverUs += CpuUs(server) - s0;
      image.WaitForPuts();
    }
    std::printf("x11method|%dx%d|%s|%s|%.0f|%.0f\n", DisplayWidth(dpy, screen),
                DisplayHeight(dpy, screen), heaviest ? "heaviest" : "defaults", kMethodNames[m],
                serverUs / ticks,
                presenter.frames ? double(presenter.boxes) / double(presenter.frames) : 0.0);
    std::fflush(stdout);
  }
  XCloseDisplay(dpy);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vellicord;
  if (PrintedVersion(argc, argv, "vellicord2-bench-x11")) return 0;
  if (argc > 1 && std::string(argv[1]) == "cost") return Cost();
  if (argc > 2 && std::string(argv[1]) == "frames") return Frames(std::atoi(argv[2]));
  if (argc > 2 && std::string(argv[1]) == "methods") {
    return Methods(std::atoi(argv[2]), argc > 3 && std::string(argv[3]) == "heaviest");
  }
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
