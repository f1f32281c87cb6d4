// The preview parent watch: a check four times a second on the application's loop.
#include "win32/api/parent_watch_win32.h"

namespace vellicord {

namespace {
constexpr int32_t kCheckMs = 250;
}

PreviewParentWatch::PreviewParentWatch() : timer_([this] { Check(); }) {
  // Nothing is drawn on these ticks: no reason to raise the system's timer resolution.
  timer_.SetFramesVisible(false);
}

void PreviewParentWatch::Start(HWND parent, HWND self, std::function<void()> onGone) {
  if (onGone_) return;
  parent_ = parent;
  self_ = self;
  onGone_ = std::move(onGone);
  timer_.SetInterval(kCheckMs);
  timer_.SetEnabled(true);
}

void PreviewParentWatch::Check() {
  if (!onGone_ || (IsWindow(parent_) && IsWindow(self_))) return;
  timer_.SetEnabled(false);
  std::function<void()> onGone = std::move(onGone_);
  onGone_ = nullptr;
  onGone();
}

}  // namespace vellicord
