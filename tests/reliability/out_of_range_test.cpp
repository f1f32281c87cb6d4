// Hand-edited settings at their extremes through the whole engine and the rasterizer: every
// value runs hundreds of ticks at several window sizes without touching memory it doesn't own
// (this file is built with the sanitizers too), and lands on its documented rule.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "common/timer.h"
#include "engine/figure.h"
#include "engine/raster.h"
#include "settings/saver_settings.h"
#include "tests/reliability/longrun_state.h"
#include "tests/support/fixed_draws.h"

namespace vellicord {
namespace {

// Frames of one run, and what the ring looked like along the way.
struct FigureRun {
  std::vector<uint64_t> frames;
  int32_t lineCount = 0;
  int32_t maxPoints = 0;
  bool slotsInRange = true;
};

FigureRun RunFigure(const FigureConfig& config, int32_t width, int32_t height, int ticks) {
  FixedDraws draws(0.25L, 0.75L, 0.5L, 2, 17);
  RasterSurface surface;
  auto figure = std::make_unique<Figure>();
  figure->SetUp(config, width, height, draws, surface);
  FigureRun run;
  run.lineCount = figure->LineCount;
  for (int i = 0; i < ticks; ++i) {
    figure->Tick();
    run.frames.push_back(reliability::FrameChecksum(surface));
    for (const LineSlot& slot : figure->Lines) {
      run.maxPoints = std::max(run.maxPoints, slot.PointCount);
    }
    run.slotsInRange = run.slotsInRange && figure->WriteSlot >= 0 &&
                       figure->WriteSlot < figure->LineCount && figure->DrawSlot >= 0 &&
                       figure->DrawSlot < kRingSlots;
  }
  return run;
}

struct Size {
  int32_t w, h;
  int ticks;
};
// A one-pixel window, a preview-sized one and a screen; the screen runs fewer ticks because
// ten-pixel pens over 31 long curves are slow under the sanitizers.
const Size kSizes[] = {{1, 1, 300}, {152, 112, 300}, {800, 600, 40}};

enum class Setting { Period, NumberOfLines, WidthOfLines };

// The figure the saver sets up when the store holds v for the setting.
FigureConfig With(Setting s, int32_t v) {
  SaverSettings settings;
  if (s == Setting::Period) settings.Period = v;
  if (s == Setting::NumberOfLines) settings.NumberOfLines = v;
  if (s == Setting::WidthOfLines) settings.WidthOfLines = v;
  return FigureConfigFor(settings);
}

// Each out-of-range value against the in-range value its rule makes of it: same ring, same
// pixels, tick after tick.
TEST(OutOfRange, LimitedSettingsDrawAsTheirLimit) {
  struct Case {
    Setting setting;
    int32_t value;
    int32_t sameAs;
  } cases[] = {
      {Setting::NumberOfLines, INT_MIN, 1},   {Setting::NumberOfLines, -1, 1},
      {Setting::NumberOfLines, 0, 1},         {Setting::NumberOfLines, 32, 31},
      {Setting::NumberOfLines, INT_MAX, 31},  {Setting::WidthOfLines, INT_MIN, 1},
      {Setting::WidthOfLines, -1, 1},         {Setting::WidthOfLines, 11, 10},
      {Setting::WidthOfLines, INT_MAX, 10},   {Setting::Period, kMaxPeriod + 1, kMaxPeriod},
      {Setting::Period, INT_MAX, kMaxPeriod},
  };
  for (const Size& size : kSizes) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(size.w) + "x" + std::to_string(size.h) + " value " +
                   std::to_string(c.value));
      const FigureRun got = RunFigure(With(c.setting, c.value), size.w, size.h, size.ticks);
      const FigureRun want = RunFigure(With(c.setting, c.sameAs), size.w, size.h, size.ticks);
      EXPECT_TRUE(got.slotsInRange);
      EXPECT_EQ(got.lineCount, want.lineCount);
      EXPECT_EQ(got.frames, want.frames);
    }
  }
}

