// The settings store against the fake registry: number text, value types, messages, access pattern.
#include "win32/settings/settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/fake_registry.h"

namespace vellicord {
namespace {

const std::vector<std::string> kSectionPath = {"Vellicord2", "Vellicord2"};

std::vector<uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

TEST(ParseSettingNumber, FollowsTheStoredTextRules) {
  struct Case {
    const char* text;
    std::optional<int32_t> expected;
  };
  const Case cases[] = {
      {"3", 3},
      {" 3", 3},
      {"   -3", -3},
      {"3 ", std::nullopt},
      {"3a", std::nullopt},
      {"\t3", std::nullopt},
      {"- 3", std::nullopt},
      {"+-3", std::nullopt},
      {"--3", std::nullopt},
      {"+7", 7},
      {"007", 7},
      {"$3", 3},
      {"$1f", 31},
      {"x1F", 31},
      {"X1f", 31},
      {"0x1F", 31},
      {"0X1f", 31},
      {"-0x10", -16},
      {"-$10", -16},
      {"$-10", std::nullopt},
      {"0x1G", std::nullopt},
      {"1F", std::nullopt},
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"-2147483648", INT32_MIN},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"$7FFFFFFF", 2147483647},
      {"$80000000", std::nullopt},
      {"-$80000000", INT32_MIN},
      {"$FFFFFFFF", std::nullopt},
      {"0x0000000000000001", 1},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {"$", std::nullopt},
      {"x", std::nullopt},
      {"0x", std::nullopt},
      {"-0x", std::nullopt},
      {"0", 0},
      {"-0", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseSettingNumber(c.text), c.expected) << "text \"" << c.text << "\"";
  }
}

class StoreTest : public ::testing::Test {
 protected:
  int32_t ReadInt(const char* name, int32_t fallback, StoreError* error = nullptr) {
    SettingsStore store(reg, kStoreName);
    int32_t value = -999;
    StoreError e = store.ReadInteger(kSection, name, fallback, value);
    if (error)
      *error = e;
    else
      EXPECT_FALSE(e) << *e;
    return value;
  }
  std::string ReadText(const char* name, const std::string& fallback, StoreError* error = nullptr) {
    SettingsStore store(reg, kStoreName);
    std::string value = "untouched";
    StoreError e = store.ReadString(kSection, name, fallback, value);
    if (error)
      *error = e;
    else
      EXPECT_FALSE(e) << *e;
    return value;
  }
  FakeRegistry reg;
};

TEST_F(StoreTest, MissingKeySectionOrValueGivesTheDefault) {
  EXPECT_EQ(ReadInt("Speed", 2), 2);
  EXPECT_EQ(ReadText("BGcolor", "Black"), "Black");
  EXPECT_TRUE(reg.KeyExists({"Vellicord2"}));
  EXPECT_FALSE(reg.KeyExists(kSectionPath)) << "a read must never create the section";
  reg.PutText(kSectionPath, "Other", "1");
  EXPECT_EQ(ReadInt("Speed", 2), 2);
  EXPECT_EQ(ReadText("BGcolor", "Black"), "Black");
}

TEST_F(StoreTest, IntegerTextThroughTheStore) {
  const std::pair<const char*, int32_t> cases[] = {{" 3", 3},  {"3 ", 2}, {"3a", 2},  {"$3", 3},
                                                   {"-5", -5}, {"", 2},   {"Fast", 2}};
  for (const auto& [text, expected] : cases) {
    reg.PutText(kSectionPath, "Speed", text);
    EXPECT_EQ(ReadInt("Speed", 2), expected) << text;
  }
}

TEST_F(StoreTest, NamesMatchWithoutRegardToCase) {
  reg.PutText(kSectionPath, "Period", "2");
  reg.PutText(kSectionPath, "NumberOfLines", "7");
  EXPECT_EQ(ReadInt("period", 1), 2);
  EXPECT_EQ(ReadInt("NumberofLines", 4), 7);
  // Keys, too: a store key created by another writer in other letters is the same key.
  FakeRegistry other;
  other.PutText({"VELLICORD2", "vellicord2"}, "speed", "3");
  SettingsStore store(other, kStoreName);
  int32_t speed = 0;
  EXPECT_FALSE(store.ReadInteger(kSection, "Speed", 2, speed));
  EXPECT_EQ(speed, 3);
}

