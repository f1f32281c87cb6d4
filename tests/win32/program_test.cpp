// The main function: mode choice, the handle parser and each mode's calls, against a fake host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/program.h"

namespace vellicord {
namespace {

using Args = std::vector<std::wstring>;

TEST(ChooseMode, SecondCharacterAfterUpperCasing) {
  struct Case {
    Args args;
    SaverMode mode;
  } cases[] = {
      {{}, SaverMode::Configure},
      {{L"/c"}, SaverMode::Configure},
      {{L"/c:1234"}, SaverMode::Configure},
      {{L"-C"}, SaverMode::Configure},
      {{L"/s"}, SaverMode::Run},
      {{L"-S"}, SaverMode::Run},
      {{L"/S:123"}, SaverMode::Run},
      {{L"s"}, SaverMode::Run},
      {{L"/"}, SaverMode::Run},
      {{L"/x"}, SaverMode::Run},
      {{L"/p"}, SaverMode::Preview},
      {{L"/P", L"5"}, SaverMode::Preview},
      {{L"xp", L"100"}, SaverMode::Preview},
      {{L"/a"}, SaverMode::ChangePassword},
      {{L"ZA"}, SaverMode::ChangePassword},
      {{L"/pa"}, SaverMode::Preview},
      {{L"a/"}, SaverMode::Run},
      {{L"/\u00e1"}, SaverMode::Run},  // ASCII only
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseMode(c.args), c.mode)
        << (c.args.empty() ? "none" : std::string(c.args[0].begin(), c.args[0].end()));
  }
}

TEST(ParseHandle, EveryForm) {
  struct Case {
    const wchar_t* text;
    NativeWindow value;
  } cases[] = {
      {L"31", 31},
      {L"0x1F", 31},
      {L"0X1f", 31},
      {L"$1f", 31},
      {L"x1F", 31},
      {L"X1f", 31},
      {L"0031", 31},
      {L"0x001F", 31},
      {L"   31", 31},
      {L"+31", 31},
      {L"-5", 0xFFFFFFFBu},
      {L"-0x10", 0xFFFFFFF0u},
      {L"2147483647", 0x7FFFFFFFu},
      {L"-2147483648", 0x80000000u},
      {L"2147483648", 0x80000000u},
      {L"4294967295", 0xFFFFFFFFu},
      {L"4294967296", 0},
      {L"-2147483649", 0},
      {L"-4294967295", 0},
      {L"99999999999", 0},
      {L"0xFFFFFFFF", 0xFFFFFFFFu},
      {L"$100000000", 0},
      {L"0x00000000FFFFFFFF", 0xFFFFFFFFu},
      {L"31z", 0},
      {L"31 ", 0},
      {L"", 0},
      {L"  ", 0},
      {L"$", 0},
      {L"0x", 0},
      {L"x", 0},
      {L"-", 0},
      {L"+-3", 0},
      {L"\t31", 0},
      {L"00x1F", 0},
      {L"1F", 0},
      {L"0", 0},
      {L"3 1", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHandle(c.text), c.value) << std::string(c.text, c.text + wcslen(c.text));
  }
}

// A 64-bit program takes a handle from a 32-bit one sign-extended: the parsed pattern becomes the
// pointer-sized value Windows gives the same window in a 64-bit process.
TEST(ParseHandle, SignExtendedToThePointerSize) {
  static_assert(sizeof(intptr_t) == 8, "the native tests stand in for the 64-bit build");
  struct Case {
    const wchar_t* text;
    int64_t value;
  } cases[] = {
      {L"31", 31},         {L"2147483647", 0x7FFFFFFF},    {L"2147483648", -0x80000000LL},
      {L"4294967295", -1}, {L"0x80000010", -0x7FFFFFF0LL}, {L"-5", -5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HandleValue(ParseHandle(c.text)), c.value)
        << std::string(c.text, c.text + wcslen(c.text));
  }
}

class FakeProgramHost : public ProgramHost {
 public:
  void HideApplicationWindow() override { log.push_back("hide"); }
  void SetTitle(const std::wstring& t) override {
    log.push_back("title " + std::string(t.begin(), t.end()));
  }
  int RunSetupDialog() override {
    log.push_back("dialog");
    return 1;
  }
  void RunSaver(NativeWindow parent) override { log.push_back("saver " + std::to_string(parent)); }
  std::string SystemDirectory() override {
    log.push_back("sysdir");
    return systemDirectory;
  }
  LibraryHandle LoadLibrary(const std::string& path) override {
    log.push_back("load " + path);
    return libraryLoads ? 42 : 0;
  }
  bool CallChangePassword(LibraryHandle lib, NativeWindow parent) override {
    log.push_back("call " + std::to_string(lib) + " " + std::to_string(parent));
    return true;
  }
  void FreeLibrary(LibraryHandle lib) override { log.push_back("free " + std::to_string(lib)); }

  std::vector<std::string> log;
  std::string systemDirectory = "C:\\WINDOWS\\system32";
  bool libraryLoads = true;
};

using Log = std::vector<std::string>;

TEST(RunProgram, EachModesCallsInOrder) {
  struct Case {
    Args args;
    Log log;
  } cases[] = {
      {{}, {"hide", "dialog"}},
      {{L"/c:1234"}, {"hide", "dialog"}},
      {{L"/s"}, {"saver 0"}},
      {{L"/s", L"99"}, {"saver 0"}},  // run mode never reads the handle
      {{L"/p", L"100"}, {"hide", "title Vellicord2", "saver 100"}},
      {{L"/p"}, {"hide", "title Vellicord2", "saver 0"}},
      {{L"/p", L"3", L"1"}, {"hide", "title Vellicord2", "saver 3"}},
      {{L"/p", L"31z"}, {"hide", "title Vellicord2", "saver 0"}},
      {{L"/a", L"0x10"},
       {"hide", "sysdir", "load C:\\WINDOWS\\system32\\MPR.DLL", "call 42 16", "free 42"}},
      {{L"/a"}, {"hide", "sysdir", "load C:\\WINDOWS\\system32\\MPR.DLL", "call 42 0", "free 42"}},
  };
  for (const Case& c : cases) {
    FakeProgramHost host;
    RunProgram(c.args, host);
    EXPECT_EQ(host.log, c.log) << (c.args.empty()
                                       ? "none"
                                       : std::string(c.args[0].begin(), c.args[0].end()));
  }
}

TEST(RunProgram, ChangePasswordDirectoryAndMissingLibrary) {
  struct Case {
    std::string dir;
    bool loads;
    Log log;
  } cases[] = {
      {"C:\\", true, {"hide", "sysdir", "load C:\\MPR.DLL", "call 42 0", "free 42"}},
      {"", true, {"hide", "sysdir", "load MPR.DLL", "call 42 0", "free 42"}},
      {"D:\\sys", false, {"hide", "sysdir", "load D:\\sys\\MPR.DLL"}},
  };
  for (const Case& c : cases) {
    FakeProgramHost host;
    host.systemDirectory = c.dir;
    host.libraryLoads = c.loads;
    RunProgram({L"/a"}, host);
    EXPECT_EQ(host.log, c.log) << c.dir;
  }
}

}  // namespace
}  // namespace vellicord
