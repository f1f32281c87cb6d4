// TScreenSaverForm against a recording host: creation order, failure paths, input and close.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/frame_gate.h"
#include "tests/support/fake_registry.h"
#include "tests/support/recording_surface.h"
#include "win32/screen_saver_form.h"

namespace vellicord {
namespace {

const std::vector<std::string> kSectionPath = {"Vellicord2", "Vellicord2"};

// Every host, timer and surface call lands in one log, in order.
struct Recorder {
  std::vector<std::string> log;
  bool Has(const std::string& entry) const {
    for (const std::string& e : log) {
      if (e == entry) return true;
    }
    return false;
  }
  size_t Count(const std::string& entry) const {
    size_t n = 0;
    for (const std::string& e : log) n += e == entry;
    return n;
  }
  ptrdiff_t IndexOf(const std::string& entry) const {
    for (size_t i = 0; i < log.size(); ++i) {
      if (log[i] == entry) return static_cast<ptrdiff_t>(i);
    }
    return -1;
  }
};

class FakeHost : public SaverHost {
 public:
  FakeHost(Recorder& r, FakeRegistry& reg) : r_(r), reg_(reg) {}
  bool IsWindow(NativeWindow w) override {
    r_.log.push_back("IsWindow " + std::to_string(w));
    return w == existingWindow;
  }
  WindowRect GetWindowRect(NativeWindow w) override {
    r_.log.push_back("GetWindowRect " + std::to_string(w));
    return previewRect;
  }
  int32_t ScreenWidth() override {
    r_.log.push_back("ScreenWidth");
    return screenWidth;
  }
  int32_t ScreenHeight() override {
    r_.log.push_back("ScreenHeight");
    return screenHeight;
  }
  std::vector<MonitorArea> Monitors() override {
    r_.log.push_back("Monitors");
    return monitors;
  }
  void CoverMonitor(const WindowRect& a, CoverColor color, SaverInput& input) override {
    coverInputs.push_back(&input);
    r_.log.push_back("Cover " + std::to_string(a.Left) + "," + std::to_string(a.Top) + "," +
                     std::to_string(a.Right) + "," + std::to_string(a.Bottom) + " " +
                     std::to_string(color));
  }
  void FollowDpiOf(NativeWindow w) override { r_.log.push_back("FollowDpi " + std::to_string(w)); }
  void ShowCursor(bool show) override { r_.log.push_back(show ? "ShowCursor 1" : "ShowCursor 0"); }
  bool GetVersionEx(int32_t& platformId) override {
    r_.log.push_back("GetVersionEx");
    platformId = platform;
    return versionOk;
  }
  void SetScreenSaverRunning(bool running) override {
    r_.log.push_back(running ? "ScreenSaverRunning 1" : "ScreenSaverRunning 0");
  }
  void DisableIme() override { r_.log.push_back("DisableIme"); }
  void ShowErrorBox(const std::string& m) override {
    r_.log.push_back("ErrorBox " + m);
    handlesAtError = reg_.OpenHandles();
  }
  void HideApplicationWindow() override { r_.log.push_back("HideApplicationWindow"); }
  void EndProgram() override { r_.log.push_back("EndProgram"); }
  void PlaceWindow(int32_t w, int32_t h) override {
    r_.log.push_back("PlaceWindow " + std::to_string(w) + "x" + std::to_string(h));
  }
  void RemoveCovers() override { r_.log.push_back("RemoveCovers"); }
  bool WatchPowerSetting(PowerSetting setting) override {
    static const char* const kNames[] = {"session", "console", "monitor"};
    r_.log.push_back(std::string("WatchPower ") + kNames[static_cast<int>(setting)]);
    return (setting == PowerSetting::SessionDisplayStatus && sessionDisplayStatus) ||
           (setting == PowerSetting::ConsoleDisplayState && consoleDisplayState) ||
           setting == PowerSetting::MonitorPowerOn;
  }
  void WatchSessions() override { r_.log.push_back("WatchSessions"); }
  bool SessionConnected() override {
    r_.log.push_back("SessionConnected");
    return sessionConnected;
  }
  int32_t RefreshRateHz() override { return refreshHz; }
  int64_t NowUs() override { return nowUs; }

