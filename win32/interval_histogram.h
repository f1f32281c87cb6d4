// Tick intervals in 0.1 ms bins, for the tick log's percentile: fixed storage, no allocation.
#pragma once

#include <cstdint>

namespace vellicord {

class IntervalHistogram {
 public:
  static constexpr int64_t kBinUs = 100;
  static constexpr int32_t kBins = 1000;  // up to 100 ms; longer ones share the last bin

  void Add(int64_t intervalUs) {
    int64_t bin = intervalUs < 0 ? 0 : intervalUs / kBinUs;
    if (bin >= kBins) bin = kBins - 1;
    ++counts_[bin];
    ++total_;
    if (intervalUs > maxUs_) maxUs_ = intervalUs;
  }
  int64_t Count() const { return total_; }
  int64_t MaxUs() const { return maxUs_; }
  // The upper edge of the bin holding the given share (0 to 1) of the intervals: at most one
  // bin above the true percentile. 0 with no intervals.
  int64_t PercentileUs(double share) const {
    if (total_ == 0) return 0;
    int64_t wanted = static_cast<int64_t>(share * static_cast<double>(total_) + 0.999999);
    if (wanted < 1) wanted = 1;
    int64_t seen = 0;
    for (int32_t bin = 0; bin < kBins; ++bin) {
      seen += counts_[bin];
      if (seen >= wanted) return (bin + 1) * kBinUs;
    }
    return kBins * kBinUs;
  }

 private:
  int64_t counts_[kBins] = {};
  int64_t total_ = 0;
  int64_t maxUs_ = 0;
};

}  // namespace vellicord
