// UTF-8 to UTF-16 through the host's own converter.
#include "win32/api/text.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace vellicord {

std::wstring Utf8ToWide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

}  // namespace vellicord