  int32_t screenWidth = 1024;
  int32_t screenHeight = 768;
  bool sessionDisplayStatus = true;
  bool consoleDisplayState = true;
  bool sessionConnected = true;
  std::vector<MonitorArea> monitors = {{{0, 0, 1024, 768}, true}};
  NativeWindow existingWindow = 0x1234;
  WindowRect previewRect{10, 20, 162, 132};
  int32_t platform = 2;
  bool versionOk = true;
  size_t handlesAtError = 99;
  // What each cover passes its key, click and move events to.
  std::vector<SaverInput*> coverInputs;
  int32_t refreshHz = 0;
  int64_t nowUs = 0;

 private:
  Recorder& r_;
  FakeRegistry& reg_;
};

class FakeTimer : public SaverTimer {
 public:
  explicit FakeTimer(Recorder& r) : r_(r) {}
  void SetInterval(int32_t ms) override { r_.log.push_back("Interval " + std::to_string(ms)); }
  void SetEnabled(bool on) override { r_.log.push_back(on ? "Timer on" : "Timer off"); }

 private:
  Recorder& r_;
};

class FixedRandom : public RandomSource {
 public:
  explicit FixedRandom(Recorder& r) : r_(r) {}
  void Seed() override { r_.log.push_back("Seed"); }
  long double NextReal() override { return 0.5L; }
  int32_t NextInt(int32_t) override { return 0; }

 private:
  Recorder& r_;
};

struct Rig {
  explicit Rig(NativeWindow parent = 0)
      : host(rec, registry),
        timer(rec),
        surface(!RecordingSurface::kKeepFrames, &rec.log),
        random(rec),
        form(new TScreenSaverForm(host, registry, timer, gate, random, parent)) {}
  ~Rig() { delete form; }
  void Put(const std::string& name, const std::string& text) {
    registry.PutText(kSectionPath, name, text);
  }
  Recorder rec;
  FakeRegistry registry;
  FakeHost host;
  FakeTimer timer;
  RecordingSurface surface;
  // As the saver window draws: through the gate, open unless a test closes it.
  GatedSurface gate{surface};
  FixedRandom random;
  TScreenSaverForm* form;  // half a megabyte: not on the test's stack
};

TEST(FormCreate, RunModeOrder) {
  Rig rig;
  rig.host.platform = 1;
  rig.form->FormCreate();
  const std::vector<std::string> expected = {
      "ScreenWidth", "ScreenHeight", "ShowCursor 0", "GetVersionEx", "ScreenSaverRunning 1",
      "DisableIme",  "Interval 14",  "Timer on",     "Seed",         "CreateBuffer 652x653",
      "Brush 0",     "PenWidth 1"};
  EXPECT_EQ(rig.rec.log, expected);
  EXPECT_EQ(rig.form->Left, 0);
  EXPECT_EQ(rig.form->Top, 0);
  EXPECT_EQ(rig.form->Width, 1024);
  EXPECT_EQ(rig.form->Height, 768);
  EXPECT_EQ(rig.form->PlatformId, 1);
  EXPECT_EQ(rig.form->MouseStartX, -1);
  EXPECT_EQ(rig.form->MouseStartY, -1);
  EXPECT_EQ(rig.form->Color, kBlack);
  EXPECT_TRUE(rig.form->Ready);
  EXPECT_EQ(rig.registry.OpenHandles(), 0u);  // store freed within creation
}

TEST(FormCreate, OtherPlatformFamiliesLeaveTheRunningStateAlone) {
  for (int32_t family : {0, 2, 3}) {
    Rig rig;
    rig.host.platform = family;
    rig.form->FormCreate();
    rig.form->FormKeyDown();
    EXPECT_FALSE(rig.rec.Has("ScreenSaverRunning 1")) << family;
    EXPECT_FALSE(rig.rec.Has("ScreenSaverRunning 0")) << family;
  }
}

TEST(FormCreate, SettingsReadInOrderWithTheSaversNames) {
  Rig rig;
  for (const char* n : {"Speed", "Period", "NumberOfLines", "BGcolor", "WidthOfLines"}) {
    rig.Put(n, "1");
  }
  rig.form->FormCreate();
  std::vector<std::string> names;
  for (const std::string& line : rig.registry.log) {
    // "query <key> <name> size": the first query of each read.
    const size_t end = line.size() - 5;
    if (line.rfind("query ", 0) == 0 && line.compare(end, 5, " size") == 0) {
      const size_t start = line.find(' ', 6) + 1;
      names.push_back(line.substr(start, end - start));
    }
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Speed", "period", "NumberofLines", "BGcolor",
                                             "WidthOfLines"}));
}

