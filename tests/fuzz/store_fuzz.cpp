// Fuzz target: the settings store reading whatever types and bytes the registry holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/fake_registry.h"
#include "win32/settings/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vellicord;
  FakeRegistry registry;
  // Each record: name index, type, length, then that many bytes of data.
  size_t p = 0;
  while (p + 3 <= size) {
    const char* name = kSettings[data[p] % kSettingCount].readName;
    const uint32_t type = data[p + 1] % 12;
    const size_t length = std::min<size_t>(data[p + 2], size - p - 3);
    std::vector<uint8_t> bytes(data + p + 3, data + p + 3 + length);
    registry.Put({kStoreName, kSection}, name, type, std::move(bytes));
    p += 3 + length;
  }
  {
    SettingsStore store(registry, kStoreName);
    SaverSettings settings;
    const StoreError error = ReadSaverSettings(store, settings);
    if (error && error->empty()) std::abort();
  }
  if (registry.OpenHandles() != 0) std::abort();  // every key closed again
  return 0;
}
