// Where the saver window's five settings come from: the registry store, or values given up front.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/registry.h"
#include "settings/settings_store.h"

namespace vellicord {

// The saver window's creation reads between Open and Close, in its order and with its value
// names (Speed, period, NumberofLines, BGcolor, WidthOfLines); Close comes before any error is
// shown.
class SettingsSource {
 public:
  virtual ~SettingsSource() = default;
  virtual void Open() = 0;
  virtual StoreError ReadInteger(const char* name, int32_t fallback, int32_t& value) = 0;
  virtual StoreError ReadString(const char* name, const std::string& fallback,
                                std::string& value) = 0;
  virtual void Close() = 0;
};

// The per-user registry: one store opening for the reads of one creation.
class RegistrySettings final : public SettingsSource {
 public:
  explicit RegistrySettings(Registry& registry) : registry_(registry) {}
  void Open() override { store_.emplace(registry_, kStoreName); }
  StoreError ReadInteger(const char* name, int32_t fallback, int32_t& value) override;
  StoreError ReadString(const char* name, const std::string& fallback, std::string& value) override;
  void Close() override { store_.reset(); }

 private:
  Registry& registry_;
  std::optional<SettingsStore> store_;
};

// Values decided before the window exists (the X11 program's options); a name that is none of
// the saver's five reads its fallback.
class GivenSettings final : public SettingsSource {
 public:
  explicit GivenSettings(const SaverSettings& settings) : settings_(settings) {}
  void Open() override {}
  StoreError ReadInteger(const char* name, int32_t fallback, int32_t& value) override;
  StoreError ReadString(const char* name, const std::string& fallback, std::string& value) override;
  void Close() override {}

 private:
  SaverSettings settings_;
};

}  // namespace vellicord
