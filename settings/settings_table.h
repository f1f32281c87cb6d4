// The five settings in one table: value names on both sides, defaults, ranges and limits.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/figure.h"

namespace vellicord {

enum class SettingKind { Integer, Text };

// One saved setting. The saver reads "period" and "NumberofLines" while the dialog writes
// "Period" and "NumberOfLines"; registry names match without regard to case, so both meet.
struct SavedSetting {
  const char* readName;   // as the saver reads it
  const char* writeName;  // as the dialog reads and writes it
  SettingKind kind;
  int32_t defaultNumber;    // Integer settings
  const char* defaultText;  // Text settings
  int32_t dialogMin;        // what the dialog can write
  int32_t dialogMax;
  // How the saver bounds a hand-edited number before using it (outside: nearest bound).
  int32_t saverMin;
  int32_t saverMax;
};

inline constexpr int32_t kInt32Min = -2147483647 - 1;
inline constexpr int32_t kInt32Max = 2147483647;

// Indexes into kSettings.
enum SettingId { kSpeed, kPeriod, kNumberOfLines, kBGcolor, kWidthOfLines, kSettingCount };

// In the saver's read order (Speed, period, NumberofLines, BGcolor, WidthOfLines). Speed is
// limited through the tick interval (IntervalForSpeed), Period goes no higher than kMaxPeriod,
// the ring has kRingSlots slots and no pen is wider than the dialog offers. Pen widths 0 and 1 draw
// the same one-pixel line, so 0 is limited to 1 like any other width below the range.
inline constexpr SavedSetting kSettings[kSettingCount] = {
    {"Speed", "Speed", SettingKind::Integer, 2, nullptr, 0, 3, kInt32Min, kInt32Max},
    {"period", "Period", SettingKind::Integer, 1, nullptr, 0, 2, kInt32Min, kMaxPeriod},
    {"NumberofLines", "NumberOfLines", SettingKind::Integer, 4, nullptr, 1, 10, 1, kRingSlots},
    {"BGcolor", "BGcolor", SettingKind::Text, 0, "Black", 0, 0, 0, 0},
    {"WidthOfLines", "WidthOfLines", SettingKind::Integer, 1, nullptr, 1, 10, 1, kMaxPenWidth},
};

// The saver reads in the table's order; the dialog reads and writes in its own.
inline constexpr SettingId kSaverOrder[kSettingCount] = {kSpeed, kPeriod, kNumberOfLines, kBGcolor,
                                                         kWidthOfLines};
inline constexpr SettingId kDialogOrder[kSettingCount] = {kSpeed, kPeriod, kBGcolor, kNumberOfLines,
                                                          kWidthOfLines};

// The two background texts; exactly "Black" gives black, exactly "White" dims green.
inline constexpr const char* kBlackText = "Black";
inline constexpr const char* kWhiteText = "White";

// A number as the saver uses it: within the setting's saver limits.
constexpr int32_t LimitForSaver(SettingId id, int32_t value) {
  return std::clamp(value, kSettings[id].saverMin, kSettings[id].saverMax);
}

}  // namespace vellicord
