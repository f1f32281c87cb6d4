// Where the saver window's five settings come from: the registry store, or values given up front.
#pragma once

#include <functional>

#include "host/registry.h"
#include "settings/settings_store.h"
#include "settings/settings_table.h"

namespace vellicord {

class SettingsSource {
 public:
  virtual ~SettingsSource() = default;
  // The saver window's reads, in its order (Speed, period, NumberofLines, BGcolor,
  // WidthOfLines); afterRead runs after each read that succeeds. Stops at the first failure.
  // Whatever store was opened for them is closed again before this returns.
  virtual StoreError Read(SaverSettings& settings,
                          const std::function<void(SettingId)>& afterRead) = 0;
};

// The per-user registry: one store opening for the reads of one creation.
class RegistrySettings final : public SettingsSource {
 public:
  explicit RegistrySettings(Registry& registry) : registry_(registry) {}
  StoreError Read(SaverSettings& settings,
                  const std::function<void(SettingId)>& afterRead) override;

 private:
  Registry& registry_;
};

// Values decided before the window exists (the X11 program's options): every read succeeds.
class GivenSettings final : public SettingsSource {
 public:
  explicit GivenSettings(const SaverSettings& settings) : settings_(settings) {}
  StoreError Read(SaverSettings& settings,
                  const std::function<void(SettingId)>& afterRead) override;

 private:
  SaverSettings settings_;
};

}  // namespace vellicord
