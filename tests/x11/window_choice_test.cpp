// The X11 hack's window: --window-id, XScreenSaver's variable with --root, or its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "x11/window_choice.h"

namespace vellicord {
namespace {

using Args = std::vector<std::string>;

TEST(HackOptions, WindowChoice) {
  const struct {
    Args args;
    const char* env;
    WindowKind kind;
    uint32_t id;
  } cases[] = {
      {{}, nullptr, WindowKind::Own, 0},
      {{}, "0x400001", WindowKind::Own, 0},  // the variable alone chooses nothing
      {{"-root"}, "0x400001", WindowKind::Given, 0x400001},
      {{"--root"}, "4194305", WindowKind::Given, 0x400001},
      {{"--root"}, nullptr, WindowKind::Root, 0},
      {{"--root"}, "", WindowKind::Root, 0},
      {{"--root"}, "garbage", WindowKind::Root, 0},
      {{"--root", "--window-id", "77"}, "0x400001", WindowKind::Given, 77},
      {{"--window-id", "0x4d"}, nullptr, WindowKind::Given, 77},
      {{"--root", "--window"}, "0x400001", WindowKind::Own, 0},
  };
  for (const auto& c : cases) {
    HackOptions o;
    ASSERT_EQ(ParseHackOptions(c.args, o), "");
    const WindowChoice w = ChooseWindow(o, c.env);
    EXPECT_EQ(int(w.kind), int(c.kind)) << ::testing::PrintToString(c.args) << c.env;
    EXPECT_EQ(w.id, c.id) << ::testing::PrintToString(c.args);
  }
}

}  // namespace
}  // namespace vellicord
