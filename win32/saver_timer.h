// The saver window's timer: an interval and an on/off switch; ticks come on the UI thread.
#pragma once

#include <cstdint>

namespace vellicord {

class SaverTimer {
 public:
  virtual ~SaverTimer() = default;
  // Milliseconds; 0 or less never ticks.
  virtual void SetInterval(int32_t intervalMs) = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

}  // namespace vellicord
