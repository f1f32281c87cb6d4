// Fuzz target: the number rules of stored setting texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "win32/settings/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<int32_t> n = vellicord::ParseSettingNumber(text);
  // A plain decimal text must agree with the C library's reading of it.
  size_t k = 0;
  while (k < text.size() && text[k] == ' ') ++k;
  const size_t start = k;
  if (k < text.size() && (text[k] == '-' || text[k] == '+')) ++k;
  const size_t digits = k;
  while (k < text.size() && text[k] >= '0' && text[k] <= '9') ++k;
  if (k == text.size() && k > digits && k - digits < 18) {
    const long long v = std::strtoll(text.c_str() + start, nullptr, 10);
    const bool fits = v >= INT32_MIN && v <= INT32_MAX;
    if (fits != n.has_value() || (fits && *n != v)) std::abort();
  }
  return 0;
}
