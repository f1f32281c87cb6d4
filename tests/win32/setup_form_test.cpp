// The setup dialog's design table, radio layout, scaling, and its load and save through the store.
#include "win32/settings/setup_form.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/support/fake_registry.h"

namespace vellicord {
namespace {

const std::vector<std::string> kSectionPath = {"Vellicord2", "Vellicord2"};

// Positions, captions and styles are checked from outside under Wine (dialog_layout); here,
// what the builder and the load and save rely on the table for.
TEST(SetupDesign, ControlsSitInsideTheirParents) {
  const FormDesign& form = SetupFormDesign();
  for (const ControlDesign& d : SetupControlDesigns()) {
    SCOPED_TRACE(d.name);
    int32_t width = form.clientWidth, height = form.clientHeight;
    if (d.parent != nullptr) {
      const ControlDesign* parent = FindControlDesign(d.parent);
      ASSERT_NE(parent, nullptr);
      EXPECT_EQ(parent->kind, ControlKind::GroupBox);
      EXPECT_LT(parent - SetupControlDesigns().data(), &d - SetupControlDesigns().data());
      width = parent->width;
      height = parent->height;
    }
    EXPECT_GE(d.left, 0);
    EXPECT_GE(d.top, 0);
    EXPECT_LE(d.left + d.width, width);
    EXPECT_LE(d.top + d.height, height);
  }
  EXPECT_EQ(FindControlDesign("NoSuchControl"), nullptr);
}

TEST(SetupDesign, TabOrdersCountFromZeroWithinEachParent) {
  std::map<std::string, std::set<int32_t>> orders;
  for (const ControlDesign& d : SetupControlDesigns()) {
    const bool stops = d.kind != ControlKind::Label;
    EXPECT_EQ(d.tabOrder != kNoTabOrder, stops) << d.name;
    if (stops) {
      EXPECT_TRUE(orders[d.parent ? d.parent : ""].insert(d.tabOrder).second) << d.name;
    }
  }
  for (const auto& [parent, set] : orders) {
    EXPECT_EQ(*set.rbegin(), static_cast<int32_t>(set.size()) - 1) << parent;
  }
}

TEST(SetupDesign, OneButtonEachForOkAndCancel) {
  int defaults = 0, cancels = 0;
  for (const ControlDesign& d : SetupControlDesigns()) {
    if (d.isDefault) {
      EXPECT_EQ(d.modalResult, 1) << d.name;
      ++defaults;
    }
    if (d.isCancel) {
      EXPECT_EQ(d.modalResult, 2) << d.name;
      ++cancels;
    }
  }
  EXPECT_EQ(defaults, 1);
  EXPECT_EQ(cancels, 1);
}

// Each setting's control offers exactly the setting's dialog range, and everything the dialog
// can write the saver uses as written.
TEST(SetupDesign, ControlsOfferTheSettingsRanges) {
  for (SettingId id : kDialogOrder) {
    const SavedSetting& saved = kSettings[id];
    const ControlDesign* d = FindControlDesign(ControlOf(id));
    ASSERT_NE(d, nullptr) << saved.writeName;
    if (d->kind == ControlKind::RadioGroup) {
      EXPECT_EQ(saved.dialogMin, 0) << saved.writeName;
      EXPECT_EQ(saved.dialogMax, d->itemCount - 1) << saved.writeName;
      EXPECT_EQ(d->columns, d->itemCount) << saved.writeName;
      for (int32_t i = 0; i < d->itemCount; ++i) EXPECT_NE(d->items[i], nullptr) << saved.writeName;
    } else if (d->kind == ControlKind::TrackBar) {
      EXPECT_EQ(d->minimum, saved.dialogMin) << saved.writeName;
      EXPECT_EQ(d->maximum, saved.dialogMax) << saved.writeName;
      EXPECT_GE(d->position, d->minimum) << saved.writeName;
      EXPECT_LE(d->position, d->maximum) << saved.writeName;
    } else {
      EXPECT_EQ(saved.kind, SettingKind::Text);
      EXPECT_STREQ(d->caption, kBlackText);
      EXPECT_STREQ(FindControlDesign("RadioButton2")->caption, kWhiteText);
      continue;
    }
    for (int32_t v = saved.dialogMin; v <= saved.dialogMax; ++v) {
      EXPECT_EQ(LimitForSaver(id, v), v) << saved.writeName << " " << v;
    }
  }
}

TEST(SetupDesign, RadioItemsSitInColumnsBelowTheCaption) {
  // Speed: 203 x 62, four columns of one item each.
  EXPECT_EQ(RadioItemRect(203, 62, 4, 4, 12, 0), (ControlRect{8, 13, 48, 45}));
  EXPECT_EQ(RadioItemRect(203, 62, 4, 4, 12, 3), (ControlRect{152, 13, 48, 45}));
  // Complexity: 206 x 49, three columns.
  EXPECT_EQ(RadioItemRect(206, 49, 3, 3, 12, 1), (ControlRect{73, 13, 65, 32}));
  EXPECT_EQ(RadioItemRect(206, 49, 3, 3, 12, 2), (ControlRect{138, 13, 65, 32}));
  // More items than columns fill each column downwards, the remainder split above and below.
  EXPECT_EQ(RadioItemRect(110, 60, 5, 2, 12, 2), (ControlRect{8, 41, 50, 14}));
  EXPECT_EQ(RadioItemRect(110, 60, 5, 2, 12, 3), (ControlRect{58, 13, 50, 14}));
  EXPECT_EQ(RadioItemRect(110, 61, 5, 2, 12, 2), (ControlRect{8, 42, 50, 14}));
  // At 144 dpi the group and the text grow by half.
  EXPECT_EQ(RadioItemRect(305, 93, 4, 4, 18, 1), (ControlRect{81, 19, 73, 70}));
}

TEST(SetupDesign, ScalingRoundsLikeMulDiv) {
  EXPECT_EQ(ScaleToDpi(225, 96), 225);
  EXPECT_EQ(ScaleToDpi(225, 144), 338);  // 337.5 rounds away from zero
  EXPECT_EQ(ScaleToDpi(397, 144), 596);
  EXPECT_EQ(ScaleToDpi(-12, 144), -18);
  EXPECT_EQ(ScaleToDpi(-13, 144), -20);  // -19.5
  EXPECT_EQ(ScaleToDpi(7, 120), 9);      // 8.75
  EXPECT_EQ(ScaleToDpi(0, 192), 0);
}

TEST(SetupLimits, ItemIndexAndPosition) {
  const std::pair<int32_t, int32_t> items[] = {{-5, -1}, {-2, -1}, {-1, -1}, {0, 0},
                                               {3, 3},   {4, 3},   {9, 3},   {INT32_MAX, 3}};
  for (const auto& [in, out] : items) EXPECT_EQ(LimitItemIndex(in, 4), out) << in;
  const std::pair<int32_t, int32_t> positions[] = {{INT32_MIN, 1}, {0, 1},   {1, 1},
                                                   {7, 7},         {10, 10}, {25, 10}};
  for (const auto& [in, out] : positions) EXPECT_EQ(LimitPosition(in, 1, 10), out) << in;
}

struct Shown {
  int32_t speed, period;
  bool black;
  int32_t number, width;
};

Shown Read(const SetupControls& c) {
  return {c.ItemIndex("SpeedBox"), c.ItemIndex("PeriodBox"), c.Checked("RadioButton1"),
          c.Position("TBNumber"), c.Position("TBwidth")};
}

void ExpectShown(const SetupControls& c, Shown e) {
  const Shown s = Read(c);
  EXPECT_EQ(s.speed, e.speed);
  EXPECT_EQ(s.period, e.period);
  EXPECT_EQ(s.black, e.black);
  EXPECT_EQ(c.Checked("RadioButton2"), !e.black);
  EXPECT_EQ(s.number, e.number);
  EXPECT_EQ(s.width, e.width);
}

class SetupLoadSave : public ::testing::Test {
 protected:
  StoreError Load(SetupState& state) {
    SettingsStore store(reg, kStoreName);
    return LoadSetup(store, state);
  }
  StoreError Save(const SetupState& state) {
    SettingsStore store(reg, kStoreName);
    return SaveSetup(store, state);
  }
  std::string Stored(const char* name) {
    const FakeRegistry::Value* v = reg.Find(kSectionPath, name);
    if (v == nullptr) return "<missing>";
    EXPECT_EQ(v->type, kRegSz) << name;
    return std::string(v->data.begin(), v->data.end());
  }
  FakeRegistry reg;
};

TEST_F(SetupLoadSave, DesignValuesBeforeLoading) {
  SetupState state;
  ExpectShown(state, {2, 1, true, 3, 4});
}

TEST_F(SetupLoadSave, EmptyStoreLoadsDefaultsAndOkWritesThem) {
  SetupState state;
  ASSERT_FALSE(Load(state));
  ExpectShown(state, {2, 1, true, 4, 1});
  EXPECT_FALSE(reg.KeyExists(kSectionPath));
  ASSERT_FALSE(Save(state));
  EXPECT_EQ(Stored("Speed"), std::string("2\0", 2));
  EXPECT_EQ(Stored("Period"), std::string("1\0", 2));
  EXPECT_EQ(Stored("BGcolor"), std::string("Black\0", 6));
  EXPECT_EQ(Stored("NumberOfLines"), std::string("4\0", 2));
  EXPECT_EQ(Stored("WidthOfLines"), std::string("1\0", 2));
  std::vector<std::string> sets;
  for (const std::string& line : reg.log) {
    if (line.rfind("set ", 0) == 0) sets.push_back(line.substr(line.find(' ', 4) + 1));
  }
  EXPECT_EQ(sets, (std::vector<std::string>{"Speed 1 2", "Period 1 2", "BGcolor 1 6",
                                            "NumberOfLines 1 2", "WidthOfLines 1 2"}));
}

TEST_F(SetupLoadSave, StoredValuesAreLimitedAsTheControlsLimitThem) {
  struct Case {
    const char *speed, *period, *colour, *number, *width;
    Shown shown;
    const char *savedSpeed, *savedPeriod, *savedColour, *savedNumber, *savedWidth;
  };
  const Case cases[] = {
      {"9", "2", "White", "0", "25", {3, 2, false, 1, 10}, "3", "2", "White", "1", "10"},
      {"-5", "-1", "", "25", "0", {-1, -1, false, 10, 1}, "-1", "-1", "White", "10", "1"},
      {"0", "7", "black", "10", "-3", {0, 2, false, 10, 1}, "0", "2", "White", "10", "1"},
      {"$1", " 0", "Black", "x5", "3 ", {1, 0, true, 5, 1}, "1", "0", "Black", "5", "1"},
      {"-2",
       "-2147483648",
       "Black ",
       "7",
       "2",
       {-1, -1, false, 7, 2},
       "-1",
       "-1",
       "White",
       "7",
       "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.speed) + "/" + c.period + "/" + c.colour);
    reg.PutText(kSectionPath, "Speed", c.speed);
    reg.PutText(kSectionPath, "Period", c.period);
    reg.PutText(kSectionPath, "BGcolor", c.colour);
    reg.PutText(kSectionPath, "NumberOfLines", c.number);
    reg.PutText(kSectionPath, "WidthOfLines", c.width);
    SetupState state;
    ASSERT_FALSE(Load(state));
    ExpectShown(state, c.shown);
    ASSERT_FALSE(Save(state));
    EXPECT_EQ(Stored("Speed"), std::string(c.savedSpeed) + '\0');
    EXPECT_EQ(Stored("Period"), std::string(c.savedPeriod) + '\0');
    EXPECT_EQ(Stored("BGcolor"), std::string(c.savedColour) + '\0');
    EXPECT_EQ(Stored("NumberOfLines"), std::string(c.savedNumber) + '\0');
    EXPECT_EQ(Stored("WidthOfLines"), std::string(c.savedWidth) + '\0');
  }
}

TEST_F(SetupLoadSave, FailingReadLeavesLaterControlsAtTheirDesignValues) {
  // Speed as a number value: nothing is loaded.
  reg.Put(kSectionPath, "Speed", kRegDword, {3, 0, 0, 0});
  reg.PutText(kSectionPath, "Period", "0");
  reg.PutText(kSectionPath, "NumberOfLines", "9");
  SetupState state;
  StoreError error = Load(state);
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "'Speed' のデータ型が不正です");
  ExpectShown(state, {2, 1, true, 3, 4});
  // OK then writes what is shown, replacing the number value with text.
  ASSERT_FALSE(Save(state));
  EXPECT_EQ(Stored("Speed"), std::string("2\0", 2));
  EXPECT_EQ(Stored("NumberOfLines"), std::string("3\0", 2));

  // BGcolor as binary: Speed and Period loaded, the rest not.
  reg.PutText(kSectionPath, "Speed", "0");
  reg.PutText(kSectionPath, "Period", "0");
  reg.Put(kSectionPath, "BGcolor", kRegBinary, {'W', 0});
  SetupState later;
  later.SetChecked("RadioButton2");
  error = Load(later);
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "'BGcolor' のデータ型が不正です");
  ExpectShown(later, {0, 0, false, 3, 4});
}

TEST_F(SetupLoadSave, FailingWriteLeavesLaterValuesUnwritten) {
  reg.failSet["bgcolor"] = 5;
  SetupState state;
  state.SetItemIndex("SpeedBox", 3);
  state.SetPosition("TBwidth", 8);
  StoreError error = Save(state);
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "'BGcolor' の設定に失敗しました");
  EXPECT_EQ(Stored("Speed"), std::string("3\0", 2));
  EXPECT_EQ(Stored("Period"), std::string("1\0", 2));
  EXPECT_EQ(Stored("BGcolor"), "<missing>");
  EXPECT_EQ(Stored("NumberOfLines"), "<missing>");
  EXPECT_EQ(Stored("WidthOfLines"), "<missing>");
}

TEST_F(SetupLoadSave, UncreatableSectionFailsTheFirstWrite) {
  reg.failCreate["Vellicord2"] = 5;
  SetupState state;
  StoreError error = Save(state);
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "キー Vellicord2 の作成に失敗しました");
  EXPECT_FALSE(reg.KeyExists({"Vellicord2"}));
}

TEST_F(SetupLoadSave, ReadsInTheDialogsOrderWithItsNames) {
  SetupState state;
  ASSERT_FALSE(Load(state));
  std::vector<std::string> queried;
  for (const std::string& line : reg.log) {
    if (line.rfind("open", 0) == 0) queried.push_back(line);
  }
  // The section is missing, so each read only tries to open it: five reads, five opens.
  EXPECT_EQ(queried.size(), 5u);
  reg.log.clear();
  reg.PutText(kSectionPath, "Other", "x");
  ASSERT_FALSE(Load(state));
  std::vector<std::string> names;
  for (const std::string& line : reg.log) {
    if (line.rfind("query", 0) == 0) names.push_back(line.substr(line.find(' ', 6) + 1));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Speed size", "Period size", "BGcolor size",
                                             "NumberOfLines size", "WidthOfLines size"}));
}

}  // namespace
}  // namespace vellicord
