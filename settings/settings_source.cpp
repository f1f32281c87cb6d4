// The two settings sources: the registry store and given values.
#include "settings/settings_source.h"

#include <cstring>

#include "settings/settings_table.h"

namespace vellicord {

StoreError RegistrySettings::ReadInteger(const char* name, int32_t fallback, int32_t& value) {
  return store_->ReadInteger(kSection, name, fallback, value);
}

StoreError RegistrySettings::ReadString(const char* name, const std::string& fallback,
                                        std::string& value) {
  return store_->ReadString(kSection, name, fallback, value);
}

StoreError GivenSettings::ReadInteger(const char* name, int32_t fallback, int32_t& value) {
  const int32_t* fields[kSettingCount] = {&settings_.Speed, &settings_.Period,
                                          &settings_.NumberOfLines, nullptr,
                                          &settings_.WidthOfLines};
  value = fallback;
  for (int i = 0; i < kSettingCount; ++i) {
    if (fields[i] && std::strcmp(name, kSettings[i].readName) == 0) value = *fields[i];
  }
  return std::nullopt;
}

StoreError GivenSettings::ReadString(const char* name, const std::string& fallback,
                                     std::string& value) {
  value = std::strcmp(name, kSettings[kBGcolor].readName) == 0 ? settings_.BGcolor : fallback;
  return std::nullopt;
}

}  // namespace vellicord
