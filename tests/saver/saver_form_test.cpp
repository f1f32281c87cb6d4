// TScreenSaverForm against a recording host: creation order, failure paths, input and close.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "saver/screen_saver_form.h"
#include "tests/support/fake_registry.h"
#include "tests/support/recording_surface.h"

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
    return 1024;
  }
  int32_t ScreenHeight() override {
    r_.log.push_back("ScreenHeight");
    return 768;
  }
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

  NativeWindow existingWindow = 0x1234;
  WindowRect previewRect{10, 20, 162, 132};
  int32_t platform = 2;
  bool versionOk = true;
  size_t handlesAtError = 99;

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
        form(new TScreenSaverForm(host, settings, timer, surface, random, parent)) {}
  ~Rig() { delete form; }
  void Put(const std::string& name, const std::string& text) {
    registry.PutText(kSectionPath, name, text);
  }
  Recorder rec;
  FakeRegistry registry;
  RegistrySettings settings{registry};
  FakeHost host;
  FakeTimer timer;
  RecordingSurface surface;
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
      "IsWindow 4660", "GetWindowRect 4660", "DisableIme", "Interval 14", "Timer on",
      "Seed",          "CreateBuffer 94x95", "Brush 0",    "PenWidth 1"};
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
      {"Speed",
       "'Speed' のデータ型が不正です",
       {"DisableIme", "ErrorBox 'Speed' のデータ型が不正です"}},
      {"Period",
       "'period' のデータ型が不正です",
       {"DisableIme", "Interval 14", "ErrorBox 'period' のデータ型が不正です"}},
      {"WidthOfLines",
       "'WidthOfLines' のデータ型が不正です",
       {"DisableIme", "Interval 14", "ErrorBox 'WidthOfLines' のデータ型が不正です"}},
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

TEST(FormShow, HidesTheApplicationWindow) {
  Rig rig;
  rig.form->FormShow();
  EXPECT_EQ(rig.rec.log, (std::vector<std::string>{"HideApplicationWindow"}));
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
