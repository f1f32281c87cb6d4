// The tick log's interval percentile: bin edges, the share asked for, and intervals past the end.
#include <gtest/gtest.h>

#include "saver/interval_histogram.h"

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

}  // namespace
}  // namespace vellicord
