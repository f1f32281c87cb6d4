// The saver's timer apart from the window system: a waitable timer re-armed on a fixed grid,
// the ordinary message timer when no waitable one can be had or waited on, and the system's
// timer resolution raised only while a frame can be seen.
#pragma once

#include <cstdint>
#include <functional>

#include "common/tick_schedule.h"
#include "win32/saver_timer.h"

namespace vellicord {

class TimerPort {
 public:
  virtual ~TimerPort() = default;
  virtual int64_t NowUs() = 0;
  // Makes the waitable timer (once); false when the system gives none.
  virtual bool MakeWaitable() = 0;
  // Puts it on the message loop's wait; false when the loop won't wait on it.
  virtual bool WatchWaitable() = 0;
  virtual void UnwatchWaitable() = 0;
  // Due in this many microseconds from now (0: at once).
  virtual void ArmWaitable(int64_t inUs) = 0;
  virtual void CancelWaitable() = 0;
  // The ordinary message timer (SetTimer), with its coarser steps.
  virtual void StartPlainTimer(int32_t intervalMs) = 0;
  virtual void StopPlainTimer() = 0;
  // timeBeginPeriod(1) and timeEndPeriod(1); false when it couldn't be raised.
  virtual bool RaiseResolution() = 0;
  virtual void LowerResolution() = 0;
};

class TickTimer final : public SaverTimer {
 public:
  TickTimer(TimerPort& port, std::function<void()> onTimer);
  ~TickTimer() override;
  TickTimer(const TickTimer&) = delete;
  TickTimer& operator=(const TickTimer&) = delete;

  void SetInterval(int32_t intervalMs) override;
  void SetEnabled(bool enabled) override;
  // Whether anything drawn now could be seen (display on, window shown): a raised resolution
  // costs the whole system power, so it is held only while frames can be seen.
  void SetFramesVisible(bool visible);

  // The waitable timer was signalled.
  void OnSignal();
  // The ordinary timer's message came: every one is a tick.
  void OnPlainTimer();
  // The loop's wait failed and it waits on nothing now: carry on with the ordinary timer.
  void OnWaitFailed();

 private:
  void Start();
  void Stop();
  void Arm();
  void UpdateResolution();

  TimerPort& port_;
  std::function<void()> onTimer_;
  int32_t interval_ = 500;
  bool enabled_ = false;
  bool plain_ = false;
  bool made_ = false;
  bool visible_ = true;
  bool resolutionHeld_ = false;
  TickSchedule schedule_;
};

}  // namespace vellicord
