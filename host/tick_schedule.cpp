// Tick grid arithmetic.
#include "host/tick_schedule.h"

namespace vellicord {

void TickSchedule::Start(int64_t nowUs, int32_t intervalMs) {
  intervalUs_ = intervalMs > 0 ? static_cast<int64_t>(intervalMs) * 1000 : 0;
  due_ = nowUs + intervalUs_;
}

void TickSchedule::Advance(int64_t nowUs) {
  if (!Active()) return;
  const int64_t late = nowUs - due_;
  due_ += intervalUs_;
  if (late >= intervalUs_) {
    // Whole intervals missed: jump to the first grid instant after now.
    due_ += ((nowUs - due_) / intervalUs_ + 1) * intervalUs_;
  }
}

}  // namespace vellicord
