// The tick counters the saver publishes: their interval percentile (bin edges, the share asked
// for, intervals past the end), the first times kept, and the named line scripts read.
#include <gtest/gtest.h>

#include "win32/interval_histogram.h"
#include "win32/tick_counters.h"

namespace vellicord {
namespace {

TEST(IntervalHistogram, PercentileIsTheUpperEdgeOfItsBin) {
  IntervalHistogram h;
  EXPECT_EQ(h.PercentileUs(0.99), 0);
  for (int i = 0; i < 99; ++i) h.Add(14000);  // 14.0 ms: bin 140
  h.Add(31050);                               // one late tick
  EXPECT_EQ(h.Count(), 100);
  EXPECT_EQ(h.PercentileUs(0.99), 14100);
  EXPECT_EQ(h.PercentileUs(0.5), 14100);
  EXPECT_EQ(h.PercentileUs(1.0), 31100);
  EXPECT_EQ(h.MaxUs(), 31050);
  h.Add(31050);  // now two in 101: the 99th percentile reaches the late bin
  EXPECT_EQ(h.PercentileUs(0.99), 31100);
}

TEST(IntervalHistogram, OutOfRangeIntervalsLandInTheEndBins) {
  IntervalHistogram h;
  h.Add(-5);
  EXPECT_EQ(h.PercentileUs(0.99), IntervalHistogram::kBinUs);
  h.Add(5000000);
  EXPECT_EQ(h.PercentileUs(1.0), IntervalHistogram::kBins * IntervalHistogram::kBinUs);
  EXPECT_EQ(h.MaxUs(), 5000000);
}

TEST(TickCounter, FirstTimesStayAndTheLineNamesEveryField) {
  TickCounter c;
  c.Tick(1000);
  c.Present(1500);
  c.Tick(15000);
  c.Present(15200);
  c.Tick(29100);
  EXPECT_EQ(TickLine(c.Counters()),
            "ticks 3 presents 2 first_us 1000 last_us 29100 present_us 1500 p99_us 14200 "
            "max_us 14100");
}

}  // namespace
}  // namespace vellicord
