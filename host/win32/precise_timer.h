// A timer that keeps millisecond intervals SetTimer can't (10 ms floor, 15.6 ms steps): a
// waitable timer waited on by the application's message loop, re-armed on a fixed grid.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>

#include "host/tick_schedule.h"
#include "host/timer.h"

namespace vellicord {

class PreciseTimer final : public SaverTimer {
 public:
  explicit PreciseTimer(std::function<void()> onTimer);
  ~PreciseTimer() override;
  PreciseTimer(const PreciseTimer&) = delete;
  PreciseTimer& operator=(const PreciseTimer&) = delete;

  void SetInterval(int32_t intervalMs) override;
  void SetEnabled(bool enabled) override;

 private:
  void Restart();
  void Arm();
  void OnSignal();
  int64_t NowUs() const;

  std::function<void()> onTimer_;
  HANDLE timer_ = nullptr;
  LARGE_INTEGER frequency_ = {};
  int32_t interval_ = 500;
  bool enabled_ = false;
  // timeBeginPeriod(1) is held exactly while the timer is enabled.
  bool periodHeld_ = false;
  TickSchedule schedule_;
};

}  // namespace vellicord
