// The error box's text rule.
#include "win32/error_text.h"

namespace vellicord {

std::string ErrorBoxText(const std::string& utf8Message) {
  std::string text = utf8Message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

}  // namespace vellicord
