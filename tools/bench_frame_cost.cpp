// Frame cost timings shared by the native and the Windows benchmark.
#include "tools/bench_frame_cost.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/figure.h"
#include "engine/raster.h"
#include "engine/x87.h"
#include "tests/support/fixed_draws.h"
#include "tests/support/null_surface.h"

namespace vellicord::bench {
namespace {

FigureConfig ConfigOf(const FrameCase& c) {
  FigureConfig config;
  config.Period = c.Period;
  config.NumberOfLines = c.Lines;
  config.WidthOfLines = c.PenWidth;
  return config;
}

std::unique_ptr<Figure> MakeFigure(const FrameCase& c, DrawSurface& surface) {
  FixedDraws draws(0.1L, 0.7L, 0.25L, 3, 17);
  auto figure = std::make_unique<Figure>();
  figure->SetUp(ConfigOf(c), c.ScreenWidth, c.ScreenHeight, draws, surface);
  return figure;
}

// Ticks replayed from a fresh figure, so every batch sees the same curves, locks included.
constexpr int kCycle = 4096;

}  // namespace

std::vector<FrameCase> FrameCases() {
  return {
      {"1920x1080 defaults", 1920, 1080, 4, 1, 1},
      {"1920x1080 10 lines w10 P2", 1920, 1080, 10, 10, 2},
      {"1024x768 defaults", 1024, 768, 4, 1, 1},
      {"1024x768 10 lines w10 P2", 1024, 768, 10, 10, 2},
  };
}

double BestMeanUs(const std::function<void()>& work, double seconds) {
  using Clock = std::chrono::steady_clock;
  double best = 0;
  for (int batch = 0; batch < 5; ++batch) {
    const Clock::time_point start = Clock::now();
    int64_t calls = 0;
    double elapsed = 0;
    do {
      work();
      ++calls;
      elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds / 5 || calls < 3);
    const double mean = elapsed * 1e6 / double(calls);
    if (batch == 0 || mean < best) best = mean;
  }
  return best;
}

RecordedCase RecordFrames(const FrameCase& c, int32_t count) {
  RecordingSurface recorder(RecordingSurface::kKeepFrames);
  auto figure = MakeFigure(c, recorder);
  for (int32_t t = 0; t < 64 + count; ++t) figure->Tick();
  RecordedCase r;
  r.BufferWidth = recorder.Width;
  r.BufferHeight = recorder.Height;
  r.Frames.assign(recorder.Frames.end() - count, recorder.Frames.end());
  return r;
}

double EngineTickUs(const FrameCase& c, double seconds) {
  NullSurface surface;
  auto figure = MakeFigure(c, surface);
  const auto fresh = std::make_unique<Figure>(*figure);
  int n = 0;
  // The reset is one copy of the figure per 4096 ticks: far below the timing's noise.
  return BestMeanUs(
      [&] {
        figure->Tick();
        if (++n == kCycle) {
          *figure = *fresh;
          n = 0;
        }
      },
      seconds);
}

double TrigFloorUs(const FrameCase& c, double seconds) {
  NullSurface surface;
  auto figure = MakeFigure(c, surface);
  std::vector<int32_t> evaluations;
  for (int t = 0; t < kCycle; ++t) {
    const int32_t slot = figure->WriteSlot;
    figure->Tick();
    // Two per point, and the four of the frequencies' and phases' own arguments.
    evaluations.push_back(figure->Lines[slot].PointCount * 2 + 4);
  }
  x87::ExtendedPrecisionScope scope;
  long double arg = 0.25L;
  volatile long double sink = 0;
  size_t k = 0;
  return BestMeanUs(
      [&] {
        long double sum = 0;
        for (int32_t e = 0; e < evaluations[k]; e += 2) {
          sum += x87::Sin(arg) + x87::Cos(arg + 1);
          arg += 0.013L;
        }
        sink = sum;
        if (++k == evaluations.size()) k = 0;
      },
      seconds);
}

double RasterUs(const RecordedCase& r, double seconds) {
  RasterSurface surface;
  surface.CreateBuffer(r.BufferWidth, r.BufferHeight);
  size_t i = 0;
  volatile uint32_t sink = 0;
  return BestMeanUs(
      [&] {
        Replay(r.Frames[i++ % r.Frames.size()], surface);
        sink = surface.Pixels()[i % 7];
      },
      seconds);
}

double MemsetUs(int32_t width, int32_t height, double seconds) {
  std::vector<uint32_t> buffer(size_t(width) * size_t(height));
  int value = 0;
  volatile uint32_t sink = 0;
  return BestMeanUs(
      [&] {
        std::memset(buffer.data(), value++ & 0xFF, buffer.size() * sizeof(uint32_t));
        sink = buffer[size_t(value) % buffer.size()];
      },
      seconds);
}

double MemcpyUs(int32_t width, int32_t height, double seconds) {
  std::vector<uint32_t> from(size_t(width) * size_t(height), 0x123456);
  std::vector<uint32_t> to(from.size());
  size_t k = 0;
  volatile uint32_t sink = 0;
  return BestMeanUs(
      [&] {
        from[k % from.size()] = uint32_t(k);
        ++k;
        std::memcpy(to.data(), from.data(), from.size() * sizeof(uint32_t));
        sink = to[k % to.size()];
      },
      seconds);
}

void PrintFrameParts(double seconds) {
  for (const FrameCase& c : FrameCases()) {
    const RecordedCase r = RecordFrames(c, 32);
    std::printf("frame|%s|%dx%d|%.1f|%.1f|%.1f|%.1f|%.1f\n", c.Name, int(r.BufferWidth),
                int(r.BufferHeight), EngineTickUs(c, seconds), TrigFloorUs(c, seconds),
                RasterUs(r, seconds), MemsetUs(r.BufferWidth, r.BufferHeight, seconds),
                MemcpyUs(r.BufferWidth, r.BufferHeight, seconds));
    std::fflush(stdout);
  }
}

}  // namespace vellicord::bench
