// vellicord2: the saver as an XScreenSaver hack, drawing in the daemon's window, the root or a
// window of its own, with its settings from the command line.
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/random.h"
#include "engine/raster.h"
#include "host/tick_schedule.h"
#include "host/timer.h"
#include "host/x11/monotonic_clock.h"
#include "host/x11/saver_host_x11.h"
#include "host/x11/x11_canvas.h"
#include "saver/frame_gate.h"
#include "saver/hack_options.h"
#include "saver/screen_saver_form.h"
#include "settings/settings_source.h"

namespace vellicord {
namespace {

// The form's timer on the program's own loop: ticks on the schedule's grid, taken by the loop.
class LoopTimer final : public SaverTimer {
 public:
  void SetInterval(int32_t intervalMs) override { interval_ = intervalMs; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    if (enabled) schedule_.Start(MonotonicUs(), interval_);
  }
  bool Due(int64_t now) const { return enabled_ && schedule_.IsDue(now); }
  // How long the loop may sleep: -1 for as long as it likes.
  int WaitMs(int64_t now) const { return enabled_ ? schedule_.WaitMs(now) : -1; }
  void Taken(int64_t now) { schedule_.Advance(now); }

 private:
  int32_t interval_ = 0;
  bool enabled_ = false;
  TickSchedule schedule_;
};

int Run(const HackOptions& options) {
  // Blocked before anything else, so a signal in any step is taken by the loop and ends it.
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals, s);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (signalFd < 0) {
    std::perror("vellicord2: signalfd");
    return 1;
  }

  const WindowChoice choice = ChooseWindow(options, std::getenv("XSCREENSAVER_WINDOW"));
  const CanvasKind kind = choice.kind == WindowKind::Own     ? CanvasKind::Own
                          : choice.kind == WindowKind::Given ? CanvasKind::Given
                                                             : CanvasKind::Root;
  std::string error;
  std::unique_ptr<X11Canvas> canvas = X11Canvas::Open(kind, choice.id, error);
  if (!canvas) {
    std::fprintf(stderr, "vellicord2: %s\n", error.c_str());
    return 1;
  }

  X11SaverHost host(*canvas);
  GivenSettings settings(options.settings);
  LoopTimer timer;
  RasterSurface surface;
  surface.SetPresenter(canvas.get());
  surface.SetPixelMemory(canvas.get());
  GatedSurface gate(surface);
  ClockSeededRandom clockRandom;
  GivenDraws givenDraws = DrawsOf(options);
  RandomSource& random = options.fixedDraws ? static_cast<RandomSource&>(givenDraws) : clockRandom;
  // The form holds the trail ring, half a megabyte: not on the stack.
  auto form =
      std::make_unique<TScreenSaverForm>(host, settings, timer, gate, random, canvas->Window());

  // Set up for the window's size, never the screen's: the daemon runs one hack per monitor.
  bool frameShown = false;
  auto setUp = [&] {
    form->FormCreate();
    canvas->Fill(form->Color);
    frameShown = false;
  };
  setUp();

  pollfd fds[2] = {{canvas->Fd(), POLLIN, 0}, {signalFd, POLLIN, 0}};
  while (!host.Ended()) {
    const CanvasEvents events = canvas->Pump();
    if (events.gone) break;
    if (events.quit) form->Close();
    if (host.Ended()) break;
    if (events.resized) setUp();
    if (events.exposed) {
      canvas->Fill(form->Color);
      if (frameShown && gate.FrameCurrent()) canvas->PresentAgain();
    }
    const int64_t now = MonotonicUs();
    if (timer.Due(now)) {
      // Hidden or covered: the clock and the ring go on, the pixels are skipped.
      const bool visible = canvas->Visible();
      gate.SetVisible(visible);
      form->Timer1Timer();
      frameShown = frameShown || visible;
      timer.Taken(now);
      continue;
    }
    if (poll(fds, 2, timer.WaitMs(now)) < 0) continue;
    if (fds[1].revents & POLLIN) break;
    // A closed connection shows as readable; the next Pump reads it and Xlib's I/O error
    // handler ends the program.
  }
  return 0;
}

}  // namespace
}  // namespace vellicord

int main(int argc, char** argv) {
  using namespace vellicord;
  HackOptions options;
  const std::string error =
      ParseHackOptions(std::vector<std::string>(argv + 1, argv + argc), options);
  if (!error.empty()) {
    std::fprintf(stderr, "vellicord2: %s\n%s\n", error.c_str(), kHackUsage);
    return 1;
  }
  if (options.help) {
    std::printf("%s\n", kHackUsage);
    return 0;
  }
  if (options.version) {
    std::printf("%s\n", kHackVersion);
    return 0;
  }
  return Run(options);
}
