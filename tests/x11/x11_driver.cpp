// x11_driver: the X11 program on Xvfb servers of its own, as XScreenSaver and xsecurelock run it:
// the window by XSCREENSAVER_WINDOW (hex, decimal) and --window-id, its pixels against the
// native render of the same draws, the ways it ends, input, resize, hiding, a pause by SIGSTOP,
// the XPutImage fallback without MIT-SHM, its own window and the visual check, and that it leaks
// nothing over many resizes, exposes and ticks.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "settings/saver_settings.h"
#include "tests/support/fixed_draws.h"
#include "tests/support/native_frames.h"

namespace {

using namespace vellicord;
using Clock = std::chrono::steady_clock;

const char* g_hack = nullptr;
constexpr const char* kDraws = "0.3,0.6,0.2,3,77";

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// --- processes

struct Server {
  pid_t pid = 0;
  std::string display;
};

// Another machine's sandboxes may hold low display numbers in the abstract socket namespace,
// where a lock file can't show them: numbers are tried until one answers as ours.
Server StartXvfb(const std::vector<std::string>& extra) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    const std::string display = ":" + std::to_string(300 + (getpid() * 7 + attempt * 37) % 600);
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 1);
      dup2(devnull, 2);
      std::vector<std::string> args = {"Xvfb",    display,   "-displayfd",  std::to_string(fds[1]),
                                       "-screen", "0",       "1024x768x24", "-nolisten",
                                       "tcp",     "-noreset"};
      args.insert(args.end(), extra.begin(), extra.end());
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execvp("Xvfb", argv.data());
      _exit(127);
    }
    close(fds[1]);
    char buf[32] = {};
    const ssize_t n = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    Display* probe = n > 0 ? XOpenDisplay(display.c_str()) : nullptr;
    if (probe) {
      XCloseDisplay(probe);
      return {pid, display};
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  return {};
}

struct Hack {
  pid_t pid = 0;
  int errFd = -1;  // its standard error, in a file already unlinked
  std::string Err() const {
    std::string text;
    char buf[4096];
    ssize_t n;
    for (off_t at = 0; (n = pread(errFd, buf, sizeof buf, at)) > 0; at += n)
      text.append(buf, size_t(n));
    return text;
  }
};

Hack StartHack(const std::string& display, const std::vector<std::string>& args,
               const char* xscreensaverWindow = nullptr) {
  Hack h;
  char path[] = "/tmp/vellicord2-x11-XXXXXX";
  h.errFd = mkstemp(path);
  unlink(path);
  h.pid = fork();
  if (h.pid == 0) {
    dup2(h.errFd, 2);
    setenv("DISPLAY", display.c_str(), 1);
    if (xscreensaverWindow) {
      setenv("XSCREENSAVER_WINDOW", xscreensaverWindow, 1);
    } else {
      unsetenv("XSCREENSAVER_WINDOW");
    }
    std::vector<std::string> all = {g_hack};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(g_hack, argv.data());
    _exit(127);
  }
  return h;
}

// The exit status once the process has ended within ms, else -1 (it is then still running).
int WaitExit(pid_t pid, int ms) {
  const auto start = Clock::now();
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (MsSince(start) > ms) return -1;
    SleepMs(1);
  }
}

void Reap(pid_t pid) {
  if (pid <= 0 || WaitExit(pid, 0) != -1) return;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

void Reap(const Hack& h) {
  Reap(h.pid);
  close(h.errFd);
}

int SharedSegmentsMapped(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  int segments = 0;
  for (std::string line; std::getline(maps, line);) {
    if (line.find("SYSV") != std::string::npos) ++segments;
  }
  return segments;
}

bool MapsSharedMemory(pid_t pid) {
  return SharedSegmentsMapped(pid) > 0;
}

long ResidentKb(pid_t pid) {
  std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
  long size = 0, resident = -1;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// On-CPU time of a process over ms milliseconds, from the scheduler's nanosecond count.
int64_t CpuNsOver(pid_t pid, int ms) {
  auto read = [pid] {
    std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
    int64_t ns = 0;
    in >> ns;
    return ns;
  };
  const int64_t start = read();
  SleepMs(ms);
  return read() - start;
}

// --- the display side

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0xRRGGBB
};

Picture Capture(Display* dpy, Window w) {
  XWindowAttributes wa;
  XGetWindowAttributes(dpy, w, &wa);
  Picture p{wa.width, wa.height, {}};
  XImage* image =
      XGetImage(dpy, w, 0, 0, unsigned(wa.width), unsigned(wa.height), AllPlanes, ZPixmap);
  if (!image) return {};
  p.pixels.resize(size_t(p.width) * size_t(p.height));
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      p.pixels[size_t(y) * size_t(p.width) + size_t(x)] =
          uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
    }
  }
  XDestroyImage(image);
  return p;
}

