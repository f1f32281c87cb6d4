// The text of the error box, decided apart from the box so it can be checked anywhere.
#pragma once

#include <string>

namespace vellicord {

// The message as shown: a full stop is added when its last character sorts after "." (bytes
// compare unsigned, so a message ending in any non-ASCII character gets one too).
std::string ErrorBoxText(const std::string& utf8Message);

}  // namespace vellicord