TEST_F(StoreTest, TextRulesForEveryTextShape) {
  struct Case {
    const char* label;
    uint32_t type;
    std::vector<uint8_t> data;
    std::string expected;
  };
  const Case cases[] = {
      {"terminated", kRegSz, Bytes(std::string("White\0", 6)), "White"},
      {"no terminating zero", kRegSz, Bytes("White"), "White"},
      {"embedded zero", kRegSz, Bytes(std::string("Bl\0ack\0", 7)), "Bl"},
      {"zero first", kRegSz, Bytes(std::string("\0Black", 6)), ""},
      {"expand unexpanded", kRegExpandSz, Bytes(std::string("%TEMP%\\x\0", 9)), "%TEMP%\\x"},
      {"size 0 text", kRegSz, {}, ""},
      {"size 0 dword", kRegDword, {}, ""},
      {"size 0 binary", kRegBinary, {}, ""},
      {"size 0 none", kRegNone, {}, ""},
  };
  for (const Case& c : cases) {
    reg.Put(kSectionPath, "BGcolor", c.type, c.data);
    EXPECT_EQ(ReadText("BGcolor", "Black"), c.expected) << c.label;
  }
  // Size 0 is an empty text, so a number's default.
  reg.Put(kSectionPath, "Speed", kRegDword, {});
  EXPECT_EQ(ReadInt("Speed", 2), 2);
}

TEST_F(StoreTest, NonTextTypesFailWithTheTypeMessage) {
  const uint32_t types[] = {kRegNone,    kRegBinary, kRegDword, kRegDwordBigEndian,
                            kRegMultiSz, kRegQword,  8,         99};
  for (uint32_t type : types) {
    reg.Put(kSectionPath, "Speed", type, Bytes(std::string("3\0\0\0", 4)));
    StoreError error;
    ReadInt("Speed", 2, &error);
    ASSERT_TRUE(error) << "type " << type;
    EXPECT_EQ(*error, "'Speed' のデータ型が不正です") << "type " << type;
    ReadText("Speed", "x", &error);
    ASSERT_TRUE(error) << "type " << type;
  }
}

TEST_F(StoreTest, FailedReadLeavesTheCallersValueAlone) {
  reg.Put(kSectionPath, "Speed", kRegDword, {9, 0, 0, 0});
  SettingsStore store(reg, kStoreName);
  int32_t speed = 77;
  EXPECT_TRUE(store.ReadInteger(kSection, "Speed", 2, speed));
  EXPECT_EQ(speed, 77);
}

TEST_F(StoreTest, HugeTextIsReadWhole) {
  std::string text(1 << 20, 'a');
  text.back() = '7';
  reg.PutText(kSectionPath, "BGcolor", text);
  EXPECT_EQ(ReadText("BGcolor", "Black"), text);
  text = std::string((1 << 20) + 3, ' ') + "5";
  reg.PutText(kSectionPath, "Speed", text);
  EXPECT_EQ(ReadInt("Speed", 2), 5);
}

TEST_F(StoreTest, ValueGrowingBetweenQueryAndReadIsReadAgain) {
  reg.PutText(kSectionPath, "BGcolor", "Bla");
  int grown = 0;
  reg.beforeDataQuery = [&] {
    if (grown++ < 2) reg.PutText(kSectionPath, "BGcolor", std::string(10 * grown, 'W'));
  };
  EXPECT_EQ(ReadText("BGcolor", "Black"), std::string(20, 'W'));
  EXPECT_EQ(grown, 3);
}

TEST_F(StoreTest, ValueThatNeverStopsGrowingFailsWithTheReadMessage) {
  reg.PutText(kSectionPath, "BGcolor", "Bla");
  size_t length = 3;
  int reads = 0;
  reg.beforeDataQuery = [&] {
    ++reads;
    length *= 2;
    reg.PutText(kSectionPath, "BGcolor", std::string(length, 'W'));
  };
  StoreError error;
  ReadText("BGcolor", "Black", &error);
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "'BGcolor' の取得に失敗しました");
  EXPECT_GE(reads, 2);
  EXPECT_LE(reads, 10);
  EXPECT_EQ(reg.OpenHandles(), 0u);
}

