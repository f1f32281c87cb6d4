// vellicord2: the saver as an XScreenSaver hack, drawing in the daemon's window, the root or a
// window of its own, with its settings from the command line.
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/ending_signals.h"
#include "common/frame_gate.h"
#include "common/hack_options.h"
#include "common/monotonic_clock.h"
#include "common/present_pacer.h"
#include "common/tick_schedule.h"
#include "common/timer.h"
#include "engine/figure.h"
#include "engine/random.h"
#include "engine/raster.h"
#include "settings/saver_settings.h"
#include "x11/window_choice.h"
#include "x11/x11_canvas.h"

namespace vellicord {
namespace {

// The hack's one state, as an XScreenSaver hack keeps it: the window, the figure and the raster
// it draws with, and the tick schedule.
struct Hack {
  Hack(std::unique_ptr<X11Canvas> window, const HackOptions& options)
      : canvas(std::move(window)),
        config(FigureConfigFor(options.settings)),
        intervalMs(IntervalForSpeed(options.settings.Speed)),
        givenDraws(DrawsOf(options)),
        random(options.fixedDraws ? static_cast<RandomSource&>(givenDraws) : clockRandom) {
    raster.SetPresenter(canvas.get());
    raster.SetPixelMemory(canvas.get());
  }

  // Set up for the window's size, never the screen's: the daemon runs one hack per monitor.
  void Reshape() {
    schedule.Start(MonotonicUs(), intervalMs);
    pacer.SetRefreshHz(canvas->RefreshRateHz());
    figure->SetUp(config, canvas->Width(), canvas->Height(), random, gate);
    canvas->Fill(config.WindowColor);
  }

  void Draw(int64_t now) {
    // Hidden or covered: the clock and the ring go on, the pixels are skipped.
    const bool visible = canvas->Visible();
    gate.SetVisible(visible);
    gate.SetPresentDue(pacer.Due(now));
    figure->Tick();
    schedule.Advance(now);
  }

  void Exposed() {
    canvas->Fill(config.WindowColor);
    // The canvas knows whether its window has been shown a frame since the buffer was made.
    if (gate.FrameCurrent()) canvas->PresentAgain();
  }

  std::unique_ptr<X11Canvas> canvas;
  const FigureConfig config;
  const int32_t intervalMs;
  GivenDraws givenDraws;
  ClockSeededRandom clockRandom;
  RandomSource& random;
  RasterSurface raster;
  GatedSurface gate{raster};
  // The trail ring, half a megabyte: not on the stack, and default-initialised (not
  // make_unique's zeroing), so only the slots in use ever take up memory.
  std::unique_ptr<Figure> figure{new Figure};
  TickSchedule schedule;
  PresentPacer pacer;
};

int Run(const HackOptions& options) {
  const int signalFd = OpenEndingSignals("vellicord2");
  if (signalFd < 0) return 1;

  const WindowChoice choice = ChooseWindow(options, std::getenv("XSCREENSAVER_WINDOW"));
  std::string error;
  std::unique_ptr<X11Canvas> canvas = X11Canvas::Open(choice.kind, choice.id, error);
  if (!canvas) {
    std::fprintf(stderr, "vellicord2: %s\n", error.c_str());
    return 1;
  }
  Hack hack(std::move(canvas), options);
  hack.Reshape();

  pollfd fds[2] = {{hack.canvas->Fd(), POLLIN, 0}, {signalFd, POLLIN, 0}};
  for (;;) {
    const CanvasEvents events = hack.canvas->Pump();
    if (events.gone || events.quit) break;
    if (events.resized) hack.Reshape();
    if (events.exposed) hack.Exposed();
    const int64_t now = MonotonicUs();
    if (hack.schedule.IsDue(now)) {
      hack.Draw(now);
      continue;
    }
    if (poll(fds, 2, hack.schedule.WaitMs(now)) < 0) continue;
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
  if (const auto status =
          AnswerBeforeRunning("vellicord2", kHackUsage, kHackVersion, error, options)) {
    return *status;
  }
  return Run(options);
}
