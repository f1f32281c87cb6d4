// Win32 registry calls behind the seam: HKEY_CURRENT_USER, full access, nothing flushed.
#include "win32/api/registry_win32.h"

#include <windows.h>

namespace vellicord {

namespace {

HKEY ToHkey(RegKey key) {
  return key == kCurrentUser ? HKEY_CURRENT_USER : reinterpret_cast<HKEY>(key);
}

RegKey FromHkey(HKEY key) {
  return reinterpret_cast<RegKey>(key);
}

}  // namespace

RegStatus Win32Registry::CreateKey(RegKey parent, const char* subkey, RegKey* out) {
  HKEY key = nullptr;
  const LONG status = RegCreateKeyExA(ToHkey(parent), subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &key, nullptr);
  *out = status == ERROR_SUCCESS ? FromHkey(key) : 0;
  return status;
}

RegStatus Win32Registry::OpenKey(RegKey parent, const char* subkey, RegKey* out) {
  HKEY key = nullptr;
  const LONG status = RegOpenKeyExA(ToHkey(parent), subkey, 0, KEY_ALL_ACCESS, &key);
  *out = status == ERROR_SUCCESS ? FromHkey(key) : 0;
  return status;
}

RegStatus Win32Registry::QueryValue(RegKey key, const char* name, uint32_t* type, uint8_t* data,
                                    uint32_t* size) {
  DWORD valueType = 0;
  DWORD valueSize = *size;
  const LONG status = RegQueryValueExA(ToHkey(key), name, nullptr, &valueType, data, &valueSize);
  *type = valueType;
  *size = valueSize;
  return status;
}

RegStatus Win32Registry::SetValue(RegKey key, const char* name, uint32_t type, const uint8_t* data,
                                  uint32_t size) {
  return RegSetValueExA(ToHkey(key), name, 0, type, data, size);
}

RegStatus Win32Registry::CloseKey(RegKey key) {
  return RegCloseKey(ToHkey(key));
}

}  // namespace vellicord
