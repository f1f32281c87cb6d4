// The preview host watch: a periodic waitable timer on the application's loop.
#include "win32/api/host_watch_win32.h"

#include "win32/api/application.h"

namespace vellicord {

namespace {
constexpr LONG kCheckMs = 250;
}

PreviewHostWatch::~PreviewHostWatch() {
  if (plainTimer_ != 0) TApplication::Instance().StopTimer(plainTimer_);
  if (timer_ == nullptr) return;
  CancelWaitableTimer(timer_);
  TApplication::Instance().RemoveWaitable(timer_);
  CloseHandle(timer_);
}

void PreviewHostWatch::Start(HWND host, HWND self, std::function<void()> onGone) {
  if (timer_ != nullptr) return;
  host_ = host;
  self_ = self;
  onGone_ = std::move(onGone);
  timer_ = CreateWaitableTimerW(nullptr, FALSE, nullptr);
  if (timer_ == nullptr) return;
  LARGE_INTEGER due;
  due.QuadPart = -10000LL * kCheckMs;
  SetWaitableTimer(timer_, &due, kCheckMs, nullptr, nullptr, FALSE);
  // Should the loop stop waiting on handles, the ordinary timer keeps the watch.
  TApplication::Instance().AddWaitable(
      timer_, [this] { Check(); },
      [this] {
        plainTimer_ =
            TApplication::Instance().StartTimer(static_cast<UINT>(kCheckMs), [this] { Check(); });
      });
}

void PreviewHostWatch::Check() {
  if (!onGone_ || (IsWindow(host_) && IsWindow(self_))) return;
  CancelWaitableTimer(timer_);
  std::function<void()> onGone = std::move(onGone_);
  onGone_ = nullptr;
  onGone();
}

}  // namespace vellicord