// The edges themselves are in range and used as they are; width 0 is a one-pixel pen. Period
// has no lower limit and is used as read up to its highest.
TEST(OutOfRange, EdgesAreUsedAsRead) {
  for (int32_t period : {INT_MIN, -1, kMaxPeriod})
    EXPECT_EQ(With(Setting::Period, period).Period, period);
  for (int32_t n : {1, 31})
    EXPECT_EQ(RunFigure(With(Setting::NumberOfLines, n), 152, 112, 5).lineCount, n);
  const Size& preview = kSizes[1];
  EXPECT_EQ(RunFigure(With(Setting::WidthOfLines, 0), preview.w, preview.h, 50).frames,
            RunFigure(With(Setting::WidthOfLines, 1), preview.w, preview.h, 50).frames);
  EXPECT_NE(RunFigure(With(Setting::WidthOfLines, 10), preview.w, preview.h, 50).frames,
            RunFigure(With(Setting::WidthOfLines, 1), preview.w, preview.h, 50).frames);
}

// The engine itself takes any Period a caller hands it: every curve stays inside its slot, at
// most 60 points per unit of the bounded frequency, and something is drawn at a real window size.
TEST(OutOfRange, PeriodKeepsCurvesInsideTheirSlots) {
  const int32_t bound = static_cast<int32_t>(60 * kMaxSampledFreq) + 2;
  for (const Size& size : kSizes) {
    for (int32_t period : {INT_MIN, -1000, -2, -1, 0, 2, 3, 21, 22, 1000, INT_MAX}) {
      SCOPED_TRACE(std::to_string(size.w) + "x" + std::to_string(size.h) + " period " +
                   std::to_string(period));
      FigureConfig config;
      config.Period = period;
      const FigureRun run = RunFigure(config, size.w, size.h, size.ticks);
      EXPECT_TRUE(run.slotsInRange);
      EXPECT_LE(run.maxPoints, bound);
      EXPECT_LE(run.maxPoints, kSlotPoints);
      if (size.w > 1) {
        EXPECT_GT(run.maxPoints, 1);
      }
    }
  }
}

// Every setting at its worst at once, where it costs most: 31 curves of the most points, ten
// pixels wide, on the screen-sized buffer.
TEST(OutOfRange, AllExtremesTogether) {
  SaverSettings settings;
  settings.Period = INT_MAX;
  settings.NumberOfLines = INT_MAX;
  settings.WidthOfLines = INT_MAX;
  const FigureConfig c = FigureConfigFor(settings);
  const FigureRun run = RunFigure(c, 800, 600, 20);
  EXPECT_EQ(run.lineCount, kRingSlots);
  EXPECT_TRUE(run.slotsInRange);
  EXPECT_LE(run.maxPoints, kSlotPoints);
}

// Speed never reaches the engine: it is the timer's interval, computed without overflow.
TEST(OutOfRange, SpeedGivesABoundedInterval) {
  struct Case {
    int32_t speed, interval;
  } cases[] = {
      {INT_MIN, kMaxTimerInterval}, {-1, 35}, {0, 28}, {3, 7}, {4, 0}, {5, 0}, {INT_MAX, 0}};
  for (const Case& c : cases) EXPECT_EQ(IntervalForSpeed(c.speed), c.interval) << c.speed;
}

// The clock wraps at the top of its range and the frames go on: no overflow on the way.
TEST(OutOfRange, ClockWrapsCleanly) {
  FixedDraws draws(0.25L, 0.75L, 0.5L, 2, 17);
  RasterSurface surface;
  auto figure = std::make_unique<Figure>();
  figure->SetUp(FigureConfig{}, 152, 112, draws, surface);
  reliability::FixLongRunState(*figure, INT_MAX - 50);
  int wraps = 0;
  for (int i = 0; i < 2000; ++i) {
    const int32_t before = figure->Clock;
    figure->Tick();
    wraps += figure->Clock < before;
    ASSERT_GE(figure->Clock, 0);
  }
  EXPECT_EQ(wraps, 1);
}

}  // namespace
}  // namespace vellicord