TEST(FormCreate, PreviewTakesTheHostsRectangleAndSkipsRunModeSteps) {
  Rig rig(0x1234);
  rig.form->FormCreate();
  const std::vector<std::string> expected = {
      "IsWindow 4660", "FollowDpi 4660", "GetWindowRect 4660", "DisableIme", "Interval 14",
      "Timer on",      "Seed",           "CreateBuffer 94x95", "Brush 0",    "PenWidth 1"};
  EXPECT_EQ(rig.rec.log, expected);
  EXPECT_EQ(rig.form->Width, 152);
  EXPECT_EQ(rig.form->Height, 112);
  bool canClose = false;
  rig.form->FormCloseQuery(canClose);
  EXPECT_TRUE(canClose);  // preview always agrees to close
}

TEST(FormCreate, PreviewHandleThatNamesNoWindowEndsAtOnce) {
  Rig rig(777);
  rig.form->FormCreate();
  EXPECT_EQ(rig.rec.log,
            (std::vector<std::string>{"IsWindow 777", "Timer off", "ShowCursor 1", "EndProgram"}));
  EXPECT_FALSE(rig.form->Ready);
}

TEST(FormCreate, FailedVersionQueryClosesBeforeTheSettings) {
  Rig rig;
  rig.host.versionOk = false;
  rig.form->FormCreate();
  EXPECT_EQ(rig.rec.log,
            (std::vector<std::string>{"ScreenWidth", "ScreenHeight", "ShowCursor 0", "GetVersionEx",
                                      "Timer off", "ShowCursor 1", "EndProgram"}));
  EXPECT_TRUE(rig.registry.log.empty());
  EXPECT_FALSE(rig.form->Ready);
}

TEST(FormCreate, FailingReadShowsTheErrorAfterTheStoreIsFreedAndStops) {
  struct Case {
    const char* name;
    const char* message;
    std::vector<std::string> tail;
  } cases[] = {
      // The pointer hidden at start shows while the box is up, so its button can be pressed.
      {"Speed",
       "'Speed' のデータ型が不正です",
       {"DisableIme", "ShowCursor 1", "ErrorBox 'Speed' のデータ型が不正です", "ShowCursor 0"}},
      {"Period",
       "'period' のデータ型が不正です",
       {"DisableIme", "Interval 14", "ShowCursor 1", "ErrorBox 'period' のデータ型が不正です",
        "ShowCursor 0"}},
      {"WidthOfLines",
       "'WidthOfLines' のデータ型が不正です",
       {"DisableIme", "Interval 14", "ShowCursor 1", "ErrorBox 'WidthOfLines' のデータ型が不正です",
        "ShowCursor 0"}},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.registry.Put(kSectionPath, c.name, kRegDword, {1, 0, 0, 0});
    rig.form->FormCreate();
    std::vector<std::string> tail(rig.rec.log.begin() + 4, rig.rec.log.end());
    EXPECT_EQ(tail, c.tail) << c.name;
    EXPECT_EQ(rig.host.handlesAtError, 0u) << c.name;
    EXPECT_FALSE(rig.rec.Has("Timer on")) << c.name;
    EXPECT_FALSE(rig.rec.Has("Seed")) << c.name;
    EXPECT_EQ(rig.form->Color, kBlack) << c.name;  // stays the design colour
    EXPECT_FALSE(rig.form->Ready);
  }
}

TEST(FormCreate, PreviewErrorBoxLeavesThePointerAlone) {
  Rig rig(0x1234);
  rig.registry.Put(kSectionPath, "Speed", kRegDword, {1, 0, 0, 0});
  rig.form->FormCreate();
  EXPECT_TRUE(rig.rec.Has("ErrorBox 'Speed' のデータ型が不正です"));
  EXPECT_EQ(rig.rec.Count("ShowCursor 1") + rig.rec.Count("ShowCursor 0"), 0u);
}

