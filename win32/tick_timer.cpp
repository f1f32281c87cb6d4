// The tick timer's choice between waitable and ordinary timer, and its hold on the resolution.
#include "win32/tick_timer.h"

#include <utility>

namespace vellicord {

TickTimer::TickTimer(TimerPort& port, std::function<void()> onTimer)
    : port_(port), onTimer_(std::move(onTimer)) {}

TickTimer::~TickTimer() {
  SetEnabled(false);
}

void TickTimer::SetInterval(int32_t intervalMs) {
  if (intervalMs == interval_) return;
  interval_ = intervalMs;
  if (enabled_) {
    Stop();
    Start();
  }
  UpdateResolution();
}

void TickTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    // A handle that was never made is never waited on: the wait would fail at once, every turn.
    if (!plain_ && !made_) made_ = port_.MakeWaitable();
    if (!plain_ && (!made_ || !port_.WatchWaitable())) plain_ = true;
    Start();
  } else {
    Stop();
    if (!plain_) port_.UnwatchWaitable();
  }
  UpdateResolution();
}

void TickTimer::SetFramesVisible(bool visible) {
  visible_ = visible;
  UpdateResolution();
}

void TickTimer::UpdateResolution() {
  // An interval of 0 or less never ticks: nothing to be precise about.
  const bool want = enabled_ && visible_ && interval_ > 0;
  if (want && !resolutionHeld_) {
    resolutionHeld_ = port_.RaiseResolution();
  } else if (!want && resolutionHeld_) {
    port_.LowerResolution();
    resolutionHeld_ = false;
  }
}

void TickTimer::Start() {
  if (plain_) {
    if (interval_ > 0) port_.StartPlainTimer(interval_);
    return;
  }
  schedule_.Start(port_.NowUs(), interval_);
  Arm();
}

void TickTimer::Stop() {
  if (plain_) {
    port_.StopPlainTimer();
  } else {
    port_.CancelWaitable();
  }
}

void TickTimer::Arm() {
  if (!schedule_.Active()) return;
  const int64_t wait = schedule_.Due() - port_.NowUs();
  port_.ArmWaitable(wait > 0 ? wait : 0);
}

void TickTimer::OnSignal() {
  if (!enabled_ || plain_) return;
  const int64_t now = port_.NowUs();
  if (schedule_.IsDue(now)) {
    schedule_.Advance(now);
    onTimer_();
    // The handler may have switched the timer off (a close) or changed its interval.
    if (!enabled_ || plain_) return;
  }
  Arm();
}

void TickTimer::OnPlainTimer() {
  if (enabled_ && plain_) onTimer_();
}

void TickTimer::OnWaitFailed() {
  if (plain_) return;
  plain_ = true;
  if (enabled_) Start();
}

}  // namespace vellicord