Window MakeParent(Display* dpy, int width, int height, Visual* visual = nullptr, int depth = 0) {
  const int screen = DefaultScreen(dpy);
  XSetWindowAttributes a = {};
  a.override_redirect = True;
  a.background_pixel = 0;
  a.border_pixel = 0;
  unsigned long mask = CWOverrideRedirect | CWBackPixel | CWBorderPixel;
  if (visual) {
    a.colormap = XCreateColormap(dpy, RootWindow(dpy, screen), visual, AllocNone);
    mask |= CWColormap;
  }
  const Window w = XCreateWindow(dpy, RootWindow(dpy, screen), 0, 0, unsigned(width),
                                 unsigned(height), 0, visual ? depth : CopyFromParent, InputOutput,
                                 visual ? visual : CopyFromParent, mask, &a);
  XMapRaised(dpy, w);
  XSync(dpy, False);
  return w;
}

std::string Hex(Window w) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", w);
  return text;
}

// --- the native render of the same draws, for the window's size

// The settings the saver is given on its command line, as the native render takes them.
SaverSettings Given(int32_t period, int32_t lines, int32_t width, const char* bg) {
  SaverSettings s;
  s.Period = period;
  s.NumberOfLines = lines;
  s.WidthOfLines = width;
  s.BGcolor = bg;
  return s;
}

// The window shows a frame of the native run, after ticks have had time to come. On a loaded
// machine the first frame can come late, and a capture can fall between two of a frame's
// rectangles (one request each), so a capture that matches nothing is taken again, later each
// time, before it counts as a fault.
std::string ShowsNativeFrame(Display* dpy, Window w, const SaverSettings& s, int* tick = nullptr,
                             int waitMs = 400, Clock::time_point* at = nullptr) {
  SleepMs(waitMs);
  std::string error;
  for (const int retryMs : {0, 25, 150, 600}) {
    SleepMs(retryMs);
    const Picture p = Capture(dpy, w);
    if (at) *at = Clock::now();
    if (p.pixels.empty()) return "no capture";
    FixedDraws draws(0.3L, 0.6L, 0.2L, 3, 77);
    NativeFrames native(p.width, p.height, s, draws);
    const int found = native.Find(p.pixels, 0, 4000);
    if (found != 0) {
      if (tick) *tick = found;
      return "";
    }
    error = "window " + std::to_string(p.width) + "x" + std::to_string(p.height) +
            " matches no native frame of 4000 (4 captures)";
  }
  return error;
}

// What the server holds for a process's client, through the X-Resource extension: every
// resource, and the shared-memory segments among them (-1: no such client).
struct ServerHeld {
  long resources = -1;
  long segments = 0;
};

ServerHeld HeldFor(Display* dpy, pid_t pid) {
  XResClientIdSpec every = {0, XRES_CLIENT_ID_PID_MASK};
  long count = 0;
  XResClientIdValue* ids = nullptr;
  ServerHeld held;
  if (XResQueryClientIds(dpy, 1, &every, &count, &ids) != Success) return held;
  for (long i = 0; i < count; ++i) {
    int types = 0;
    XResType* byType = nullptr;
    const auto& [client, length, value] = ids[i];
    if (XResGetClientPid(&ids[i]) != pid ||
        !XResQueryClientResources(dpy, client.client, &types, &byType)) {
      continue;
    }
    held.resources = 0;
    for (int t = 0; t < types; ++t) {
      held.resources += byType[t].count;
      char* name = XGetAtomName(dpy, byType[t].resource_type);
      if (name && std::strcmp(name, "ShmSeg") == 0) held.segments = byType[t].count;
      XFree(name);
    }
    XFree(byType);
  }
  XResClientIdsDestroy(count, ids);
  return held;
}

// --- the cases

int g_passed = 0;
int g_failed = 0;

