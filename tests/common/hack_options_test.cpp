// The Linux programs' command line, the settings it hands the figure, and the
// xscreensaver-settings description that produces the X11 hack's command lines.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/hack_options.h"
#include "settings/settings_table.h"

namespace vellicord {
namespace {

using Args = std::vector<std::string>;

TEST(HackOptions, WindowIdsAsXScreenSaverAndXsecurelockWriteThem) {
  const struct {
    const char* text;
    std::optional<uint32_t> id;
  } cases[] = {{"0x1a00003", 0x1a00003},
               {"27262979", 27262979},
               {" 0X1A00003 ", 0x1a00003},
               {"\t42\n", 42},
               {"4294967295", 0xFFFFFFFF},
               {"0xffffffff", 0xFFFFFFFF},
               {"1", 1},
               {"0", std::nullopt},
               {"0x0", std::nullopt},
               {"", std::nullopt},
               {"0x", std::nullopt},
               {"1a", std::nullopt},
               {"-5", std::nullopt},
               {"+5", std::nullopt},
               {"4294967296", std::nullopt},
               {"0x100000000", std::nullopt},
               {"12 34", std::nullopt},
               {"0x1g", std::nullopt}};
  for (const auto& c : cases) {
    EXPECT_EQ(ParseWindowId(c.text), c.id) << '"' << c.text << '"';
  }
}

TEST(HackOptions, SettingsAndGenericOptions) {
  const struct {
    Args args;
    SaverSettings want;
  } cases[] = {
      {{}, {2, 1, 4, "Black", 1}},
      {{"--speed", "0", "--complexity", "2", "--lines", "31", "--line-width", "10"},
       {0, 2, 31, "Black", 10}},
      {{"-speed", "3", "-complexity", "0", "-lines", "1", "-line-width", "1"},
       {3, 0, 1, "Black", 1}},
      {{"--background", "WHITE"}, {2, 1, 4, "White", 1}},
      {{"--background", "white", "-background", "bLaCk"}, {2, 1, 4, "Black", 1}},
      {{"-fps", "--no-fps", "-mono", "--install", "-visual", "TrueColor", "--window"},
       {2, 1, 4, "Black", 1}},
  };
  for (const auto& c : cases) {
    HackOptions o;
    ASSERT_EQ(ParseHackOptions(c.args, o), "") << ::testing::PrintToString(c.args);
    EXPECT_EQ(o.settings.Speed, c.want.Speed);
    EXPECT_EQ(o.settings.Period, c.want.Period);
    EXPECT_EQ(o.settings.NumberOfLines, c.want.NumberOfLines);
    EXPECT_EQ(o.settings.BGcolor, c.want.BGcolor);
    EXPECT_EQ(o.settings.WidthOfLines, c.want.WidthOfLines);
    EXPECT_FALSE(o.fixedDraws);
  }
}

TEST(HackOptions, ErrorsNameTheOption) {
  const struct {
    Args args;
    const char* error;
  } cases[] = {
      {{"--bogus"}, "unknown option --bogus"},
      {{"---root"}, "unknown option ---root"},
      {{"root"}, "unknown option root"},
      {{"--speed", "4"}, "--speed takes a whole number from 0 to 3"},
      {{"--speed", "-1"}, "--speed takes a whole number from 0 to 3"},
      {{"--complexity", "3"}, "--complexity takes a whole number from 0 to 2"},
      {{"--lines", "0"}, "--lines takes a whole number from 1 to 31"},
      {{"-lines", "32"}, "-lines takes a whole number from 1 to 31"},
      {{"--line-width", "11"}, "--line-width takes a whole number from 1 to 10"},
      {{"--line-width", "2x"}, "--line-width takes a whole number from 1 to 10"},
      {{"--speed"}, "--speed takes a whole number from 0 to 3"},
      {{"--background", "grey"}, "--background takes black or white"},
      {{"--background"}, "--background takes black or white"},
      {{"--window-id", "0"}, "--window-id takes a window id, decimal or hexadecimal after 0x"},
      {{"--window-id"}, "--window-id takes a window id, decimal or hexadecimal after 0x"},
      {{"--visual"}, "--visual takes a visual"},
      {{"--draws", "0.5,0.5,1,0,0"}, "--draws takes r1,r2,r3,d6,d256"},
  };
  for (const auto& c : cases) {
    HackOptions o;
    EXPECT_EQ(ParseHackOptions(c.args, o), c.error) << ::testing::PrintToString(c.args);
  }
}

TEST(HackOptions, HiddenDrawsOption) {
  HackOptions o;
  ASSERT_EQ(ParseHackOptions({"--draws", "0.25,0.5,0.75,5,255"}, o), "");
  EXPECT_TRUE(o.fixedDraws);
  EXPECT_EQ(o.draws[0], 0.25L);
  EXPECT_EQ(o.draws[2], 0.75L);
  EXPECT_EQ(o.d6, 5);
  EXPECT_EQ(o.d256, 255);
  // Each set-up (a resize makes another) takes the same draws in the same order.
  GivenDraws draws = DrawsOf(o);
  for (int setUp = 0; setUp < 2; ++setUp) {
    draws.Seed();
    EXPECT_EQ(draws.NextReal(), 0.25L);
    EXPECT_EQ(draws.NextReal(), 0.5L);
    EXPECT_EQ(draws.NextReal(), 0.75L);
    EXPECT_EQ(draws.NextInt(6), 5);
    EXPECT_EQ(draws.NextInt(256), 255);
  }
}

// --- vellicord2.xml: what xscreensaver-settings builds command lines from.

std::string Attr(const std::string& element, const std::string& name) {
  const std::regex re("\\b" + name + "=\"([^\"]*)\"");
  std::smatch m;
  return std::regex_search(element, m, re) ? m[1].str() : std::string();
}

Args Split(const std::string& text) {
  std::istringstream in(text);
  Args out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// One control: each way it can appear on a command line (empty: left out, at its default).
struct Control {
  std::string id;
  std::vector<Args> choices;
  Args atDefault;  // what the command line means when the control is left out
};

TEST(SettingsXml, EveryCommandLineIsAcceptedAndDefaultsAreTheTables) {
  std::ifstream file(VELLICORD_HACK_XML);
  ASSERT_TRUE(file) << VELLICORD_HACK_XML;
  std::stringstream buffer;
  buffer << file.rdbuf();
  const std::string xml = buffer.str();

  std::smatch m;
  ASSERT_TRUE(std::regex_search(xml, m, std::regex("<command arg=\"([^\"]*)\"/>")));
  const Args always = Split(m[1].str());
  EXPECT_EQ(always, Args{"--root"});

  std::vector<Control> controls;
  // A number is left out at its default, else "arg" with % replaced, for low to high.
  const std::regex number("<number[^>]*>");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), number); it != std::sregex_iterator();
       ++it) {
    const std::string e = it->str();
    Control c{Attr(e, "id"), {{}}, {}};
    const int low = std::stoi(Attr(e, "low")), high = std::stoi(Attr(e, "high"));
    const std::string arg = Attr(e, "arg");
    const size_t pct = arg.find('%');
    ASSERT_NE(pct, std::string::npos) << e;
    auto with = [&](int v) { return Split(arg.substr(0, pct) + std::to_string(v)); };
    for (int v = low; v <= high; ++v) c.choices.push_back(with(v));
    c.atDefault = with(std::stoi(Attr(e, "default")));
    controls.push_back(c);
  }
  // A select puts one option's arg-set; the option without one is the default.
  const std::regex select("<select id=\"([^\"]*)\">([\\s\\S]*?)</select>");
  const std::regex option("<option[^>]*>");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), select); it != std::sregex_iterator();
       ++it) {
    Control c{(*it)[1].str(), {}, {}};
    const std::string body = (*it)[2].str();
    int defaults = 0;
    for (auto o = std::sregex_iterator(body.begin(), body.end(), option);
         o != std::sregex_iterator(); ++o) {
      const std::string set = Attr(o->str(), "arg-set");
      c.choices.push_back(Split(set));
      defaults += set.empty();
    }
    EXPECT_EQ(defaults, 1) << c.id;
    controls.push_back(c);
  }
  ASSERT_EQ(controls.size(), 5u);

  // Every combination xscreensaver-settings can produce, each one parsed.
  size_t combinations = 0;
  std::vector<size_t> pick(controls.size(), 0);
  for (;;) {
    Args args = always;
    for (size_t i = 0; i < controls.size(); ++i) {
      const Args& a = controls[i].choices[pick[i]];
      args.insert(args.end(), a.begin(), a.end());
    }
    HackOptions o;
    ASSERT_EQ(ParseHackOptions(args, o), "") << ::testing::PrintToString(args);
    ++combinations;
    size_t i = 0;
    while (i < pick.size() && ++pick[i] == controls[i].choices.size()) pick[i++] = 0;
    if (i == pick.size()) break;
  }
  EXPECT_EQ(combinations, 5u * 3u * 11u * 11u * 2u);

  // Each control offers exactly the dialog's choices, and its default is the table's.
  const std::map<std::string, SettingId> settingOf = {{"speed", kSpeed},
                                                      {"complexity", kPeriod},
                                                      {"lines", kNumberOfLines},
                                                      {"linewidth", kWidthOfLines},
                                                      {"background", kBGcolor}};
  auto valueOf = [](SettingId id, const Args& args) {
    HackOptions o;
    EXPECT_EQ(ParseHackOptions(args, o), "");
    const SaverSettings& s = o.settings;
    const int32_t values[kSettingCount] = {s.Speed, s.Period, s.NumberOfLines,
                                           s.BGcolor == kWhiteText, s.WidthOfLines};
    return values[id];
  };
  for (const Control& c : controls) {
    ASSERT_EQ(settingOf.count(c.id), 1u) << c.id;
    const SettingId id = settingOf.at(c.id);
    const SavedSetting& saved = kSettings[id];
    std::set<int32_t> offered;
    for (const Args& a : c.choices) offered.insert(valueOf(id, a));
    std::set<int32_t> dialog;
    for (int32_t v = saved.dialogMin; v <= saved.dialogMax; ++v) dialog.insert(v);
    if (id == kBGcolor) dialog = {0, 1};
    EXPECT_EQ(offered, dialog) << c.id;
    const int32_t tableDefault = id == kBGcolor
                                     ? int32_t(std::string(saved.defaultText) == kWhiteText)
                                     : saved.defaultNumber;
    EXPECT_EQ(valueOf(id, {}), tableDefault) << c.id;
    if (!c.atDefault.empty()) {
      EXPECT_EQ(valueOf(id, c.atDefault), tableDefault) << c.id;
    }
  }
}

}  // namespace
}  // namespace vellicord
