// Tick grid arithmetic.
#include "common/tick_schedule.h"

namespace vellicord {

void TickSchedule::Start(int64_t nowUs, int32_t intervalMs) {
  intervalUs_ = intervalMs > 0 ? static_cast<int64_t>(intervalMs) * 1000 : 0;
  due_ = nowUs + intervalUs_;
}

int32_t TickSchedule::WaitMs(int64_t nowUs) const {
  if (!Active()) return -1;
  const int64_t us = due_ - nowUs;
  return us <= 0 ? 0 : static_cast<int32_t>((us + 999) / 1000);
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
