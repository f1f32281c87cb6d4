// The engine's numbers: constant bit patterns, halves to even, trig limits, and the control word.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/figure.h"
#include "engine/x87.h"
#include "tests/support/figure_rig.h"

namespace vellicord {
namespace {

struct Bits {
  uint64_t significand;
  uint16_t signExponent;
};

Bits BitsOf(long double x) {
  Bits b;
  std::memcpy(&b.significand, &x, 8);
  std::memcpy(&b.signExponent, reinterpret_cast<const char*>(&x) + 8, 2);
  return b;
}

// Significands and biased exponents of the nearest extended values, worked out with exact
// rational arithmetic from 80-digit decimal expansions.
TEST(Constants, AreTheNearestExtendedValues) {
  const struct {
    const char* name;
    long double value;
    uint64_t significand;
    uint16_t exponent;
  } cases[] = {
      {"pi", kPi, 0xc90fdaa22168c235ull, 0x4000},
      {"pi/30", kPiOver30, 0xd6774f9bdf5ead05ull, 0x3ffb},
      {"0.85", kBoxShare, 0xd99999999999999aull, 0x3ffe},
      {"0.49", kAmplitudeShare, 0xfae147ae147ae148ull, 0x3ffd},
      {"0.001", kRatioTolerance, 0x83126e978d4fdf3bull, 0x3ff5},
      {"0.01", kSameRatio, 0xa3d70a3d70a3d70aull, 0x3ff8},
      {"5/412", kPhaseYDrift, 0xc6d5bf60ee9a18dbull, 0x3ff8},
  };
  for (const auto& c : cases) {
    const Bits b = BitsOf(c.value);
    EXPECT_EQ(b.significand, c.significand) << c.name;
    EXPECT_EQ(b.signExponent, c.exponent) << c.name;
  }
}

TEST(Constants, PiOver30IsNotTheRoundedTwentyDigitLiteral) {
  // The 20-digit decimal text rounds to the neighbour one unit below.
  const long double literal = 0.10471975511965977461L;
  EXPECT_EQ(BitsOf(kPiOver30).significand - BitsOf(literal).significand, 1u);
}

TEST(X87, RoundsHalvesToEven) {
  x87::ExtendedPrecisionScope scope;
  const struct {
    long double in;
    int32_t out;
  } cases[] = {{652.5L, 652}, {653.5L, 654}, {0.5L, 0},    {1.5L, 2},
               {-0.5L, 0},    {-1.5L, -2},   {-2.5L, -2},  {892.5L, 892},
               {318.5L, 318}, {2.4999L, 2},  {2.5001L, 3}, {-7.6L, -8}};
  for (const auto& c : cases) EXPECT_EQ(x87::RoundToInt(c.in), c.out) << static_cast<double>(c.in);
}

TEST(X87, TrigGivesZeroFromTwoToTheSixtyThree) {
  x87::ExtendedPrecisionScope scope;
  for (long double x : {0x1p63L, -0x1p63L, 0x1p64L, -0x1p100L}) {
    EXPECT_EQ(x87::Sin(x), 0.0L);
    EXPECT_EQ(x87::Cos(x), 0.0L);
  }
  // Just below the limit the instructions still answer.
  const long double below = 0x1p63L - 0x1p0L * 1024;
  EXPECT_NE(x87::Sin(below), 0.0L);
  EXPECT_NE(x87::Cos(below), 0.0L);
}

// The same run under the inherited 53-bit word and the extended one.
std::unique_ptr<testing::FigureRig> RunUnder(uint16_t inherited, int ticks) {
  const uint16_t before = x87::ControlWord();
  x87::SetControlWord(inherited);
  auto rig = std::make_unique<testing::FigureRig>(FigureConfig{2, 7, 1, kBlack, false}, 1280, 1024,
                                                  FixedDraws(0.3L, 0.6L, 0.9L, 2, 100));
  for (int t = 0; t < ticks; ++t) rig->figure->Tick();
  const uint16_t after = x87::ControlWord();
  x87::SetControlWord(before);
  EXPECT_EQ(after, inherited) << "the engine must give back the word it found";
  return rig;
}

TEST(X87, FiftyThreeBitPrecisionInheritedChangesNothing) {
  {
    // The 53-bit word really does round: without the engine's own scope results would differ.
    const uint16_t before = x87::ControlWord();
    x87::SetControlWord(0x027F);
    volatile long double tiny = 0x1p-60L;
    volatile long double sum = 1.0L + tiny;
    x87::SetControlWord(before);
    ASSERT_EQ(sum, 1.0L);
  }
  auto extended = RunUnder(0x037F, 1500);
  auto reduced = RunUnder(0x027F, 1500);
  const Figure& a = *extended->figure;
  const Figure& b = *reduced->figure;
  EXPECT_EQ(a.Clock, b.Clock);
  EXPECT_EQ(a.LockTicks, b.LockTicks);
  EXPECT_EQ(BitsOf(a.PhaseX).significand, BitsOf(b.PhaseX).significand);
  EXPECT_EQ(BitsOf(a.PhaseY).significand, BitsOf(b.PhaseY).significand);
  EXPECT_EQ(BitsOf(a.LockedRatio).significand, BitsOf(b.LockedRatio).significand);
  for (int s = 0; s < kRingSlots; ++s) {
    ASSERT_EQ(a.Lines[s].PointCount, b.Lines[s].PointCount) << "slot " << s;
    EXPECT_EQ(
        std::memcmp(a.Lines[s].Points, b.Lines[s].Points, sizeof(Point) * a.Lines[s].PointCount), 0)
        << "slot " << s;
  }
}

}  // namespace
}  // namespace vellicord
