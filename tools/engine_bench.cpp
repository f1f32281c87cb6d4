// Engine benchmark: one tick against a do-nothing surface, beside the x87 trig work it needs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/figure.h"
#include "engine/x87.h"
#include "tests/support/fixed_draws.h"
#include "tests/support/null_surface.h"
#include "tools/tool_version.h"

namespace {

using namespace vellicord;

constexpr int kCycle = 4096;  // ticks replayed; long enough to pass through locks

std::unique_ptr<Figure> MakeFigure(int32_t period, NullSurface& surface) {
  FixedDraws draws(0.1L, 0.7L, 0.25L, 3, 17);
  auto f = std::make_unique<Figure>();
  f->SetUp({period, 4, 1, kBlack, false}, 1920, 1080, draws, surface);
  return f;
}

void BM_Tick(benchmark::State& state) {
  NullSurface surface;
  auto figure = MakeFigure(static_cast<int32_t>(state.range(0)), surface);
  auto fresh = std::make_unique<Figure>(*figure);
  int n = 0;
  for (auto _ : state) {
    figure->Tick();
    if (++n == kCycle) {
      // Replay the same ticks so the floor below sees the same curves.
      state.PauseTiming();
      *figure = *fresh;
      n = 0;
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations());
}

// The floor: the sines and cosines the same ticks evaluate (two per point, four per tick),
// on the curves' own arguments, and nothing else.
void BM_TrigFloor(benchmark::State& state) {
  NullSurface surface;
  auto figure = MakeFigure(static_cast<int32_t>(state.range(0)), surface);
  std::vector<int32_t> counts;
  for (int t = 0; t < kCycle; ++t) {
    const int32_t slot = figure->WriteSlot;
    figure->Tick();
    counts.push_back(figure->Lines[slot].PointCount * 2 + 4);
  }
  x87::ExtendedPrecisionScope scope;
  long double arg = 0.25L, sum = 0;
  size_t k = 0;
  for (auto _ : state) {
    const int32_t evaluations = counts[k];
    for (int32_t e = 0; e < evaluations; e += 2) {
      sum += x87::Sin(arg) + x87::Cos(arg + 1);
      arg += 0.013L;
    }
    benchmark::DoNotOptimize(sum);
    if (++k == counts.size()) k = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Tick)->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_TrigFloor)->Arg(0)->Arg(1)->Arg(2);

// Prints each period's tick, floor and their ratio after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nperiod  tick (ns)  trig floor (ns)  ratio\n");
    for (int p = 0; p <= 2; ++p) {
      const double tick = times_["BM_Tick/" + std::to_string(p)];
      const double floor = times_["BM_TrigFloor/" + std::to_string(p)];
      std::printf("%6d  %9.0f  %15.0f  %5.2f\n", p, tick, floor, floor > 0 ? tick / floor : 0);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  if (vellicord::PrintedVersion(argc, argv, "vellicord2-engine-bench")) return 0;
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
