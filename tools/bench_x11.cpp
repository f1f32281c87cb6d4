// vellicord2-bench-x11: the X11 program's floor for scripts/bench.sh: its loop on the root
// window at <ms>, presenting a buffer of the saver's size with nothing drawn in it.
//   vellicord2-bench-x11 <ms> [strip|whole]   each tick one dot's strip, or the whole buffer, sent
#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/figure.h"
#include "engine/random.h"
#include "engine/raster.h"
#include "host/tick_schedule.h"
#include "host/x11/monotonic_clock.h"
#include "host/x11/x11_canvas.h"
#include "tools/tool_version.h"

int main(int argc, char** argv) {
  using namespace vellicord;
  if (PrintedVersion(argc, argv, "vellicord2-bench-x11")) return 0;
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
