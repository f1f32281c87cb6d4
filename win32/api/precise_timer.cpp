// The precise timer's Win32 side.
#include "win32/api/precise_timer.h"

#include "win32/api/application.h"
#include "win32/api/monotonic_clock.h"
#include "win32/api/system_library.h"

namespace vellicord {

PreciseTimer::PreciseTimer(std::function<void()> onTimer) : ticks_(*this, std::move(onTimer)) {}

PreciseTimer::~PreciseTimer() {
  ticks_.SetEnabled(false);
  if (handle_ != nullptr) CloseHandle(handle_);
  if (winmm_ != nullptr) FreeLibrary(winmm_);
}

int64_t PreciseTimer::NowUs() {
  return MonotonicUs();
}

bool PreciseTimer::MakeWaitable() {
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif
  // Auto-reset: however many due times pass unseen, the handle is signalled once. The
  // high-resolution kind (Windows 10 1803) keeps its due time without the raised system
  // resolution; older systems refuse the flag and get the ordinary kind.
  handle_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                   TIMER_ALL_ACCESS);
  if (handle_ == nullptr) handle_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
  return handle_ != nullptr;
}

bool PreciseTimer::WatchWaitable() {
  return TApplication::Instance().AddWaitable(
      handle_, [this] { ticks_.OnSignal(); }, [this] { ticks_.OnWaitFailed(); });
}

void PreciseTimer::UnwatchWaitable() {
  TApplication::Instance().RemoveWaitable(handle_);
}

void PreciseTimer::ArmWaitable(int64_t inUs) {
  // Relative due time in 100 ns units; 0 is "now" and still signals.
  LARGE_INTEGER due;
  due.QuadPart = -inUs * 10;
  SetWaitableTimer(handle_, &due, 0, nullptr, nullptr, FALSE);
}

void PreciseTimer::CancelWaitable() {
  if (handle_ != nullptr) CancelWaitableTimer(handle_);
}

void PreciseTimer::StartPlainTimer(int32_t intervalMs) {
  StopPlainTimer();
  plainTimer_ = TApplication::Instance().StartTimer(static_cast<UINT>(intervalMs),
                                                    [this] { ticks_.OnPlainTimer(); });
}

void PreciseTimer::StopPlainTimer() {
  if (plainTimer_ != 0) TApplication::Instance().StopTimer(plainTimer_);
  plainTimer_ = 0;
}

bool PreciseTimer::RaiseResolution() {
  if (winmm_ == nullptr) {
    winmm_ = LoadSystemLibrary(L"winmm.dll");
    if (winmm_ == nullptr) return false;
    beginPeriod_ = OptionalFunction<PeriodCall>(winmm_, "timeBeginPeriod");
    endPeriod_ = OptionalFunction<PeriodCall>(winmm_, "timeEndPeriod");
  }
  // TIMERR_NOERROR is 0.
  return beginPeriod_ != nullptr && endPeriod_ != nullptr && beginPeriod_(1) == 0;
}

void PreciseTimer::LowerResolution() {
  if (endPeriod_ != nullptr) endPeriod_(1);
}

}  // namespace vellicord