void Report(const std::string& name, const std::string& error) {
  if (error.empty()) {
    ++g_passed;
    std::printf("ok   %s\n", name.c_str());
  } else {
    ++g_failed;
    std::printf("FAIL %s: %s\n", name.c_str(), error.c_str());
  }
  std::fflush(stdout);
}

// A signal ends the program within 100 ms with status 0.
std::string EndsBySignal(const Hack& h, int sig) {
  const auto start = Clock::now();
  kill(h.pid, sig);
  const int status = WaitExit(h.pid, 1000);
  const double ms = MsSince(start);
  if (status != 0)
    return "status " + std::to_string(status) + " after signal " + std::to_string(sig);
  if (ms > 100) return "took " + std::to_string(int(ms)) + " ms to end";
  return "";
}

void DaemonWindowCases(Display* dpy, const std::string& display) {
  struct Case {
    const char* name;
    std::function<std::vector<std::string>(Window)> args;
    std::function<std::string(Window)> env;
    SaverSettings settings;
    int intervalMs;
    int signal;
  } cases[] = {
      {"XSCREENSAVER_WINDOW in hex, --root, defaults; input ignored; SIGTERM",
       [](Window) {
         return std::vector<std::string>{"--root", "--draws", kDraws};
       },
       [](Window w) { return Hex(w); },
       {},
       14,
       SIGTERM},
      {"XSCREENSAVER_WINDOW in decimal, -root, every setting given; SIGINT",
       [](Window) {
         return std::vector<std::string>{
             "-root",       "-draws", kDraws,        "-speed", "3",           "-lines", "7",
             "-line-width", "3",      "-complexity", "2",      "-background", "WHITE"};
       },
       [](Window w) { return std::to_string(w); }, Given(2, 7, 3, "White"), 7, SIGINT},
      {"--window-id beats a wrong XSCREENSAVER_WINDOW; SIGHUP",
       [](Window w) {
         return std::vector<std::string>{"--root", "--window-id", Hex(w), "--draws",
                                         kDraws,   "--lines",     "31",   "--fps"};
       },
       [](Window) { return std::string("0x1"); }, Given(1, 31, 1, "Black"), 14, SIGHUP},
  };
  for (const Case& c : cases) {
    const Window parent = MakeParent(dpy, 640, 480);
    const std::string env = c.env(parent);
    const Hack h = StartHack(display, c.args(parent), env.c_str());
    int first = 0, second = 0;
    Clock::time_point firstAt, secondAt;
    std::string error = ShowsNativeFrame(dpy, parent, c.settings, &first, 400, &firstAt);
    if (error.empty() && !MapsSharedMemory(h.pid)) error = "no shared memory mapped";
    // Ticks come at the speed's interval, 28 - 7 x speed ms (a loaded machine may drop some).
    if (error.empty()) error = ShowsNativeFrame(dpy, parent, c.settings, &second, 1000, &secondAt);
    const double expected =
        std::chrono::duration<double, std::milli>(secondAt - firstAt).count() / c.intervalMs;
    if (error.empty() && (second - first < 0.6 * expected || second - first > 1.1 * expected)) {
      error = std::to_string(second - first) + " ticks where " + std::to_string(int(expected)) +
              " were due";
    }
    if (error.empty() && c.signal == SIGTERM) {
      // The daemon owns input: keys, clicks and pointer motion over its window change nothing.
      XWarpPointer(dpy, None, parent, 0, 0, 0, 0, 10, 10);
      XWarpPointer(dpy, None, parent, 0, 0, 0, 0, 300, 200);
      XEvent e = {};
      e.xkey.type = KeyPress;
      e.xkey.window = parent;
      e.xkey.keycode = XKeysymToKeycode(dpy, XK_Escape);
      XSendEvent(dpy, parent, True, KeyPressMask, &e);
      e.xbutton.type = ButtonPress;
      e.xbutton.button = 1;
      XSendEvent(dpy, parent, True, ButtonPressMask, &e);
      // Once the server has the input, the program's loop reads its events before each tick:
      // two frames on, it has seen them and gone on.
      XSync(dpy, False);
      int sent = 0, later = 0;
      error = ShowsNativeFrame(dpy, parent, c.settings, &sent, 0);
      const auto asked = Clock::now();
      while (error.empty() && later < sent + 2 && MsSince(asked) < 3000) {
        error = ShowsNativeFrame(dpy, parent, c.settings, &later, 20);
      }
      if (WaitExit(h.pid, 0) != -1) error = "ended on input";
      if (error.empty() && later < sent + 2) error = "no frame drawn after the input";
    }
    if (error.empty()) error = EndsBySignal(h, c.signal);
    Reap(h);
    XDestroyWindow(dpy, parent);
    XSync(dpy, False);
    Report(c.name, error);
  }
}

