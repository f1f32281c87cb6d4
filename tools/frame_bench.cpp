// vellicord2-frame-bench: the time to compose one frame with RasterSurface, curves recorded
// from the engine beforehand, beside the floor of writing the buffer's bytes once. With
// --parts [seconds], the frame cost in its parts for scripts/bench.sh instead.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/figure.h"
#include "engine/raster.h"
#include "tests/support/fixed_draws.h"
#include "tests/support/recording_surface.h"
#include "tools/bench_frame_cost.h"

namespace {

using namespace vellicord;

struct Recorded {
  int32_t width = 0, height = 0;
  std::vector<RecordedFrame> frames;
};

// A full ring's worth of frames from a 1920x1080 screen: the buffer is 917x918.
Recorded Record(int32_t lines, int32_t penWidth, int32_t period) {
  RecordingSurface recorder(RecordingSurface::kKeepFrames);
  auto figure = std::make_unique<Figure>();
  FigureConfig config;
  config.Period = period;
  config.NumberOfLines = lines;
  config.WidthOfLines = penWidth;
  FixedDraws draws(0.1L, 0.7L, 0.25L, 3, 17);
  figure->SetUp(config, 1920, 1080, draws, recorder);
  for (int t = 0; t < 64; ++t) figure->Tick();
  Recorded r{recorder.Width, recorder.Height, {}};
  r.frames.assign(recorder.Frames.end() - 32, recorder.Frames.end());
  return r;
}

void ComposeFrame(benchmark::State& state, int32_t lines, int32_t penWidth, int32_t period) {
  const Recorded r = Record(lines, penWidth, period);
  RasterSurface surface;
  surface.CreateBuffer(r.width, r.height);
  size_t i = 0;
  for (auto _ : state) {
    Replay(r.frames[i++ % r.frames.size()], surface);
    benchmark::DoNotOptimize(surface.Pixels());
    benchmark::ClobberMemory();
  }
  int64_t points = 0;
  for (const RecordedLine& line : r.frames[0].Lines) points += int64_t(line.Points.size());
  state.counters["points"] = double(points);
}

void BM_Frame_10Lines_Width10_Period2(benchmark::State& state) {
  ComposeFrame(state, 10, 10, 2);
}
void BM_Frame_Defaults(benchmark::State& state) {
  ComposeFrame(state, 4, 1, 1);
}

void BM_MemsetFloor(benchmark::State& state) {
  std::vector<uint32_t> buffer(size_t(917) * 918);
  int value = 0;
  for (auto _ : state) {
    std::memset(buffer.data(), value++ & 0xFF, buffer.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_Frame_10Lines_Width10_Period2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Frame_Defaults)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemsetFloor)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--parts") == 0) {
    vellicord::bench::PrintFrameParts(argc > 2 ? std::atof(argv[2]) : 1.0);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
