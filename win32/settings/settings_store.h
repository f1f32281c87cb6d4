// The saver's settings in the per-user registry: where they live and how they are encoded.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "settings/saver_settings.h"
#include "settings/settings_table.h"
#include "win32/registry.h"

namespace vellicord {

inline constexpr const char* kStoreName = "Vellicord2";
inline constexpr const char* kSection = "Vellicord2";

// A failure of the store: the message as the user reads it (UTF-8, no final full stop).
using StoreError = std::optional<std::string>;

// A stored number text (ParseNumberText, hexadecimal kept to the signed range); anything else
// is no number.
std::optional<int32_t> ParseSettingNumber(const std::string& text);

// One opening of the store; the store key stays open until the object is freed.
class SettingsStore {
 public:
  SettingsStore(Registry& registry, const char* name);
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Each read gives the default where the value is missing or unusable as a number; only a
  // non-text value or a failed read of found data is an error.
  StoreError ReadInteger(const char* section, const char* name, int32_t fallback, int32_t& value);
  StoreError ReadString(const char* section, const char* name, const std::string& fallback,
                        std::string& value);
  StoreError WriteInteger(const char* section, const char* name, int32_t value);
  StoreError WriteString(const char* section, const char* name, const std::string& value);

 private:
  // The value's text; found is false when the section or the value is missing.
  StoreError ReadText(const char* section, const char* name, bool& found, std::string& text);

  Registry& registry_;
  RegKey key_ = 0;
};

// One setting, read under the given name (the saver's or the dialog's) with its default, into
// its field; the field stays as it was when the read fails.
StoreError ReadSetting(SettingsStore& store, SettingId id, const char* name,
                       SaverSettings& settings);
// One setting's field, written under the dialog's name.
StoreError WriteSetting(SettingsStore& store, SettingId id, const SaverSettings& settings);

// The saver's reads, in its order and with its value names; afterRead runs after each read that
// succeeds. Stops at the first failure, leaving the fields not yet read as they were.
StoreError ReadSaverSettings(SettingsStore& store, SaverSettings& settings,
                             const std::function<void(SettingId)>& afterRead = {});

}  // namespace vellicord