TEST(FormCreate, BackgroundIsBlackOnlyForExactlyBlack) {
  struct Case {
    const char* text;
    ColorValue color;
    bool dim;
  } cases[] = {{"Black", kBlack, false}, {"White", kWhite, true}, {"black", kWhite, false},
               {"BLACK", kWhite, false}, {"", kWhite, false},     {"Black ", kWhite, false},
               {"white", kWhite, false}};
  for (const Case& c : cases) {
    Rig rig;
    rig.Put("BGcolor", c.text);
    rig.form->FormCreate();
    EXPECT_EQ(rig.form->Color, c.color) << c.text;
    EXPECT_EQ(rig.form->Figure1.DimGreen, c.dim) << c.text;
    EXPECT_TRUE(rig.rec.Has("Brush " + std::to_string(c.color))) << c.text;
  }
}

TEST(FormCreate, SpeedBecomesTheIntervalBeforeTheTimerStarts) {
  struct Case {
    const char* speed;
    int32_t interval;
  } cases[] = {{"0", 28},
               {"1", 21},
               {"2", 14},
               {"3", 7},
               {"4", 0},
               {"9", 0},
               {"-2147483648", kMaxTimerInterval},
               {"3x", 14},
               {" 3", 7}};
  for (const Case& c : cases) {
    Rig rig;
    rig.Put("Speed", c.speed);
    rig.form->FormCreate();
    const std::string interval = "Interval " + std::to_string(c.interval);
    EXPECT_TRUE(rig.rec.Has(interval)) << c.speed;
    EXPECT_LT(rig.rec.IndexOf(interval), rig.rec.IndexOf("Timer on")) << c.speed;
  }
}

TEST(FormCreate, FigureGetsTheSettings) {
  Rig rig;
  rig.Put("Period", "2");
  rig.Put("NumberOfLines", "7");
  rig.Put("WidthOfLines", "3");
  rig.form->FormCreate();
  EXPECT_EQ(rig.form->Figure1.Period, 2);
  EXPECT_EQ(rig.form->Figure1.LineCount, 7);
  EXPECT_TRUE(rig.rec.Has("PenWidth 3"));
  rig.form->Timer1Timer();
  // One tick draws one frame, centred in the window.
  EXPECT_TRUE(rig.rec.Has("Copy 186,57"));
}

TEST(Timer1Timer, EveryTickDrawnAtMostOnePresentARefresh) {
  const struct {
    int32_t hz, tickUs;
    size_t presents;  // of 60 ticks
  } rows[] = {
      // Ticks of 7 ms on a 60 Hz display span 413 ms: the first tick in each of 25 refreshes.
      {60, 7000, 25},  {144, 7000, 60},  // the display refreshes more often than the clock ticks
      {60, 28000, 60},                   // and so here
      {0, 7000, 60},                     // an unknown rate, as Xvfb reports it
      {1, 7000, 60},                     // and as Wine does
      {30, 14000, 25},                   // 826 ms at 30 Hz: 25 refreshes again
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.hz << " Hz, a tick every " << r.tickUs << " us");
    Rig rig;
    rig.host.refreshHz = r.hz;
    rig.host.nowUs = 5000000;  // not on a refresh's start
    rig.form->FormCreate();
    for (int t = 0; t < 60; ++t) {
      rig.form->Timer1Timer();
      rig.host.nowUs += r.tickUs;
    }
    // Every tick steps the ring and composes its frame; only the presents are paced.
    EXPECT_EQ(rig.rec.Count("Clear"), 60u);
    EXPECT_EQ(rig.form->Figure1.DrawSlot, (60 - 1) % rig.form->Figure1.LineCount);
    EXPECT_EQ(rig.rec.Count("Copy 186,57"), r.presents);
  }
}

