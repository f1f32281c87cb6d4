// The two settings sources: the registry store and given values.
#include "settings/settings_source.h"

namespace vellicord {

StoreError RegistrySettings::Read(SaverSettings& settings,
                                  const std::function<void(SettingId)>& afterRead) {
  SettingsStore store(registry_, kStoreName);
  return ReadSaverSettings(store, settings, afterRead);
}

StoreError GivenSettings::Read(SaverSettings& settings,
                               const std::function<void(SettingId)>& afterRead) {
  settings = settings_;
  for (SettingId id : kSaverOrder) {
    if (afterRead) afterRead(id);
  }
  return std::nullopt;
}

}  // namespace vellicord