TEST_F(StoreTest, ValueGoneBeforeTheReadFailsWithTheReadMessage) {
  reg.PutText(kSectionPath, "Period", "2");
  reg.beforeDataQuery = [&] { reg.Remove(kSectionPath, "Period"); };
  StoreError error;
  ReadInt("Period", 1, &error);
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "'Period' の取得に失敗しました");
}

TEST_F(StoreTest, ValueTurningIntoNonTextBeforeTheReadIsATypeError) {
  reg.PutText(kSectionPath, "Speed", "3");
  reg.beforeDataQuery = [&] { reg.Put(kSectionPath, "Speed", kRegBinary, {1, 2}); };
  StoreError error;
  ReadInt("Speed", 2, &error);
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "'Speed' のデータ型が不正です");
}

TEST_F(StoreTest, ValueShrinkingBeforeTheReadIsReadAtItsNewSize) {
  reg.PutText(kSectionPath, "Speed", "12345");
  reg.beforeDataQuery = [&] { reg.Put(kSectionPath, "Speed", kRegSz, Bytes("1")); };
  EXPECT_EQ(ReadInt("Speed", 2), 1);
  reg.PutText(kSectionPath, "Speed", "12345");
  reg.beforeDataQuery = [&] { reg.Put(kSectionPath, "Speed", kRegSz, {}); };
  EXPECT_EQ(ReadInt("Speed", 2), 2);
}

TEST_F(StoreTest, WritesStoreTextAndItsZeroAsText) {
  {
    SettingsStore store(reg, kStoreName);
    EXPECT_FALSE(store.WriteInteger(kSection, "Speed", 2));
    EXPECT_FALSE(store.WriteInteger(kSection, "Period", -1));
    EXPECT_FALSE(store.WriteInteger(kSection, "Big", INT32_MIN));
    EXPECT_FALSE(store.WriteString(kSection, "BGcolor", "Black"));
    EXPECT_FALSE(store.WriteString(kSection, "Empty", ""));
  }
  const std::pair<const char*, std::string> expected[] = {
      {"Speed", std::string("2\0", 2)},          {"Period", std::string("-1\0", 3)},
      {"Big", std::string("-2147483648\0", 12)}, {"BGcolor", std::string("Black\0", 6)},
      {"Empty", std::string("\0", 1)},
  };
  for (const auto& [name, bytes] : expected) {
    const FakeRegistry::Value* value = reg.Find(kSectionPath, name);
    ASSERT_NE(value, nullptr) << name;
    EXPECT_EQ(value->type, kRegSz) << name;
    EXPECT_EQ(value->data, Bytes(bytes)) << name;
  }
}

TEST_F(StoreTest, WriteReplacesAValueOfAnyTypeAndReadsBack) {
  reg.Put(kSectionPath, "speed", kRegDword, {3, 0, 0, 0});
  {
    SettingsStore store(reg, kStoreName);
    EXPECT_FALSE(store.WriteInteger(kSection, "Speed", 1));
    int32_t speed = 0;
    EXPECT_FALSE(store.ReadInteger(kSection, "SPEED", 2, speed));
    EXPECT_EQ(speed, 1);
  }
  const FakeRegistry::Value* value = reg.Find(kSectionPath, "Speed");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->type, kRegSz);
  EXPECT_EQ(value->data, Bytes(std::string("1\0", 2)));
}

TEST_F(StoreTest, FailedSectionCreationIsReported) {
  reg.failCreate["vellicord2"] = 5;
  SettingsStore store(reg, kStoreName);  // the store key itself fails too; not reported
  StoreError error = store.WriteInteger(kSection, "Speed", 2);
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "キー Vellicord2 の作成に失敗しました");
  int32_t speed = 0;
  EXPECT_FALSE(store.ReadInteger(kSection, "Speed", 2, speed));
  EXPECT_EQ(speed, 2);
}