TEST(MouseMove, FirstPositionOnlyRecordsThenAnyOtherCloses) {
  struct Case {
    std::vector<std::pair<int32_t, int32_t>> moves;
    size_t closesAfter;  // index of the move that closes; moves.size() for none
  } cases[] = {
      {{{100, 50}, {100, 50}, {100, 50}}, 3},
      {{{100, 50}, {101, 50}}, 1},
      {{{100, 50}, {100, 49}}, 1},
      {{{100, 50}, {100, 50}, {0, 0}}, 2},
      {{{-1, -1}, {5, 6}, {5, 6}}, 3},  // -1,-1 leaves both unrecorded
      {{{-1, -1}, {5, 6}, {5, 7}}, 2},
      {{{-1, 4}, {-1, 4}, {-1, 5}}, 2},  // only both at -1 count as unrecorded
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.form->FormCreate();
    rig.rec.log.clear();
    size_t closedAt = c.moves.size();
    for (size_t i = 0; i < c.moves.size(); ++i) {
      rig.form->FormMouseMove(c.moves[i].first, c.moves[i].second);
      if (closedAt == c.moves.size() && rig.rec.Has("EndProgram")) closedAt = i;
    }
    EXPECT_EQ(closedAt, c.closesAfter) << c.moves[0].first << "," << c.moves[0].second;
  }
}

TEST(Close, SequenceAndRepeats) {
  Rig rig;
  rig.host.platform = 1;
  rig.form->FormCreate();
  rig.rec.log.clear();
  rig.form->FormMouseDown();
  EXPECT_EQ(rig.rec.log, (std::vector<std::string>{"Timer off", "ShowCursor 1",
                                                   "ScreenSaverRunning 0", "EndProgram"}));
  // Input queued behind the close runs it again; the running state is cleared only once.
  rig.form->FormKeyDown();
  EXPECT_EQ(rig.rec.Count("ShowCursor 1"), 2u);
  EXPECT_EQ(rig.rec.Count("ScreenSaverRunning 0"), 1u);
  EXPECT_EQ(rig.rec.Count("EndProgram"), 2u);
}

TEST(Close, PreviewShowsThePointerToo) {
  Rig rig(0x1234);
  rig.form->FormCreate();
  rig.rec.log.clear();
  rig.form->Close();
  EXPECT_EQ(rig.rec.log, (std::vector<std::string>{"Timer off", "ShowCursor 1", "EndProgram"}));
}

TEST(FormShow, CoversEveryOtherMonitorInTheBackgroundColour) {
  const MonitorArea primary{{0, 0, 1024, 768}, true};
  const MonitorArea right{{1024, 0, 2944, 1080}, false};
  const MonitorArea left{{-1280, -200, 0, 824}, false};
  const MonitorArea above{{0, -900, 1600, 0}, false};
  struct Case {
    const char* name;
    std::vector<MonitorArea> monitors;
    const char* bg;
    std::vector<std::string> covers;
  } cases[] = {
      {"one", {primary}, "Black", {}},
      {"right", {primary, right}, "Black", {"Cover 1024,0,2944,1080 0"}},
      {"left and above, primary listed last",
       {left, above, primary},
       "White",
       {"Cover -1280,-200,0,824 16777215", "Cover 0,-900,1600,0 16777215"}},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.host.monitors = c.monitors;
    rig.Put("BGcolor", c.bg);
    rig.form->FormCreate();
    rig.rec.log.clear();
    rig.form->FormShow();
    std::vector<std::string> expected = {"HideApplicationWindow", "Monitors"};
    expected.insert(expected.end(), c.covers.begin(), c.covers.end());
    EXPECT_EQ(rig.rec.log, expected) << c.name;
    // The figure keeps to the primary screen.
    EXPECT_EQ(rig.form->Width, 1024) << c.name;
    EXPECT_EQ(rig.form->Height, 768) << c.name;
  }
  // After a failed read the covers take the design colour, as the window does.
  Rig failed;
  failed.host.monitors = {primary, right};
  failed.registry.Put(kSectionPath, "Speed", kRegDword, {1, 0, 0, 0});
  failed.form->FormCreate();
  failed.form->FormShow();
  EXPECT_TRUE(failed.rec.Has("Cover 1024,0,2944,1080 0"));
  // The preview is a child of its host and covers nothing.
  Rig preview(0x1234);
  preview.host.monitors = {primary, right};
  preview.form->FormCreate();
  preview.rec.log.clear();
  preview.form->FormShow();
  EXPECT_EQ(preview.rec.log, (std::vector<std::string>{"HideApplicationWindow"}));
}

