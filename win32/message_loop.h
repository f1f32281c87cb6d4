// The application's message loop apart from the window system: kernel objects waited on together
// with the queue, and the plain message wait it falls back to when that wait fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace vellicord {

// A kernel object's handle, as the loop passes it to the wait.
using WaitHandle = uintptr_t;

enum class WaitKind { Signalled, Messages, Failed };

struct WaitResult {
  WaitKind Kind = WaitKind::Messages;
  size_t Index = 0;  // of the signalled handle
};

// What one turn of the loop asks of the window system.
class LoopPort {
 public:
  virtual ~LoopPort() = default;
  // Until one of the handles is signalled or input is in the queue (MsgWaitForMultipleObjectsEx).
  virtual WaitResult Wait(const std::vector<WaitHandle>& handles) = 0;
  // Until a message arrives (WaitMessage): the wait that needs no handle at all.
  virtual void WaitMessage() = 0;
  // Dispatches what the queue holds; false once the quit message has come.
  virtual bool DispatchPending() = 0;
};

class MessageLoop {
 public:
  // False when the handle won't be waited on (0, or the wait has failed before): its owner
  // must carry on without it. onWaitFailed runs once if the wait fails later on.
  bool Add(WaitHandle handle, std::function<void()> onSignal, std::function<void()> onWaitFailed);
  void Remove(WaitHandle handle);
  // Turns until Terminate or the quit message. Signals and messages alternate, so a busy
  // timer can't starve input; a failed wait drops every handle for a plain message wait rather
  // than failing again at once, for ever, at full speed.
  void Run(LoopPort& port);
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  bool WaitFailed() const { return waitFailed_; }

 private:
  struct Entry {
    WaitHandle handle;
    std::function<void()> onSignal;
    std::function<void()> onWaitFailed;
  };
  std::vector<Entry> entries_;
  std::vector<WaitHandle> handles_;
  bool terminated_ = false;
  bool waitFailed_ = false;
  bool inCallback_ = false;
};

}  // namespace vellicord
