// How often frames go to the screen: no more often than the display refreshes, where its rate
// is known.
#pragma once

#include <cstdint>

namespace vellicord {

// The first frame of each refresh period is presented, the others are drawn and wait: the
// display could show no more of them, and each one sent costs the display server a copy.
class PresentPacer {
 public:
  // 0 or 1 Hz (what Xvfb and Wine report) means unknown: every frame is presented.
  void SetRefreshHz(int32_t hz) {
    hz_ = hz > 1 ? hz : 0;
    period_ = -1;
  }
  int32_t RefreshHz() const { return hz_; }
  // Whether a frame drawn at nowUs (any monotonic clock) is presented.
  bool Due(int64_t nowUs) {
    if (hz_ == 0) return true;
    const int64_t period = nowUs * hz_ / 1000000;
    if (period == period_) return false;
    period_ = period;
    return true;
  }

 private:
  int32_t hz_ = 0;
  int64_t period_ = -1;
};

}  // namespace vellicord
