// vellicord2-frame-bench: the rasterizer's share of one frame, curves recorded from the engine
// beforehand: a full clear and repaint of every curve (how every frame was composed before),
// a stepped frame (how the running saver composes them now), and the floor of writing the
// buffer's bytes once (memset). With --parts [seconds], the frame cost in its parts for
// scripts/bench.sh instead.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/figure.h"
#include "engine/raster.h"
#include "tests/support/fixed_draws.h"
#include "tests/support/recording_surface.h"
#include "tools/bench_frame_cost.h"

namespace {

using namespace vellicord;

struct Case {
  const char* name;
  int32_t screenWidth, screenHeight, lines, penWidth, period;
};

// The defaults and the heaviest stored settings, on a 1080p screen (buffer 917x918) and on
// the 1024x768 screen of the CPU figures (652x653).
const Case kCases[] = {
    {"1920x1080/defaults", 1920, 1080, 4, 1, 1},
    {"1920x1080/10lines_w10_P2", 1920, 1080, 10, 10, 2},
    {"1024x768/defaults", 1024, 768, 4, 1, 1},
    {"1024x768/10lines_w10_P2", 1024, 768, 10, 10, 2},
};

// Consecutive frames of a running figure after its ring has filled: each one a step from the
// one before.
constexpr int kFrames = 128;

struct Recorded {
  int32_t width = 0, height = 0;
  std::vector<RecordedFrame> frames;
};

Recorded Record(const Case& c) {
  RecordingSurface recorder(RecordingSurface::kKeepFrames);
  auto figure = std::make_unique<Figure>();
  FigureConfig config;
  config.Period = c.period;
  config.NumberOfLines = c.lines;
  config.WidthOfLines = c.penWidth;
  FixedDraws draws(0.1L, 0.7L, 0.25L, 3, 17);
  figure->SetUp(config, c.screenWidth, c.screenHeight, draws, recorder);
  for (int t = 0; t < 64 + kFrames; ++t) figure->Tick();
  Recorded r{recorder.Width, recorder.Height, {}};
  r.frames.assign(recorder.Frames.end() - kFrames, recorder.Frames.end());
  return r;
}

void FullRepaint(benchmark::State& state, const Recorded& r) {
  RasterSurface surface;
  surface.CreateBuffer(r.width, r.height);
  size_t i = 0;
  for (auto _ : state) {
    Replay(r.frames[i++ % r.frames.size()], surface);
    benchmark::DoNotOptimize(surface.Pixels());
    benchmark::ClobberMemory();
  }
}

// The recorded frames in order; the repaint that starts each round is not timed.
void Stepped(benchmark::State& state, const Recorded& r) {
  RasterSurface surface;
  surface.CreateBuffer(r.width, r.height);
  size_t i = 0;
  for (auto _ : state) {
    if (i == 0) {
      state.PauseTiming();
      Replay(r.frames[0], surface);
      ReplayTrail(r.frames[0], false, surface);
      state.ResumeTiming();
      i = 1;
    }
    ReplayTrail(r.frames[i], true, surface);
    i = (i + 1) % r.frames.size();
    benchmark::DoNotOptimize(surface.Pixels());
    benchmark::ClobberMemory();
  }
}

void MemsetFloor(benchmark::State& state, int32_t width, int32_t height) {
  std::vector<uint32_t> buffer(size_t(width) * size_t(height));
  int value = 0;
  for (auto _ : state) {
    std::memset(buffer.data(), value++ & 0xFF, buffer.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--parts") == 0) {
    vellicord::bench::PrintFrameParts(argc > 2 ? std::atof(argv[2]) : 1.0);
    return 0;
  }
  std::vector<std::shared_ptr<Recorded>> keep;
  for (const Case& c : kCases) {
    auto r = std::make_shared<Recorded>(Record(c));
    keep.push_back(r);
    const std::string name = std::string("BM_Frame/") + c.name;
    benchmark::RegisterBenchmark((name + "/full").c_str(), [r](benchmark::State& s) {
      FullRepaint(s, *r);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((name + "/stepped").c_str(), [r](benchmark::State& s) {
      Stepped(s, *r);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((name + "/memset").c_str(), [r](benchmark::State& s) {
      MemsetFloor(s, r->width, r->height);
    })->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
