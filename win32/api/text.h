// The program's UTF-8 texts for the host's UTF-16 W interfaces.
#pragma once

#include <string>

namespace vellicord {

std::wstring Utf8ToWide(const std::string& utf8);

}  // namespace vellicord
