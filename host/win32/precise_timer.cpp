// The precise timer.
#include "host/win32/precise_timer.h"

#include <mmsystem.h>

#include "host/win32/application.h"

namespace vellicord {

PreciseTimer::PreciseTimer(std::function<void()> onTimer) : onTimer_(std::move(onTimer)) {
  QueryPerformanceFrequency(&frequency_);
  // Auto-reset: however many due times pass unseen, the handle is signalled once.
  timer_ = CreateWaitableTimerW(nullptr, FALSE, nullptr);
}

PreciseTimer::~PreciseTimer() {
  SetEnabled(false);
  if (timer_ != nullptr) CloseHandle(timer_);
}

int64_t PreciseTimer::NowUs() const {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const int64_t f = frequency_.QuadPart;
  return now.QuadPart / f * 1000000 + now.QuadPart % f * 1000000 / f;
}

void PreciseTimer::SetInterval(int32_t intervalMs) {
  if (intervalMs == interval_) return;
  interval_ = intervalMs;
  if (enabled_) Restart();
}

void PreciseTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    if (!periodHeld_ && timeBeginPeriod(1) == TIMERR_NOERROR) periodHeld_ = true;
    TApplication::Instance().AddWaitable(timer_, [this] { OnSignal(); });
    Restart();
  } else {
    if (timer_ != nullptr) CancelWaitableTimer(timer_);
    TApplication::Instance().RemoveWaitable(timer_);
    if (periodHeld_) timeEndPeriod(1);
    periodHeld_ = false;
  }
}

void PreciseTimer::Restart() {
  CancelWaitableTimer(timer_);
  schedule_.Start(NowUs(), interval_);
  Arm();
}

void PreciseTimer::Arm() {
  if (!schedule_.Active() || timer_ == nullptr) return;
  // Relative due time in 100 ns units; 0 is "now" and still signals.
  const int64_t wait = schedule_.Due() - NowUs();
  LARGE_INTEGER due;
  due.QuadPart = -(wait > 0 ? wait * 10 : 0);
  SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
}

void PreciseTimer::OnSignal() {
  if (!enabled_) return;
  const int64_t now = NowUs();
  if (schedule_.IsDue(now)) {
    schedule_.Advance(now);
    onTimer_();
    // The handler may have switched the timer off (a close) or changed its interval.
    if (!enabled_) return;
  }
  Arm();
}

}  // namespace vellicord
