// Number texts of command-line options: strict decimal integers and the fixed draws.
#include "common/option_text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace vellicord {

bool ParseInt32(const char* text, int32_t& out) {
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<int32_t>(v);
  return true;
}

bool ParseDraws(const char* text, long double (&reals)[3], int32_t& d6Out, int32_t& d256Out) {
  const char* p = text;
  for (long double& r : reals) {
    char* end = nullptr;
    r = std::strtold(p, &end);
    if (end == p || *end != ',' || !(r >= 0 && r < 1)) return false;
    p = end + 1;
  }
  char* end = nullptr;
  const long d6 = std::strtol(p, &end, 10);
  if (end == p || *end != ',' || d6 < 0 || d6 > 5) return false;
  p = end + 1;
  const long d256 = std::strtol(p, &end, 10);
  if (end == p || *end != '\0' || d256 < 0 || d256 > 255) return false;
  d6Out = static_cast<int32_t>(d6);
  d256Out = static_cast<int32_t>(d256);
  return true;
}

}  // namespace vellicord
