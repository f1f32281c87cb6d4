// Parsing of the options the headless tools share.
#include "tools/trace_options.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace vellicord {

std::string ParseTraceOption(int argc, char** argv, int& i, TraceOptions& o) {
  const char* name = argv[i];
  auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
  auto intOption = [&](int32_t& out, int32_t lo, int32_t hi) -> std::string {
    const char* v = value();
    if (!v || !ParseInt32(v, out) || out < lo || out > hi) {
      return std::string(name) + " takes a whole number from " + std::to_string(lo) + " to " +
             std::to_string(hi);
    }
    return "";
  };
  if (!std::strcmp(name, "--height")) return intOption(o.height, 0, INT32_MAX);
  if (!std::strcmp(name, "--period")) return intOption(o.settings.Period, INT32_MIN, INT32_MAX);
  if (!std::strcmp(name, "--lines"))
    return intOption(o.settings.NumberOfLines, INT32_MIN, INT32_MAX);
  // The clock never holds 2147483647 when a tick starts.
  if (!std::strcmp(name, "--clock")) return intOption(o.clock, 0, INT32_MAX - 1);
  if (!std::strcmp(name, "--ticks")) return intOption(o.ticks, 0, INT32_MAX);
  if (!std::strcmp(name, "--bg")) {
    const char* v = value();
    if (!v) return "--bg takes a text";
    o.settings.BGcolor = v;
    return "";
  }
  if (!std::strcmp(name, "--draws")) {
    const char* v = value();
    if (!v || !ParseDraws(v, o.draws, o.d6, o.d256))
      return "--draws takes r1,r2,r3,d6,d256 (reals in [0,1), 0-5, 0-255)";
    return "";
  }
  if (!std::strcmp(name, "--x87-cw")) {
    const char* v = value();
    char* end = nullptr;
    const unsigned long cw = v ? std::strtoul(v, &end, 16) : 0;
    if (!v || *end != '\0' || cw == 0 || cw > 0xFFFF) return "--x87-cw takes a hexadecimal word";
    o.x87ControlWord = static_cast<unsigned>(cw);
    return "";
  }
  return "unknown";
}

}  // namespace vellicord
