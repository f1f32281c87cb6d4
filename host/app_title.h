// The application's default title, taken from the program file's name.
#pragma once

#include <string>

namespace vellicord {

// The file name without its directory, cut at its first full stop, every letter after the first
// in lower case: "Vellicord2" for C:\WINDOWS\VELLICORD2.SCR.
std::wstring DefaultTitle(const std::wstring& modulePath);

}  // namespace vellicord
