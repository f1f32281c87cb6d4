// Conversions between the program's UTF-8 texts and the host's UTF-16 W interfaces.
#pragma once

#include <string>

namespace vellicord {

std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

}  // namespace vellicord
