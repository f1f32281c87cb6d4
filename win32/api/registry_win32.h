// The registry seam over the host's own 8-bit registry calls.
#pragma once

#include "win32/registry.h"

namespace vellicord {

class Win32Registry : public Registry {
 public:
  RegStatus CreateKey(RegKey parent, const char* subkey, RegKey* out) override;
  RegStatus OpenKey(RegKey parent, const char* subkey, RegKey* out) override;
  RegStatus QueryValue(RegKey key, const char* name, uint32_t* type, uint8_t* data,
                       uint32_t* size) override;
  RegStatus SetValue(RegKey key, const char* name, uint32_t type, const uint8_t* data,
                     uint32_t size) override;
  RegStatus CloseKey(RegKey key) override;
};

}  // namespace vellicord
