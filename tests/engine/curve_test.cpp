// Curve sampling and the colour wheel.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "engine/figure.h"
#include "tests/support/figure_rig.h"

namespace vellicord {
namespace {

using testing::FigureRig;

struct SampleRig : FigureRig {
  SampleRig(int32_t amplitude, int32_t cx, int32_t cy) {
    figure->Amplitude = amplitude;
    figure->CenterX = cx;
    figure->CenterY = cy;
  }
  const LineSlot& Sample(long double fx, long double fy, long double py = 0, long double px = 0) {
    figure->GetNewWaveData(5, fx, fy, py, px);
    return figure->Lines[5];
  }
};

TEST(Sampling, PointCountFollowsTheFasterFrequency) {
  const struct {
    long double freqX, freqY;
    int32_t points;
  } cases[] = {
      {1, 1, 62},    {2, 2, 122},          {1, 2, 122},      {2, 1, 122},
      {3, 3, 181},  // 60 * M whole: the accumulated sum lands just above pi + step
      {7, 7, 422},   {1.5L, 6.51L, 392},   {6.999L, 1, 421}, {-5e9L, 1, 62},
      {33, 1, 1982}, {1e12L, 1e12L, 1982},  // bounded: sampled at frequency 33's step
  };
  SampleRig rig(100, 200, 150);
  for (const auto& c : cases) {
    EXPECT_EQ(rig.Sample(c.freqX, c.freqY).PointCount, c.points)
        << static_cast<double>(c.freqX) << "," << static_cast<double>(c.freqY);
  }
}

TEST(Sampling, CurveRunsFromMinusPiToPi) {
  SampleRig rig(100, 200, 150);
  const LineSlot& line = rig.Sample(1, 1);
  ASSERT_EQ(line.PointCount, 62);
  // t = -pi and t = pi: cos = -1, sin = 0.
  EXPECT_EQ(line.Points[0].X, 100);
  EXPECT_EQ(line.Points[0].Y, 150);
  EXPECT_EQ(line.Points[61].X, 100);
  EXPECT_EQ(line.Points[61].Y, 150);
  // A quarter of the way: t = -pi/2, cos 0 and sin -1 (up on the screen).
  EXPECT_EQ(line.Points[15].X, 200);
  EXPECT_EQ(line.Points[15].Y, 50);
}

TEST(Sampling, EveryPointStaysWithinTheAmplitude) {
  SampleRig rig(320, 326, 326);
  for (long double f : {1.0L, 2.3L, 4.7L, 7.006L}) {
    const LineSlot& line = rig.Sample(f, 8 - f, 12.5L, 3.25L);
    ASSERT_GT(line.PointCount, 0) << static_cast<double>(f);
    for (int k = 0; k < line.PointCount; ++k) {
      ASSERT_LE(std::abs(line.Points[k].X - 326), 320);
      ASSERT_LE(std::abs(line.Points[k].Y - 326), 320);
    }
  }
}

TEST(Sampling, ZeroAmplitudePutsEveryPointOnTheCentre) {
  SampleRig rig(0, 7, 9);
  const LineSlot& line = rig.Sample(2.7L, 1.3L, 1, 2);
  ASSERT_GT(line.PointCount, 0);
  for (int k = 0; k < line.PointCount; ++k) {
    ASSERT_EQ(line.Points[k].X, 7);
    ASSERT_EQ(line.Points[k].Y, 9);
  }
}

TEST(Sampling, FewerPointsLaterLeaveTheTailAlone) {
  SampleRig rig(100, 200, 150);
  rig.Sample(7, 7);
  const Point tail = rig.figure->Lines[5].Points[400];
  const LineSlot& line = rig.Sample(1, 1);
  EXPECT_EQ(line.PointCount, 62);
  EXPECT_EQ(line.Points[400].X, tail.X);
  EXPECT_EQ(line.Points[400].Y, tail.Y);
}

TEST(Sampling, NanFrequencyDrawsNoPoints) {
  SampleRig rig(100, 200, 150);
  EXPECT_EQ(rig.Sample(std::nanl(""), std::nanl("")).PointCount, 0);
}

TEST(ColorWheel, PositionsSegmentsAndDimming) {
  const struct {
    int32_t clock, hue;
    bool dim;
    ColorValue color;
  } cases[] = {
      {0, 0, false, 0x02FF0000},
      {1, 0, false, 0x02FF0000},
      {2, 0, false, 0x02FF0000},
      {3, 0, false, 0x02FF0001},
      {0, 300, false, 0x02D300FF},
      {0, 700, false, 0x0200BCFF},
      {0, 700, true, 0x020096FF},
      {0, 767, true, 0x0200CCFF},
      {0, 1024, true, 0x0200CC00},
      {4607, 1535, false, 0x02FF0100},
      {4607, 1535, true, 0x02FF0000},
      // The largest clock and hue: (715827882 + 1535) mod 1536 = 1193, segment 4, step 169.
      {INT_MAX - 1, 1535, false, 0x02A9FF00},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WheelColor(c.clock, c.hue, c.dim), c.color) << c.clock << " " << c.hue;
  }
}

TEST(ColorWheel, SegmentEdgesRepeatAColour) {
  for (int32_t edge : {255, 511, 767, 1023, 1279}) {
    EXPECT_EQ(WheelColor(0, edge, false), WheelColor(0, edge + 1, false)) << edge;
    EXPECT_NE(WheelColor(0, edge - 1, false), WheelColor(0, edge, false)) << edge;
  }
  EXPECT_EQ(WheelColor(0, 1535, false), WheelColor(0, 0, false));
  // A full turn is 4608 clock ticks.
  EXPECT_EQ(WheelColor(4608, 77, true), WheelColor(0, 77, true));
}

TEST(ColorWheel, TickColoursTheNewSlotFromClockAndHue) {
  FigureRig white({1, 4, 1, kWhite, true}, 1024, 768, FixedDraws(0.5L, 0.5L, 0.5L, 2, 188));
  white.figure->Clock = 0;
  white.figure->Tick();
  EXPECT_EQ(white.figure->Lines[3].Color, 0x020096FFu);  // position 700, green dimmed
  FigureRig black({1, 4, 1, kBlack, false}, 1024, 768, FixedDraws(0.5L, 0.5L, 0.5L, 2, 188));
  black.figure->Tick();
  EXPECT_EQ(black.figure->Lines[3].Color, 0x0200BCFFu);
}

}  // namespace
}  // namespace vellicord