void ResizeHideDestroy(Display* dpy, const std::string& display) {
  const Window parent = MakeParent(dpy, 640, 480);
  // Ten wide lines: a shown tick then costs far more than the engine's own, so the CPU check
  // below has a margin that a loaded machine can't eat (at the defaults the two came within a
  // third of each other).
  const SaverSettings wide = Given(SaverSettings{}.Period, 10, 10, "Black");
  const Hack h = StartHack(display, {"--window-id", std::to_string(parent), "--draws", kDraws,
                                     "--lines", "10", "--line-width", "10"});
  std::string error = ShowsNativeFrame(dpy, parent, wide);
  if (error.empty()) {
    // Portrait, narrower than the frame: set up again for the new size, frame cut at both sides.
    XResizeWindow(dpy, parent, 500, 700);
    XSync(dpy, False);
    error = ShowsNativeFrame(dpy, parent, wide);
  }
  Report("resize sets the figure up again for the window's new size", error);

  // Unmapped or covered: no pixels are made, so the program's CPU time all but stops, while
  // the clock goes on. Each window starts once the server has the change: the program sees it
  // before its next tick, so at most the tick in flight is drawn inside it.
  int before = 0, after = 0;
  error = ShowsNativeFrame(dpy, parent, wide, &before, 0);
  const int64_t shown = error.empty() ? CpuNsOver(h.pid, 800) : 0;
  XUnmapWindow(dpy, parent);
  XSync(dpy, False);
  const int64_t unmapped = CpuNsOver(h.pid, 800);
  XMapRaised(dpy, parent);
  const Window cover = MakeParent(dpy, 700, 800);
  const int64_t covered = CpuNsOver(h.pid, 800);
  XDestroyWindow(dpy, cover);
  XSync(dpy, False);
  // The engine's own tick stays: a hidden tick costs a good part of a shown one, not all.
  if (error.empty() && (unmapped * 3 > shown * 2 || covered * 3 > shown * 2)) {
    error = "CPU shown " + std::to_string(shown / 1000) + " us, unmapped " +
            std::to_string(unmapped / 1000) + " us, covered " + std::to_string(covered / 1000) +
            " us";
  }
  if (error.empty()) error = ShowsNativeFrame(dpy, parent, wide, &after, 100);
  // 1.7 s hidden at 14 ms a tick: some 120 ticks that the clock must not have skipped.
  if (error.empty() && after - before < 80) {
    error = "clock went " + std::to_string(after - before) + " ticks over 1.7 s";
  }
  Report("nothing drawn while unmapped or covered; the clock goes on", error);

  const auto start = Clock::now();
  XDestroyWindow(dpy, parent);
  XSync(dpy, False);
  const int status = WaitExit(h.pid, 1000);
  const double ms = MsSince(start);
  error = status != 0 ? "status " + std::to_string(status)
          : ms > 100  ? "took " + std::to_string(int(ms)) + " ms"
                      : "";
  Reap(h);
  Report("its window destroyed ends it within 100 ms, status 0", error);
}

