// The tick grid and the speed-to-interval arithmetic every program ticks by.
#include <gtest/gtest.h>

#include <climits>

#include "common/tick_schedule.h"
#include "common/timer.h"

namespace vellicord {
namespace {

TEST(IntervalForSpeed, WideArithmeticAndBounds) {
  struct Case {
    int32_t speed, interval;
  } cases[] = {{0, 28},
               {1, 21},
               {2, 14},
               {3, 7},
               {4, 0},
               {5, 0},
               {-1, 35},
               {INT32_MAX, 0},
               {INT32_MAX / 7 + 1, 0},
               // 28 - 7 * INT32_MIN does not fit 32 bits: held at the largest interval.
               {INT32_MIN, kMaxTimerInterval},
               {-306783375, kMaxTimerInterval},
               {-306783374, 2147483646},
               {-306783373, 2147483639}};
  for (const Case& c : cases) EXPECT_EQ(IntervalForSpeed(c.speed), c.interval) << c.speed;
}

TEST(TickSchedule, KeepsTheGridThroughSmallLateness) {
  TickSchedule s;
  s.Start(1000, 7);
  EXPECT_EQ(s.Due(), 8000);
  EXPECT_FALSE(s.IsDue(7999));
  EXPECT_TRUE(s.IsDue(8000));
  EXPECT_EQ(s.WaitMs(1000), 7);
  EXPECT_EQ(s.WaitMs(7001), 1);  // a part of a millisecond is slept whole, never cut short
  EXPECT_EQ(s.WaitMs(9000), 0);
  s.Advance(9500);  // woke 1.5 ms late: the next instant stays on the grid
  EXPECT_EQ(s.Due(), 15000);
  s.Advance(21900);  // 6.9 ms late: still less than one interval behind, no tick dropped
  EXPECT_EQ(s.Due(), 22000);
}

TEST(TickSchedule, StallDropsMissedTicksInsteadOfBursting) {
  TickSchedule s;
  s.Start(0, 10);
  s.Advance(1000000);  // a one-second stall
  EXPECT_GT(s.Due(), 1000000);
  EXPECT_LE(s.Due(), 1010000);
  EXPECT_EQ(s.Due() % 10000, 0);  // back on the grid
  // Exactly one interval behind also skips: no two ticks back to back.
  TickSchedule t;
  t.Start(0, 10);
  t.Advance(20000);
  EXPECT_EQ(t.Due(), 30000);
}

TEST(TickSchedule, ZeroOrNegativeIntervalNeverTicks) {
  for (int32_t ms : {0, -7, INT32_MIN}) {
    TickSchedule s;
    s.Start(5, ms);
    EXPECT_FALSE(s.Active());
    EXPECT_FALSE(s.IsDue(INT64_MAX));
    EXPECT_EQ(s.WaitMs(5), -1);
  }
  TickSchedule big;
  big.Start(0, INT32_MAX);
  EXPECT_EQ(big.Due(), int64_t{INT32_MAX} * 1000);
}

}  // namespace
}  // namespace vellicord
