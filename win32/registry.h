// The per-user registry as the settings store needs it: a narrow seam over the host's 8-bit calls.
#pragma once

#include <cstdint>

namespace vellicord {

// An open key; 0 is no key. kCurrentUser stands for the per-user root.
using RegKey = uintptr_t;
inline constexpr RegKey kCurrentUser = 1;

// Status codes are the host's: 0 is success, anything else a failure.
using RegStatus = long;
inline constexpr RegStatus kRegOk = 0;
inline constexpr RegStatus kRegNotFound = 2;
inline constexpr RegStatus kRegMoreData = 234;

// Value types, numbered as the host numbers them.
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegDwordBigEndian = 5;
inline constexpr uint32_t kRegMultiSz = 7;
inline constexpr uint32_t kRegQword = 11;

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens subkey of parent, creating it when missing: full access, non-volatile, no class.
  virtual RegStatus CreateKey(RegKey parent, const char* subkey, RegKey* out) = 0;
  // Opens an existing subkey of parent with full access; never creates.
  virtual RegStatus OpenKey(RegKey parent, const char* subkey, RegKey* out) = 0;
  // As the host's query: data may be null to ask for type and size only; *size is the buffer's
  // size in and the data's size out; a buffer too small gives kRegMoreData.
  virtual RegStatus QueryValue(RegKey key, const char* name, uint32_t* type, uint8_t* data,
                               uint32_t* size) = 0;
  virtual RegStatus SetValue(RegKey key, const char* name, uint32_t type, const uint8_t* data,
                             uint32_t size) = 0;
  virtual RegStatus CloseKey(RegKey key) = 0;
};

}  // namespace vellicord
