// vellicord2-frame-bench: the rasterizer's share of one frame, curves recorded from the engine
// beforehand: a full clear and repaint of every curve (how every frame was composed before),
// a stepped frame (how the running saver composes them now), the floor of writing the buffer's
// bytes once (memset), and the floor of a step: visiting once each pixel of the three curves it
// changes (visit). With --parts [seconds], the frame cost in its parts for
// scripts/bench.sh instead.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/figure.h"
#include "engine/raster.h"
#include "tests/support/fixed_draws.h"
#include "tests/support/recording_surface.h"
#include "tools/bench_frame_cost.h"
#include "tools/tool_version.h"

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

// Where a step must go: the leaving, entering and rising curves' own pixels, as runs of
// (offset, length) found by drawing each curve alone. The first two are read before they are
// written (which curve shows there decides); the rising one takes every pixel it covers.
using Runs = std::vector<std::pair<uint32_t, uint32_t>>;
struct Step {
  Runs read, written;
};

std::vector<Step> StepPixels(const Recorded& r) {
  RasterSurface alone;
  alone.CreateBuffer(r.width, r.height);
  alone.SetBrushColor(kBlack);
  alone.SetPenColor(kWhite);
  const auto runsOf = [&](const RecordedLine& line, int32_t pen, Runs& runs) {
    alone.Clear();
    alone.SetPenWidth(pen);
    alone.Polyline(line.Points.data(), int32_t(line.Points.size()));
    for (int32_t y = 0; y < r.height; ++y) {
      const uint32_t* row = alone.Pixels() + size_t(y) * size_t(r.width);
      for (int32_t x = 0; x < r.width;) {
        const int32_t start = x;
        while (x < r.width && (row[x] & 0xFFFFFF) != 0) ++x;
        if (x > start) runs.push_back({uint32_t(y * r.width + start), uint32_t(x - start)});
        x += x == start ? 1 : 0;
      }
    }
  };
  std::vector<Step> steps;
  for (size_t i = 1; i < r.frames.size(); ++i) {
    const RecordedFrame& f = r.frames[i];
    Step step;
    runsOf(f.Leaving, f.PenWidth, step.read);
    runsOf(f.Lines.front(), f.PenWidth, step.read);
    runsOf(f.Lines.back(), f.PenWidth, step.written);
    steps.push_back(std::move(step));
  }
  return steps;
}

// The floor of a frame composed from its three changes: each of the step's pixels visited once,
// in runs, read and written where the raster must read, only written where it needn't.
void StepPixelsFloor(benchmark::State& state, const Recorded& r, const std::vector<Step>& steps) {
  std::vector<uint32_t> buffer(size_t(r.width) * size_t(r.height));
  size_t i = 0;
  for (auto _ : state) {
    const uint32_t value = uint32_t(i);
    const Step& step = steps[i++ % steps.size()];
    for (const auto& [at, n] : step.read) {
      uint32_t* p = buffer.data() + at;
      for (uint32_t k = 0; k < n; ++k) p[k] = (p[k] >> 24) == 0 ? value : p[k];
    }
    for (const auto& [at, n] : step.written) std::fill_n(buffer.data() + at, n, value);
    benchmark::DoNotOptimize(buffer.data());
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
  if (vellicord::PrintedVersion(argc, argv, "vellicord2-frame-bench")) return 0;
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
    auto steps = std::make_shared<std::vector<Step>>(StepPixels(*r));
    benchmark::RegisterBenchmark((name + "/visit").c_str(), [r, steps](benchmark::State& s) {
      StepPixelsFloor(s, *r, *steps);
    })->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
