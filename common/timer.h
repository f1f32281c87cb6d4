// The saver's tick interval for a speed setting, the same in every program.
#pragma once

#include <cstdint>

namespace vellicord {

// The saver's interval for a speed setting: 28 - 7 * speed milliseconds, computed wide so no
// hand-edited speed can overflow. 0 or less means no ticks and comes back as 0; the upper end is
// held at the host's largest timer interval.
int32_t IntervalForSpeed(int32_t speed);

inline constexpr int32_t kMaxTimerInterval = 0x7FFFFFFF;

}  // namespace vellicord
