// Host rules that need no window system: command-line splitting, default title, error text,
// the tick grid and the speed-to-interval arithmetic.
#include <gtest/gtest.h>

#include <climits>

#include "common/tick_schedule.h"
#include "common/timer.h"
#include "win32/app_title.h"
#include "win32/command_line.h"
#include "win32/error_text.h"

namespace vellicord {
namespace {

using Args = std::vector<std::wstring>;

TEST(SplitCommandLine, HostRules) {
  struct Case {
    const wchar_t* line;
    Args args;
  } cases[] = {
      {L"saver.scr", {}},
      {L"saver.scr /s", {L"/s"}},
      {L"\"C:\\Program Files\\saver.scr\" /p 1234", {L"/p", L"1234"}},
      {L"saver.scr\t/p\r\n\x01"
       L"77",
       {L"/p", L"77"}},                      // control characters separate
      {L"saver.scr \"/c 12\"", {L"/c 12"}},  // quotes hold blanks, are dropped
      {L"saver.scr a\"b c\"d e", {L"ab cd", L"e"}},
      {L"saver.scr \"\" /s", {L"/s"}},  // a lone pair is skipped
      {L"saver.scr \"\"\"\" \"\" x", {L"x"}},
      {L"saver.scr /a \"\"", {L"/a"}},
      {L"saver.scr /a \"", {L"/a"}},  // an open quote at the end comes out empty: the list ends
      {L"saver.scr \" \" y", {L" ", L"y"}},
      {L"saver.scr    ", {}},
      {L"", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.args)
        << "line: " << std::string(c.line, c.line + wcslen(c.line));
  }
}

TEST(DefaultTitle, NameCutAtFirstDotAndLowered) {
  EXPECT_EQ(DefaultTitle(L"C:\\WINDOWS\\VELLICORD2.SCR"), L"Vellicord2");
  EXPECT_EQ(DefaultTitle(L"Z:\\build\\Vellicord2.scr"), L"Vellicord2");
  EXPECT_EQ(DefaultTitle(L"c:\\a.b\\my.saver.scr"), L"my");
  EXPECT_EQ(DefaultTitle(L"noext"), L"noext");
  EXPECT_EQ(DefaultTitle(L"C:/dir/ABC"), L"Abc");
}

TEST(ProgramTitle, TakenFromTheLongNameOfAnEightDotThreePath) {
  const auto longPath = [](const std::wstring& p) {
    return p == L"C:\\WINDOWS\\VELLIC~1.SCR" ? std::wstring(L"C:\\WINDOWS\\Vellicord2.scr")
                                             : std::wstring();
  };
  EXPECT_EQ(ProgramTitle(L"C:\\WINDOWS\\VELLIC~1.SCR", longPath), L"Vellicord2");
  // No long form to be had (a path that is gone): the rule on the path as given.
  EXPECT_EQ(ProgramTitle(L"C:\\GONE\\VELLIC~1.SCR", longPath), L"Vellic~1");
}

TEST(ErrorBoxText, FullStopOnlyAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ErrorBoxText("'Speed' のデータ型が不正です"), "'Speed' のデータ型が不正です.");
  EXPECT_EQ(ErrorBoxText("failed"), "failed.");
  EXPECT_EQ(ErrorBoxText("done."), "done.");
  EXPECT_EQ(ErrorBoxText("why?"), "why?.");  // '?' sorts after '.'
  EXPECT_EQ(ErrorBoxText("a-"), "a-");       // '-' sorts before it
  EXPECT_EQ(ErrorBoxText("x!"), "x!");
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(IntervalForSpeed, WideArithmeticAndBounds) {
  struct Case {
    int32_t speed, interval;
  } cases[] = {{0, 28},
               {1, 21},
               {2, 14},
               {3, 7},
               {4, 0},
               {5, 0},
               {-1, 35},
               {INT32_MAX, 0},
               {INT32_MAX / 7 + 1, 0},
               // 28 - 7 * INT32_MIN does not fit 32 bits: held at the largest interval.
               {INT32_MIN, kMaxTimerInterval},
               {-306783375, kMaxTimerInterval},
               {-306783374, 2147483646},
               {-306783373, 2147483639}};
  for (const Case& c : cases) EXPECT_EQ(IntervalForSpeed(c.speed), c.interval) << c.speed;
}

TEST(TickSchedule, KeepsTheGridThroughSmallLateness) {
  TickSchedule s;
  s.Start(1000, 7);
  EXPECT_EQ(s.Due(), 8000);
  EXPECT_FALSE(s.IsDue(7999));
  EXPECT_TRUE(s.IsDue(8000));
  EXPECT_EQ(s.WaitMs(1000), 7);
  EXPECT_EQ(s.WaitMs(7001), 1);  // a part of a millisecond is slept whole, never cut short
  EXPECT_EQ(s.WaitMs(9000), 0);
  s.Advance(9500);  // woke 1.5 ms late: the next instant stays on the grid
  EXPECT_EQ(s.Due(), 15000);
  s.Advance(21900);  // 6.9 ms late: still less than one interval behind, no tick dropped
  EXPECT_EQ(s.Due(), 22000);
}

TEST(TickSchedule, StallDropsMissedTicksInsteadOfBursting) {
  TickSchedule s;
  s.Start(0, 10);
  s.Advance(1000000);  // a one-second stall
  EXPECT_GT(s.Due(), 1000000);
  EXPECT_LE(s.Due(), 1010000);
  EXPECT_EQ(s.Due() % 10000, 0);  // back on the grid
  // Exactly one interval behind also skips: no two ticks back to back.
  TickSchedule t;
  t.Start(0, 10);
  t.Advance(20000);
  EXPECT_EQ(t.Due(), 30000);
}

TEST(TickSchedule, ZeroOrNegativeIntervalNeverTicks) {
  for (int32_t ms : {0, -7, INT32_MIN}) {
    TickSchedule s;
    s.Start(5, ms);
    EXPECT_FALSE(s.Active());
    EXPECT_FALSE(s.IsDue(INT64_MAX));
    EXPECT_EQ(s.WaitMs(5), -1);
  }
  TickSchedule big;
  big.Start(0, INT32_MAX);
  EXPECT_EQ(big.Due(), int64_t{INT32_MAX} * 1000);
}

}  // namespace
}  // namespace vellicord
