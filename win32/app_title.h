// The application's default title, taken from the program file's name.
#pragma once

#include <functional>
#include <string>

namespace vellicord {

// The file name without its directory, cut at its first full stop, every letter after the first
// in lower case: "Vellicord2" for C:\WINDOWS\VELLICORD2.SCR.
std::wstring DefaultTitle(const std::wstring& modulePath);

// The same rule on the program file's long name: Windows starts a saver on idle by its 8.3
// path ("VELLIC~1.SCR"). longPath gives the long form of a path, or empty text when it can't.
std::wstring ProgramTitle(const std::wstring& modulePath,
                          const std::function<std::wstring(const std::wstring&)>& longPath);

}  // namespace vellicord
