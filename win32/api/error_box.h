// The standard error box: an error's message, the application's title, one OK button.
#pragma once

#include <string>

#include "win32/error_text.h"

namespace vellicord {

// Modal on the calling thread; returns when the user has dismissed it.
void ShowErrorBox(const std::string& utf8Message);

}  // namespace vellicord