TEST(DisplayChange, CoversTheMonitorsAgainAndSizesTheWindowAgain) {
  const MonitorArea primary{{0, 0, 1024, 768}, true};
  const MonitorArea bigPrimary{{0, 0, 1920, 1080}, true};
  const MonitorArea right{{1024, 0, 2944, 1080}, false};
  const MonitorArea left{{-1280, -200, 0, 824}, false};
  struct Case {
    const char* name;
    std::vector<MonitorArea> before, after;
    int32_t width, height;
    std::vector<std::string> covers;
  } cases[] = {
      {"one added", {primary}, {primary, right}, 1024, 768, {"Cover 1024,0,2944,1080 0"}},
      {"one removed", {primary, right}, {primary}, 1024, 768, {}},
      {"moved to the left",
       {primary, right},
       {left, primary},
       1024,
       768,
       {"Cover -1280,-200,0,824 0"}},
      {"primary resized",
       {primary, right},
       {bigPrimary, right},
       1920,
       1080,
       {"Cover 1024,0,2944,1080 0"}},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.host.monitors = c.before;
    rig.form->FormCreate();
    rig.form->FormShow();
    rig.host.monitors = c.after;
    rig.host.screenWidth = c.width;
    rig.host.screenHeight = c.height;
    rig.rec.log.clear();
    rig.form->DisplayChange();
    std::vector<std::string> expected = {
        "ScreenWidth", "ScreenHeight",
        "PlaceWindow " + std::to_string(c.width) + "x" + std::to_string(c.height), "RemoveCovers",
        "Monitors"};
    expected.insert(expected.end(), c.covers.begin(), c.covers.end());
    EXPECT_EQ(rig.rec.log, expected) << c.name;
    EXPECT_EQ(rig.form->Width, c.width) << c.name;
    EXPECT_EQ(rig.form->Height, c.height) << c.name;
    EXPECT_FALSE(rig.rec.Has("EndProgram")) << c.name;
  }
  // The preview is sized by its host and covers nothing.
  Rig preview(0x1234);
  preview.form->FormCreate();
  preview.rec.log.clear();
  preview.form->DisplayChange();
  EXPECT_TRUE(preview.rec.log.empty());
}

TEST(WatchHost, SessionDisplayElseConsoleElseMonitorPowerThenSessions) {
  struct Case {
    bool session, console;
    std::vector<std::string> watched;
  } cases[] = {
      {true, true, {"WatchPower session"}},
      {false, true, {"WatchPower session", "WatchPower console"}},
      {false, false, {"WatchPower session", "WatchPower console", "WatchPower monitor"}},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.host.sessionDisplayStatus = c.session;
    rig.host.consoleDisplayState = c.console;
    rig.form->WatchHost();
    std::vector<std::string> expected = c.watched;
    expected.insert(expected.end(), {"WatchSessions", "SessionConnected"});
    EXPECT_EQ(rig.rec.log, expected) << c.session << c.console;
  }
}

// A saver started in a disconnected session draws nothing until the session is connected.
TEST(WatchHost, StartedDisconnectedShowsFramesOnlyOnConnect) {
  for (bool connected : {true, false}) {
    Rig rig;
    rig.host.sessionConnected = connected;
    rig.form->FormCreate();
    rig.form->WatchHost();
    EXPECT_EQ(rig.form->FramesCanBeSeen(true, false), connected);
    rig.form->SessionChange(SessionEvent::Connect);
    EXPECT_TRUE(rig.form->FramesCanBeSeen(true, false));
  }
}

