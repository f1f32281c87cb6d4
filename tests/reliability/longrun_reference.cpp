// The native side of the long run: the engine and rasterizer alone, from the same fixed state,
// print the checksum the Windows frame path must end on.
// Usage: vellicord2-longrun-reference WIDTH HEIGHT CLOCK TICKS
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "tests/reliability/longrun_state.h"
#include "tests/support/fixed_draws.h"
#include "tools/trace_options.h"

int main(int argc, char** argv) {
  using namespace vellicord;
  int32_t width = 0, height = 0, clock = 0, ticks = 0;
  if (argc != 5 || !ParseInt32(argv[1], width) || !ParseInt32(argv[2], height) ||
      !ParseInt32(argv[3], clock) || !ParseInt32(argv[4], ticks) || ticks < 0) {
    std::fprintf(stderr, "usage: vellicord2-longrun-reference WIDTH HEIGHT CLOCK TICKS\n");
    return 2;
  }
  // The saver's defaults: 4 lines one pixel wide on black.
  FixedDraws draws(0.5L, 0.5L, 0.5L, 0, 0);
  RasterSurface surface;
  auto figure = std::make_unique<Figure>();
  figure->SetUp(FigureConfig{}, width, height, draws, surface);
  reliability::FixLongRunState(*figure, clock);
  int wraps = 0;
  for (int32_t i = 0; i < ticks; ++i) {
    const int32_t before = figure->Clock;
    figure->Tick();
    wraps += figure->Clock < before;
  }
  std::printf("checksum %016llx clock %d wraps %d\n",
              static_cast<unsigned long long>(reliability::FrameChecksum(surface)), figure->Clock,
              wraps);
  return 0;
}