TEST_F(StoreTest, FailedSetIsReportedAndClosesTheSection) {
  reg.failSet["BGcolor"] = 5;
  SettingsStore store(reg, kStoreName);
  StoreError error = store.WriteString(kSection, "bgcolor", "White");
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "'bgcolor' の設定に失敗しました");
  EXPECT_EQ(reg.log.back(), "close k4");
  EXPECT_EQ(reg.OpenHandles(), 1u) << "only the store key stays open";
}

TEST_F(StoreTest, FailedOpenAfterCreateWritesNothingAndReportsNothing) {
  reg.failOpen["Vellicord2"] = 5;
  SettingsStore store(reg, kStoreName);
  EXPECT_FALSE(store.WriteInteger(kSection, "Speed", 2));
  EXPECT_TRUE(reg.KeyExists(kSectionPath));
  EXPECT_EQ(reg.Find(kSectionPath, "Speed"), nullptr);
}

TEST_F(StoreTest, AccessPatternOpensTheSectionPerCallAndClosesEverything) {
  reg.PutText(kSectionPath, "Speed", "3");
  {
    SettingsStore store(reg, kStoreName);
    int32_t speed = 0;
    std::string colour;
    EXPECT_FALSE(store.ReadInteger(kSection, "Speed", 2, speed));
    EXPECT_FALSE(store.ReadString(kSection, "BGcolor", "Black", colour));
    EXPECT_FALSE(store.WriteInteger(kSection, "Speed", 1));
  }
  const std::vector<std::string> expected = {
      "create root Vellicord2 -> k2",
      "open k2 Vellicord2 -> k3",
      "query k3 Speed size",
      "query k3 Speed data",
      "close k3",
      "open k2 Vellicord2 -> k4",
      "query k4 BGcolor size",
      "close k4",
      "create k2 Vellicord2 -> k5",
      "close k5",
      "open k2 Vellicord2 -> k6",
      "set k6 Speed 1 2",
      "close k6",
      "close k2",
  };
  EXPECT_EQ(reg.log, expected);
  EXPECT_EQ(reg.OpenHandles(), 0u);
}

TEST_F(StoreTest, SaverReadsInItsOrderWithItsNames) {
  reg.PutText(kSectionPath, "Speed", "3");
  reg.PutText(kSectionPath, "Period", "0");
  reg.PutText(kSectionPath, "NumberOfLines", "12");
  reg.PutText(kSectionPath, "BGcolor", "White");
  reg.PutText(kSectionPath, "WidthOfLines", "5");
  SaverSettings settings;
  {
    SettingsStore store(reg, kStoreName);
    EXPECT_FALSE(ReadSaverSettings(store, settings));
  }
  EXPECT_EQ(settings.Speed, 3);
  EXPECT_EQ(settings.Period, 0);
  EXPECT_EQ(settings.NumberOfLines, 12);
  EXPECT_EQ(settings.BGcolor, "White");
  EXPECT_EQ(settings.WidthOfLines, 5);
  std::vector<std::string> queried;
  for (const std::string& line : reg.log) {
    if (line.rfind("query", 0) == 0 && line.size() > 4 && line.substr(line.size() - 4) == "size") {
      queried.push_back(line.substr(9, line.size() - 14));
    }
  }
  EXPECT_EQ(queried, (std::vector<std::string>{"Speed", "period", "NumberofLines", "BGcolor",
                                               "WidthOfLines"}));
}

TEST_F(StoreTest, SaverStopsAtTheFirstFailingRead) {
  reg.PutText(kSectionPath, "Speed", "0");
  reg.Put(kSectionPath, "NumberOfLines", kRegBinary, {1});
  reg.PutText(kSectionPath, "WidthOfLines", "9");
  SaverSettings settings;
  settings.WidthOfLines = -3;
  SettingsStore store(reg, kStoreName);
  StoreError error = ReadSaverSettings(store, settings);
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "'NumberofLines' のデータ型が不正です");
  EXPECT_EQ(settings.Speed, 0);
  EXPECT_EQ(settings.WidthOfLines, -3);
}

}  // namespace
}  // namespace vellicord
