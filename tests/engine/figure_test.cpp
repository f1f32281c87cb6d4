// Set-up, the lock timeline and the clock of the figure engine.
#include <gtest/gtest.h>

#include <climits>

#include "engine/figure.h"
#include "engine/x87.h"
#include "tests/support/figure_rig.h"

namespace vellicord {
namespace {

using testing::FigureRig;

TEST(SetUp, BoxAndAmplitudeFollowTheWindowHeight) {
  const struct {
    int32_t height, box, amplitude;
  } cases[] = {{768, 653, 320},  {1080, 918, 450},
               {1024, 870, 426}, {1050, 892, 437},
               {765, 650, 318},  {112, 95, 47},
               {0, 0, 0},        {1, 1, 0},
               {-40, 0, 0},      {INT_MAX, 1825361100, 894426939}};
  for (const auto& c : cases) {
    FigureRig rig({}, 1024, c.height);
    EXPECT_EQ(rig.figure->BoxSize, c.box) << c.height;
    EXPECT_EQ(rig.figure->Amplitude, c.amplitude) << c.height;
  }
}

TEST(SetUp, DrawsSeedOnceAndFillTheFieldsInOrder) {
  FigureRig rig({}, 1024, 768, FixedDraws(0.25L, 0.75L, 0.5L, 5, 255));
  const Figure& f = *rig.figure;
  EXPECT_EQ(rig.draws.seeds, 1);
  // Period 1: ((r + 1) * 2) / 3 + 1.
  EXPECT_EQ(f.FreqScaleX, ((0.25L + 1) * 2) / 3 + 1);
  EXPECT_EQ(f.FreqScaleY, ((0.75L + 1) * 2) / 3 + 1);
  EXPECT_EQ(f.PhaseOffset, 0.5L * kPi);
  EXPECT_EQ(f.HueOffset, 1535);
  EXPECT_EQ(f.Clock, 0);
  EXPECT_EQ(f.TicksSinceLock, 100000);
  EXPECT_FALSE(f.Locked);
  EXPECT_EQ(f.PhaseX, 0.0L);
  EXPECT_EQ(f.LockedRatio, 0.0L);
}

TEST(SetUp, FrequencyScalesLieInEachPeriodsRange) {
  const long double justBelowOne = 1.0L - 0x1p-64L;
  const struct {
    int32_t period;
    long double lo, hi;  // [lo, hi) in reals; rounding of the top draw can reach an ulp past hi
  } cases[] = {{0, 1.0L, 5.0L / 3}, {1, 5.0L / 3, 7.0L / 3}, {2, 7.0L / 3, 3.0L}};
  for (const auto& c : cases) {
    for (long double r : {0.0L, 0.5L, justBelowOne}) {
      FigureRig rig({c.period, 4, 1, kBlack, false}, 1024, 768, FixedDraws(r, r, 0, 0, 0));
      for (long double scale : {rig.figure->FreqScaleX, rig.figure->FreqScaleY}) {
        EXPECT_GE(scale, c.lo - 1e-18L) << c.period << " r=" << static_cast<double>(r);
        EXPECT_LE(scale, c.hi + 1e-18L) << c.period << " r=" << static_cast<double>(r);
      }
    }
  }
}

TEST(SetUp, NegativePeriodLiftsOnlyTheVerticalScale) {
  FigureRig rig({-3, 4, 1, kBlack, false}, 1024, 768, FixedDraws(0.5L, 0.5L, 0, 0, 0));
  EXPECT_EQ(rig.figure->FreqScaleY, 1.0L);
  EXPECT_LT(rig.figure->FreqScaleX, 0.0L);
}

// Clock 0 and PhaseOffset 0 make FreqX = 2 * FreqScaleX + 1 and FreqY = FreqScaleY + 1.
std::unique_ptr<FigureRig> RigWithFrequencies(long double freqX, long double freqY) {
  auto rig =
      std::make_unique<FigureRig>(FigureConfig{}, 1024, 768, FixedDraws(0.5L, 0.5L, 0.0L, 0, 0));
  rig->figure->FreqScaleX = (freqX - 1) / 2;
  rig->figure->FreqScaleY = freqY - 1;
  return rig;
}

TEST(Lock, FirstNearMatchIsTakenAndSnapsFreqY) {
  auto rig = RigWithFrequencies(3.0005L, 3.0L);
  Figure& f = *rig->figure;
  f.Tick();
  EXPECT_TRUE(f.Locked);
  EXPECT_EQ(f.LockedRatio, 1.0L);  // (1, 1), not (2, 2) or (3, 3)
  EXPECT_EQ(f.LockTicks, 1);
  EXPECT_EQ(f.TicksSinceLock, 0);
  EXPECT_EQ(f.Clock, 0);
  // The phase of this tick was advanced with the snapped FreqY.
  x87::ExtendedPrecisionScope scope;
  const long double snappedFreqY = 3.0005L * 1.0L;
  EXPECT_EQ(f.PhaseY, (snappedFreqY / 430 + 0.0L) + kPhaseYDrift);
}

TEST(Lock, SameRatioIsRefusedUpToTwoHundredTicksAfterALock) {
  const struct {
    int32_t sinceLock;
    long double lockedRatio;
    bool taken;
  } cases[] = {
      {200, 1.0L, false}, {201, 1.0L, true},
      {0, 1.0L, false},   {200, 0.5L, true},  // another ratio is taken at once
      {5, 1.009L, false},                     // within 0.01 counts as the same
      {5, 1.011L, true},
  };
  for (const auto& c : cases) {
    auto rig = RigWithFrequencies(3.0005L, 3.0L);
    Figure& f = *rig->figure;
    f.TicksSinceLock = c.sinceLock;
    f.LockedRatio = c.lockedRatio;
    f.Tick();
    EXPECT_EQ(f.Locked, c.taken) << c.sinceLock << " " << static_cast<double>(c.lockedRatio);
    EXPECT_EQ(f.LockedRatio, c.taken ? 1.0L : c.lockedRatio);
  }
}

TEST(Lock, RatiosOfWholeMultiples) {
  const struct {
    long double freqX, freqY, ratio;
  } cases[] = {{2.0L, 4.0007L, 2.0L},      // (1, 2)
               {3.0L, 2.0001L, 2.0L / 3},  // (3, 2)
               {1.0004L, 7.0L, 7.0L}};     // (1, 7)
  for (const auto& c : cases) {
    auto rig = RigWithFrequencies(c.freqX, c.freqY);
    rig->figure->Tick();
    EXPECT_TRUE(rig->figure->Locked);
    EXPECT_EQ(rig->figure->LockedRatio, c.ratio);
  }
  auto far = RigWithFrequencies(2.5L, 3.1L);
  far->figure->Tick();
  EXPECT_FALSE(far->figure->Locked);
}

TEST(Lock, TimelineHoldsTheClockForOneThousandAndTwoFrames) {
  FigureRig rig({}, 1024, 768, FixedDraws(0.1L, 0.7L, 0.25L, 3, 17));
  Figure& f = *rig.figure;
  int tick = 0;
  while (!f.Locked) {
    f.Tick();
    ++tick;
    ASSERT_LT(tick, 5000) << "no lock with these draws";
  }
  const int32_t held = f.Clock;
  const uint32_t color = f.Lines[(f.WriteSlot + f.LineCount - 1) % f.LineCount].Color;
  long double phaseX = f.PhaseX;
  // Ticks T+1 to T+1000 keep the clock; LockTicks reads 2 to 1001 after them.
  for (int k = 1; k <= 1000; ++k) {
    const int32_t slot = f.WriteSlot;
    f.Tick();
    ASSERT_TRUE(f.Locked);
    ASSERT_EQ(f.Clock, held);
    ASSERT_EQ(f.LockTicks, k + 1);
    ASSERT_EQ(f.Lines[slot].Color, color);
    ASSERT_GT(f.PhaseX, phaseX);
    phaseX = f.PhaseX;
  }
  // Tick T+1001 still draws with the held clock, then releases and advances.
  f.Tick();
  EXPECT_FALSE(f.Locked);
  EXPECT_EQ(f.LockTicks, 1001);
  EXPECT_EQ(f.Clock, held + 1);
  EXPECT_EQ(f.TicksSinceLock, 1);
}

TEST(Clock, WrapsToZeroInsteadOfReachingTheTop) {
  auto rig = RigWithFrequencies(2.5L, 3.1L);  // far from every ratio
  Figure& f = *rig->figure;
  f.Clock = INT_MAX - 1;
  f.Tick();
  ASSERT_FALSE(f.Locked);
  EXPECT_EQ(f.Clock, 0);
}

TEST(Clock, TicksSinceLockStopsAtTheTopInsteadOfOverflowing) {
  auto rig = RigWithFrequencies(2.5L, 3.1L);
  rig->figure->TicksSinceLock = INT_MAX;
  rig->figure->Tick();
  EXPECT_EQ(rig->figure->TicksSinceLock, INT_MAX);
}

}  // namespace
}  // namespace vellicord
