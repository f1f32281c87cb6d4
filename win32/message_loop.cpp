// The message loop's turns and its fall-back after a failed wait.
#include "win32/message_loop.h"

#include <utility>

namespace vellicord {

bool MessageLoop::Add(WaitHandle handle, std::function<void()> onSignal,
                      std::function<void()> onWaitFailed) {
  if (handle == 0 || waitFailed_) return false;
  Remove(handle);
  entries_.push_back({handle, std::move(onSignal), std::move(onWaitFailed)});
  handles_.push_back(handle);
  return true;
}

void MessageLoop::Remove(WaitHandle handle) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].handle == handle) {
      entries_.erase(entries_.begin() + static_cast<ptrdiff_t>(i));
      handles_.erase(handles_.begin() + static_cast<ptrdiff_t>(i));
      return;
    }
  }
}

void MessageLoop::Run(LoopPort& port) {
  while (!terminated_) {
    if (waitFailed_) {
      port.WaitMessage();
    } else {
      const WaitResult r = port.Wait(handles_);
      if (r.Kind == WaitKind::Failed) {
        waitFailed_ = true;
        std::vector<Entry> dropped = std::move(entries_);
        entries_.clear();
        handles_.clear();
        for (Entry& e : dropped) {
          if (e.onWaitFailed) e.onWaitFailed();
        }
      } else if (r.Kind == WaitKind::Signalled && r.Index < entries_.size() && !inCallback_) {
        inCallback_ = true;
        // A copy: the callback may remove its own handle.
        std::function<void()> callback = entries_[r.Index].onSignal;
        callback();
        inCallback_ = false;
      }
    }
    if (!port.DispatchPending()) terminated_ = true;
  }
}

}  // namespace vellicord
