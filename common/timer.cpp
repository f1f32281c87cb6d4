// Speed to interval.
#include "common/timer.h"

namespace vellicord {

int32_t IntervalForSpeed(int32_t speed) {
  const int64_t interval = 28 - 7 * static_cast<int64_t>(speed);
  if (interval <= 0) return 0;
  if (interval > kMaxTimerInterval) return kMaxTimerInterval;
  return static_cast<int32_t>(interval);
}

}  // namespace vellicord
