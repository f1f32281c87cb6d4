// Windows host rules that need no window system: command-line splitting, default title, error
// text.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vellicord
