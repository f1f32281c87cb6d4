// The tick timer's fall-backs and resolution hold, and the loop's turn after a failed wait,
// against ports that log every call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/message_loop.h"
#include "win32/tick_timer.h"

namespace vellicord {
namespace {

using Log = std::vector<std::string>;

class FakeTimerPort : public TimerPort {
 public:
  int64_t NowUs() override { return now; }
  bool MakeWaitable() override { return Note("Make", makes); }
  bool WatchWaitable() override { return Note("Watch", watches); }
  void UnwatchWaitable() override { log.push_back("Unwatch"); }
  void ArmWaitable(int64_t inUs) override { log.push_back("Arm " + std::to_string(inUs)); }
  void CancelWaitable() override { log.push_back("Cancel"); }
  void StartPlainTimer(int32_t ms) override { log.push_back("Plain " + std::to_string(ms)); }
  void StopPlainTimer() override { log.push_back("StopPlain"); }
  bool RaiseResolution() override { return Note("Raise", raises); }
  void LowerResolution() override { log.push_back("Lower"); }

  bool makes = true, watches = true, raises = true;
  int64_t now = 1000;
  Log log;

 private:
  bool Note(const char* what, bool ok) {
    log.push_back(std::string(what) + (ok ? "" : " failed"));
    return ok;
  }
};

struct TimerRig {
  FakeTimerPort port;
  int ticks = 0;
  TickTimer timer{port, [this] { ++ticks; }};
  Log Take() {
    Log l = std::move(port.log);
    port.log.clear();
    return l;
  }
};

TEST(TickTimer, NeverWaitsOnATimerThatWasNotMadeOrWatched) {
  struct Case {
    const char* name;
    bool makes, watches;
    Log start;
  } cases[] = {
      {"waitable", true, true, {"Make", "Watch", "Arm 14000", "Raise"}},
      {"no waitable timer", false, true, {"Make failed", "Plain 14", "Raise"}},
      {"loop refuses it", true, false, {"Make", "Watch failed", "Plain 14", "Raise"}},
  };
  for (const Case& c : cases) {
    TimerRig rig;
    rig.port.makes = c.makes;
    rig.port.watches = c.watches;
    rig.timer.SetInterval(14);
    rig.timer.SetEnabled(true);
    EXPECT_EQ(rig.Take(), c.start) << c.name;
    rig.timer.OnPlainTimer();
    EXPECT_EQ(rig.ticks, c.makes && c.watches ? 0 : 1) << c.name;
  }
}

TEST(TickTimer, FailedWaitCarriesOnWithThePlainTimer) {
  TimerRig rig;
  rig.timer.SetInterval(14);
  rig.timer.SetEnabled(true);
  rig.port.now = 15000;
  rig.timer.OnSignal();
  EXPECT_EQ(rig.ticks, 1);
  rig.Take();
  rig.timer.OnWaitFailed();
  EXPECT_EQ(rig.Take(), (Log{"Plain 14"}));
  rig.timer.OnSignal();  // a stale signal is no tick
  rig.timer.OnPlainTimer();
  rig.timer.OnPlainTimer();
  EXPECT_EQ(rig.ticks, 3);
  rig.timer.SetInterval(7);
  EXPECT_EQ(rig.Take(), (Log{"StopPlain", "Plain 7"}));
  rig.timer.SetEnabled(false);
  EXPECT_EQ(rig.Take(), (Log{"StopPlain", "Lower"}));
  rig.timer.OnPlainTimer();
  EXPECT_EQ(rig.ticks, 3);
  // Enabled again, it neither makes nor watches a waitable timer: the loop waits on none.
  rig.timer.SetEnabled(true);
  EXPECT_EQ(rig.Take(), (Log{"Plain 7", "Raise"}));
}

TEST(TickTimer, ResolutionHeldOnlyWhileFramesCanBeSeen) {
  TimerRig rig;
  rig.timer.SetInterval(7);
  rig.timer.SetFramesVisible(true);
  EXPECT_EQ(rig.Take(), Log{});  // not enabled: nothing held
  rig.timer.SetEnabled(true);
  rig.Take();
  struct Step {
    bool visible;
    Log calls;
  } steps[] = {{false, {"Lower"}}, {false, {}}, {true, {"Raise"}}, {true, {}}, {false, {"Lower"}}};
  for (const Step& s : steps) {
    rig.timer.SetFramesVisible(s.visible);
    EXPECT_EQ(rig.Take(), s.calls);
  }
  // A speed that never ticks holds nothing either.
  rig.timer.SetFramesVisible(true);
  rig.Take();
  rig.timer.SetInterval(0);
  EXPECT_EQ(rig.Take(), (Log{"Cancel", "Lower"}));
  rig.timer.SetInterval(7);
  EXPECT_EQ(rig.Take(), (Log{"Cancel", "Arm 7000", "Raise"}));
  rig.timer.SetFramesVisible(false);
  rig.Take();
  // Dark at the close: nothing left to lower. A raise that failed is never lowered.
  rig.timer.SetEnabled(false);
  EXPECT_EQ(rig.Take(), (Log{"Cancel", "Unwatch"}));
  rig.port.raises = false;
  rig.timer.SetFramesVisible(true);
  rig.timer.SetEnabled(true);
  rig.timer.SetEnabled(false);
  EXPECT_EQ(rig.Take(), (Log{"Watch", "Arm 7000", "Raise failed", "Cancel", "Unwatch"}));
}

class FakeLoopPort : public LoopPort {
 public:
  WaitResult Wait(const std::vector<WaitHandle>& handles) override {
    log.push_back("Wait " + std::to_string(handles.size()));
    if (results.empty()) return {WaitKind::Messages, 0};
    const WaitResult r = results.front();
    results.erase(results.begin());
    return r;
  }
  void WaitMessage() override { log.push_back("WaitMessage"); }
  bool DispatchPending() override { return --turns > 0; }

  std::vector<WaitResult> results;
  int turns = 0;
  Log log;
};

TEST(MessageLoop, FailedWaitDropsEveryHandleForThePlainMessageWait) {
  MessageLoop loop;
  FakeLoopPort port;
  Log calls;
  auto note = [&calls](const char* what) { return [&calls, what] { calls.push_back(what); }; };
  EXPECT_FALSE(loop.Add(0, note("never"), note("never")));
  EXPECT_TRUE(loop.Add(11, note("signal 11"), note("failed 11")));
  EXPECT_TRUE(loop.Add(22, note("signal 22"), note("failed 22")));
  port.results = {{WaitKind::Signalled, 1}, {WaitKind::Failed, 0}};
  port.turns = 5;
  loop.Run(port);
  // One failed wait, then no more: the loop blocks on the queue instead of spinning.
  EXPECT_EQ(port.log, (Log{"Wait 2", "Wait 2", "WaitMessage", "WaitMessage", "WaitMessage"}));
  EXPECT_EQ(calls, (Log{"signal 22", "failed 11", "failed 22"}));
  EXPECT_TRUE(loop.Terminated());
  EXPECT_FALSE(loop.Add(33, note("signal 33"), note("failed 33")));
}

}  // namespace
}  // namespace vellicord
