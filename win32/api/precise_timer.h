// A timer that keeps millisecond intervals SetTimer can't (10 ms floor, 15.6 ms steps): a
// waitable timer waited on by the application's message loop, re-armed on a fixed grid, with
// SetTimer as the fall-back when the waitable one can't be made or waited on.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>

#include "win32/saver_timer.h"
#include "win32/tick_timer.h"

namespace vellicord {

class PreciseTimer final : public SaverTimer, private TimerPort {
 public:
  explicit PreciseTimer(std::function<void()> onTimer);
  ~PreciseTimer() override;
  PreciseTimer(const PreciseTimer&) = delete;
  PreciseTimer& operator=(const PreciseTimer&) = delete;

  void SetInterval(int32_t intervalMs) override { ticks_.SetInterval(intervalMs); }
  void SetEnabled(bool enabled) override { ticks_.SetEnabled(enabled); }
  void SetFramesVisible(bool visible) { ticks_.SetFramesVisible(visible); }

 private:
  int64_t NowUs() override;
  bool MakeWaitable() override;
  bool WatchWaitable() override;
  void UnwatchWaitable() override;
  void ArmWaitable(int64_t inUs) override;
  void CancelWaitable() override;
  void StartPlainTimer(int32_t intervalMs) override;
  void StopPlainTimer() override;
  bool RaiseResolution() override;
  void LowerResolution() override;

  using PeriodCall = UINT(WINAPI*)(UINT);

  HANDLE handle_ = nullptr;
  UINT_PTR plainTimer_ = 0;
  // winmm is no known DLL: loaded from the system directory on first use, never imported.
  HMODULE winmm_ = nullptr;
  PeriodCall beginPeriod_ = nullptr;
  PeriodCall endPeriod_ = nullptr;
  // Last: it switches itself off through the members above when it goes.
  TickTimer ticks_;
};

}  // namespace vellicord