// Resized (heights that are no multiple of the 16-row tiles), exposed and ticking for a long
// while, it holds one shared-memory segment, and its X resources and resident memory come back
// to what they were at the same size after the first round of sizes.
void LeaksNothing(Display* dpy, const std::string& display) {
  constexpr int kTicks = 3000, kIntervalMs = 7;  // --speed 3
  const struct {
    unsigned width, height;
  } sizes[] = {{500, 701}, {777, 333}, {320, 241}, {1003, 767}, {64, 9},
               {640, 1},   {333, 111}, {900, 555}, {640, 487},  {640, 479}};
  const Window parent = MakeParent(dpy, 640, 479);
  const Hack h =
      StartHack(display, {"--window-id", Hex(parent), "--draws", kDraws, "--speed", "3"});
  std::string error = ShowsNativeFrame(dpy, parent, {});
  ServerHeld first;
  long firstKb = 0;
  for (int round = 0; round < 50 && error.empty(); ++round) {
    const auto& size = sizes[round % 10];
    XResizeWindow(dpy, parent, size.width, size.height);
    XSync(dpy, False);
    SleepMs(3 * kIntervalMs);
    XClearArea(dpy, parent, 0, 0, 0, 0, True);  // an expose of the whole window
    XSync(dpy, False);
    SleepMs(3 * kIntervalMs);
    const ServerHeld held = HeldFor(dpy, h.pid);
    const int mapped = SharedSegmentsMapped(h.pid);
    if (held.resources < 0 || held.segments != 1 || mapped != 1) {
      error = "after resize " + std::to_string(round + 1) + ": " + std::to_string(mapped) +
              " segments mapped, " + std::to_string(held.segments) + " attached, " +
              std::to_string(held.resources) + " resources";
    }
    if (round == 9) {
      first = held;
      firstKb = ResidentKb(h.pid);
    }
  }
  // The ticks run at the size the first round ended at, so the same buffers are due as then.
  const auto ticking = Clock::now();
  if (error.empty()) SleepMs(kTicks * kIntervalMs);
  int ticks = 0;
  if (error.empty()) error = ShowsNativeFrame(dpy, parent, {}, &ticks, 0);
  const ServerHeld last = HeldFor(dpy, h.pid);
  const long lastKb = ResidentKb(h.pid);
  std::printf("     %d ticks in %.1f s; X resources %ld, then %ld; resident %ld KB, then %ld KB\n",
              ticks, MsSince(ticking) / 1000, first.resources, last.resources, firstKb, lastKb);
  if (error.empty() && ticks < kTicks * 9 / 10) error = std::to_string(ticks) + " ticks only";
  if (error.empty() && (last.resources != first.resources || last.segments != 1)) {
    error = "X resources went from " + std::to_string(first.resources) + " to " +
            std::to_string(last.resources) + ", segments " + std::to_string(last.segments);
  }
  // Slack for the allocator and the kept curves growing to their longest: one frame's buffer
  // at this size is over a megabyte.
  if (error.empty() && lastKb > firstKb + 1024) {
    error = "resident memory grew from " + std::to_string(firstKb) + " KB to " +
            std::to_string(lastKb) + " KB";
  }
  if (error.empty()) error = EndsBySignal(h, SIGTERM);
  Reap(h);
  XDestroyWindow(dpy, parent);
  XSync(dpy, False);
  Report("50 resizes, 50 exposes, 3000 ticks: one segment; X resources and memory flat", error);
}

// MATE's and Xfce's screen savers pause a hack with SIGSTOP while their unlock dialog is up and
// resume it with SIGCONT. The ticks missed meanwhile are dropped, not run back to back; the
// window, covered and uncovered while it slept, shows the current frame at once; and the ticks
// go on at the speed's interval.
void PausedAndResumed(Display* dpy, const std::string& display) {
  constexpr int kIntervalMs = 14;  // the default speed, 2
  constexpr int kPauseMs = 3000;
  const Window parent = MakeParent(dpy, 640, 480);
  const Hack h = StartHack(display, {"--window-id", Hex(parent), "--draws", kDraws});
  int before = 0, resumed = 0, later = 0;
  Clock::time_point beforeAt, resumedAt, laterAt;
  std::string error = ShowsNativeFrame(dpy, parent, {}, &before, 400, &beforeAt);
  if (error.empty()) {
    const auto stopped = Clock::now();
    kill(h.pid, SIGSTOP);
    SleepMs(kPauseMs / 2);
    const Window cover = MakeParent(dpy, 640, 480);
    SleepMs(kPauseMs / 2);
    XDestroyWindow(dpy, cover);
    XSync(dpy, False);
    const double pausedMs = MsSince(stopped);
    kill(h.pid, SIGCONT);
    // Within a few ticks the uncovered window holds a whole frame again, the one now due.
    error = ShowsNativeFrame(dpy, parent, {}, &resumed, 4 * kIntervalMs, &resumedAt);
    const double runMs =
        std::chrono::duration<double, std::milli>(resumedAt - beforeAt).count() - pausedMs;
    if (error.empty() && resumed - before > runMs / kIntervalMs * 1.1 + 3) {
      error = std::to_string(resumed - before) + " ticks in " + std::to_string(int(runMs)) +
              " ms of running around a " + std::to_string(int(pausedMs)) +
              " ms pause: the missed ticks came in a burst";
    }
  }
  if (error.empty()) error = ShowsNativeFrame(dpy, parent, {}, &later, 1000, &laterAt);
  const double expected =
      std::chrono::duration<double, std::milli>(laterAt - resumedAt).count() / kIntervalMs;
  if (error.empty() && (later - resumed < 0.6 * expected || later - resumed > 1.1 * expected)) {
    error = std::to_string(later - resumed) + " ticks after the pause where " +
            std::to_string(int(expected)) + " were due";
  }
  if (error.empty()) error = EndsBySignal(h, SIGTERM);
  Reap(h);
  XDestroyWindow(dpy, parent);
  XSync(dpy, False);
  Report("paused by SIGSTOP, resumed by SIGCONT: no burst, the current frame, its own rate", error);
}

