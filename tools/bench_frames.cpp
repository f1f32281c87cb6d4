// vellicord2-bench-frames: one frame's cost in its parts, natively, one line per case for
// scripts/bench.sh: engine, its trig floor, rasterizer, and the memset and memcpy floors (us).
#include <cstdio>
#include <cstdlib>

#include "tools/bench_frame_cost.h"

int main(int argc, char** argv) {
  using namespace vellicord::bench;
  const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
  for (const FrameCase& c : FrameCases()) {
    const RecordedCase r = RecordFrames(c, 32);
    std::printf("frame|%s|%dx%d|%.1f|%.1f|%.1f|%.1f|%.1f\n", c.Name, int(r.BufferWidth),
                int(r.BufferHeight), EngineTickUs(c, seconds), TrigFloorUs(c, seconds),
                RasterUs(r, seconds), MemsetUs(r.BufferWidth, r.BufferHeight, seconds),
                MemcpyUs(r.BufferWidth, r.BufferHeight, seconds));
    std::fflush(stdout);
  }
  return 0;
}