// A lock or a disconnect is a hidden window, and only an unlock and a connection both bring the
// frames back. What a hidden window skips is the frame gate's rule; the saver window hands this
// answer to the gate, which the preview host's case under Wine checks.
TEST(FramesCanBeSeen, LockDisconnectAndDisplayOffHideFramesUntilUndone) {
  using E = SessionEvent;
  struct Step {
    std::function<void(TScreenSaverForm&)> act;
    bool seen;
  };
  const auto session = [](E e) { return [e](TScreenSaverForm& f) { f.SessionChange(e); }; };
  const auto display = [](bool on) { return [on](TScreenSaverForm& f) { f.DisplayPower(on); }; };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"lock, unlock", {{session(E::Lock), false}, {session(E::Unlock), true}}},
      {"disconnect, reconnect", {{session(E::Disconnect), false}, {session(E::Connect), true}}},
      {"locked while disconnected",
       {{session(E::Lock), false},
        {session(E::Disconnect), false},
        {session(E::Unlock), false},
        {session(E::Connect), true}}},
      {"display off and on", {{display(false), false}, {display(true), true}}},
      {"display on while locked", {{session(E::Lock), false}, {display(true), false}}},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.form->FormCreate();
    for (size_t i = 0; i < c.steps.size(); ++i) {
      c.steps[i].act(*rig.form);
      const bool seen = rig.form->FramesCanBeSeen(true, false);
      EXPECT_EQ(seen, c.steps[i].seen) << c.name << " step " << i;
    }
    // The window's own state still counts.
    EXPECT_FALSE(rig.form->FramesCanBeSeen(false, false)) << c.name;
    EXPECT_FALSE(rig.form->FramesCanBeSeen(true, true)) << c.name;
  }
}

TEST(Input, OnlyTheFullScreenSaverClosesOnInputOrLosingTheActivation) {
  struct Case {
    const char* name;
    NativeWindow parent;
    std::function<void(TScreenSaverForm&)> act;
    bool closes;
  } cases[] = {
      {"key", 0, [](TScreenSaverForm& f) { f.FormKeyDown(); }, true},
      {"click", 0, [](TScreenSaverForm& f) { f.FormMouseDown(); }, true},
      {"move on a cover left of the primary", 0,
       [](TScreenSaverForm& f) {
         f.FormMouseMove(300, 200);
         f.FormMouseMove(-700, 200);
       },
       true},
      {"another program activated", 0, [](TScreenSaverForm& f) { f.AppDeactivate(false); }, true},
      {"own error box activated", 0, [](TScreenSaverForm& f) { f.AppDeactivate(true); }, false},
      // Posted to the disabled preview by another program: ignored.
      {"preview key", 0x1234, [](TScreenSaverForm& f) { f.FormKeyDown(); }, false},
      {"preview click", 0x1234, [](TScreenSaverForm& f) { f.FormMouseDown(); }, false},
      {"preview moves", 0x1234,
       [](TScreenSaverForm& f) {
         f.FormMouseMove(3, 4);
         f.FormMouseMove(30, 40);
       },
       false},
      {"preview deactivated", 0x1234, [](TScreenSaverForm& f) { f.AppDeactivate(false); }, false},
  };
  for (const Case& c : cases) {
    Rig rig(c.parent);
    rig.form->FormCreate();
    c.act(*rig.form);
    EXPECT_EQ(rig.rec.Has("EndProgram"), c.closes) << c.name;
    EXPECT_EQ(rig.rec.Has("Timer off"), c.closes) << c.name;
  }
}

TEST(Input, CoversPassTheirsToTheFormThatAskedForThem) {
  const std::pair<const char*, std::function<void(SaverInput&)>> cases[] = {
      {"key", [](SaverInput& cover) { cover.FormKeyDown(); }},
      {"click", [](SaverInput& cover) { cover.FormMouseDown(); }},
      {"move",
       [](SaverInput& cover) {
         cover.FormMouseMove(1500, 10);
         cover.FormMouseMove(1500, 11);
       }},
  };
  for (const auto& [name, act] : cases) {
    Rig rig;
    rig.host.monitors = {{{0, 0, 1024, 768}, true}, {{1024, 0, 2944, 1080}, false}};
    rig.form->FormCreate();
    rig.form->FormShow();
    ASSERT_EQ(rig.host.coverInputs.size(), 1u);
    act(*rig.host.coverInputs[0]);
    EXPECT_TRUE(rig.rec.Has("EndProgram")) << name;
  }
}

TEST(SysCommand, OnlyScreenSaveIsAnswered) {
  Rig rig;
  EXPECT_TRUE(rig.form->SysCommand(0xF140));
  for (uint32_t cmd : {0xF060u, 0xF141u, 0xF020u, 0xF030u, 0x1F140u}) {
    EXPECT_FALSE(rig.form->SysCommand(cmd)) << cmd;
  }
  EXPECT_TRUE(rig.rec.log.empty());
}

}  // namespace
}  // namespace vellicord