Window FindNamed(Display* dpy, const char* name) {
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count);
  for (unsigned i = 0; i < count && !found; ++i) {
    char* title = nullptr;
    if (XFetchName(dpy, children[i], &title) && title) {
      if (std::strcmp(title, name) == 0) found = children[i];
      XFree(title);
    }
  }
  if (children) XFree(children);
  return found;
}

void OwnWindowAndRefusals(Display* dpy, const std::string& display) {
  // q, Escape and the window manager's close each end it; other keys leave it running.
  for (const KeySym end : {KeySym(XK_q), KeySym(XK_Escape), KeySym(0)}) {
    const Hack h = StartHack(display, {"--draws", kDraws, "--background", "white"});
    Window own = 0;
    for (int i = 0; i < 200 && !own; ++i, SleepMs(10)) own = FindNamed(dpy, "Vellicord2");
    std::string error = !own          ? "no window"
                        : end == XK_q ? ShowsNativeFrame(dpy, own, Given(1, 4, 1, "White"))
                                      : "";
    if (error.empty()) {
      XEvent e = {};
      e.xkey.type = KeyPress;
      e.xkey.window = own;
      e.xkey.root = DefaultRootWindow(dpy);
      e.xkey.same_screen = True;
      e.xkey.keycode = XKeysymToKeycode(dpy, XK_space);
      XSendEvent(dpy, own, False, KeyPressMask, &e);
      XSync(dpy, False);
      if (WaitExit(h.pid, 200) != -1) error = "ended on space";
      if (end != 0) {
        e.xkey.keycode = XKeysymToKeycode(dpy, end);
        XSendEvent(dpy, own, False, KeyPressMask, &e);
      } else {
        XEvent c = {};
        c.xclient.type = ClientMessage;
        c.xclient.window = own;
        c.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
        c.xclient.format = 32;
        c.xclient.data.l[0] = long(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
        XSendEvent(dpy, own, False, NoEventMask, &c);
      }
      XSync(dpy, False);
      const int status = WaitExit(h.pid, 1000);
      if (error.empty() && status != 0) error = "status " + std::to_string(status);
    }
    Reap(h);
    Report(end == XK_q        ? "own window: the figure at its size, white; q ends it"
           : end == XK_Escape ? "own window: Escape ends it"
                              : "own window: the window manager's close ends it",
           error);
  }

  std::string error;
  const Hack bad = StartHack(display, {"--root", "--lines", "40"});
  const int status = WaitExit(bad.pid, 2000);
  error = status != 1 ? "status " + std::to_string(status)
          : bad.Err().find("usage: vellicord2") == std::string::npos ? "no usage line: " + bad.Err()
                                                                     : "";
  Reap(bad);
  Report("an option out of range: status 1 and the usage line", error);

  // A 32-bit ARGB window (a compositing desktop's): the same pixels, and opaque.
  XVisualInfo argb;
  error = "";
  if (!XMatchVisualInfo(dpy, DefaultScreen(dpy), 32, TrueColor, &argb)) {
    error = "the server offers no 32-bit visual to try";
  } else {
    const Window parent = MakeParent(dpy, 400, 300, argb.visual, 32);
    const Hack h32 = StartHack(display, {"--window-id", Hex(parent), "--draws", kDraws});
    error = ShowsNativeFrame(dpy, parent, {});
    XImage* image = XGetImage(dpy, parent, 0, 0, 400, 300, AllPlanes, ZPixmap);
    if (error.empty() && (!image || (XGetPixel(image, 200, 150) >> 24) != 0xFF)) {
      error = "alpha is not opaque";
    }
    if (image) XDestroyImage(image);
    if (error.empty()) error = EndsBySignal(h32, SIGTERM);
    Reap(h32);
    XDestroyWindow(dpy, parent);
  }
  Report("a 32-bit ARGB window: the same pixels, opaque", error);

  XVisualInfo want;
  error = "";
  if (!XMatchVisualInfo(dpy, DefaultScreen(dpy), 24, DirectColor, &want)) {
    error = "the server offers no DirectColor visual to try";
  } else {
    const Window parent = MakeParent(dpy, 320, 240, want.visual, 24);
    const Hack h2 = StartHack(display, {"--window-id", Hex(parent)});
    const int s = WaitExit(h2.pid, 2000);
    if (s != 1) error = "status " + std::to_string(s);
    if (error.empty() && h2.Err().find("TrueColor") == std::string::npos) {
      error = "message does not say why: " + h2.Err();
    }
    Reap(h2);
    XDestroyWindow(dpy, parent);
  }
  Report("a DirectColor window is refused with a message, status 1", error);
}

void WithoutSharedMemory() {
  const Server server = StartXvfb({"-extension", "MIT-SHM"});
  Display* dpy = server.display.empty() ? nullptr : XOpenDisplay(server.display.c_str());
  if (!dpy) {
    Report("without MIT-SHM: XPutImage", "no Xvfb without MIT-SHM");
    Reap(server.pid);
    return;
  }
  const Window parent = MakeParent(dpy, 640, 480);
  const Hack h = StartHack(server.display, {"--window-id", Hex(parent), "--draws", kDraws});
  std::string error = ShowsNativeFrame(dpy, parent, {});
  if (error.empty() && MapsSharedMemory(h.pid)) error = "shared memory mapped all the same";
  Report("without MIT-SHM: the same pixels through XPutImage", error);

  // The display goes away under it: the connection is lost and it ends, status 0.
  XCloseDisplay(dpy);
  kill(server.pid, SIGTERM);
  waitpid(server.pid, nullptr, 0);
  const auto start = Clock::now();
  const int status = WaitExit(h.pid, 2000);
  const double ms = MsSince(start);
  error = status != 0 ? "status " + std::to_string(status)
          : ms > 100  ? "took " + std::to_string(int(ms)) + " ms"
                      : "";
  Reap(h);
  Report("display closed: ends within 100 ms, status 0", error);
}

// A screen whose buffer is above 2 Mpixels: one-pixel curves' steps go as their changed pixels,
// drawn as points, which must leave the window exactly as the frame.
void LargeScreen() {
  const Server server = StartXvfb({"-screen", "0", "3840x2160x24"});
  Display* dpy = server.display.empty() ? nullptr : XOpenDisplay(server.display.c_str());
  if (!dpy) {
    Report("3840x2160: changed pixels as points", "no Xvfb at 3840x2160");
    Reap(server.pid);
    return;
  }
  const Hack h = StartHack(server.display, {"--root", "--draws", kDraws});
  Report("3840x2160 root, defaults: changed pixels as points, the same pixels",
         ShowsNativeFrame(dpy, DefaultRootWindow(dpy), {}, nullptr, 1500));
  kill(h.pid, SIGTERM);
  Reap(h);
  XCloseDisplay(dpy);
  kill(server.pid, SIGTERM);
  waitpid(server.pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: x11_driver PATH-TO-vellicord2\n");
    return 2;
  }
  g_hack = argv[1];
  // Requests on windows the program took down with it fail; the checks report what matters.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  const Server server = StartXvfb({});
  Display* dpy = server.display.empty() ? nullptr : XOpenDisplay(server.display.c_str());
  if (!dpy) {
    std::fprintf(stderr, "x11_driver: cannot start Xvfb (display \"%s\")\n",
                 server.display.c_str());
    Reap(server.pid);
    return 1;
  }
  DaemonWindowCases(dpy, server.display);
  ResizeHideDestroy(dpy, server.display);
  PausedAndResumed(dpy, server.display);
  LeaksNothing(dpy, server.display);
  OwnWindowAndRefusals(dpy, server.display);
  XCloseDisplay(dpy);
  kill(server.pid, SIGTERM);
  waitpid(server.pid, nullptr, 0);
  WithoutSharedMemory();
  LargeScreen();
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
