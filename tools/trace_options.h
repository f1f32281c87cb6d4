// Command-line options shared by the headless tools (trace, render).
#pragma once

#include <cstdint>
#include <string>

#include "common/option_text.h"
#include "settings/saver_settings.h"

namespace vellicord {

struct TraceOptions {
  int32_t height = 768;
  // --period, --lines, --bg and (render) --width-of-lines, as the saver would read them.
  SaverSettings settings;
  long double draws[3] = {0.5L, 0.5L, 0.5L};
  int32_t d6 = 0;
  int32_t d256 = 0;
  int32_t clock = 0;
  int32_t ticks = 10;
  unsigned x87ControlWord = 0;  // 0: leave the inherited control word alone
};

// Parses the option at argv[i] (and its value), advancing i. Returns an error text, empty
// on success, or "unknown" when the option is not one of the shared ones.
std::string ParseTraceOption(int argc, char** argv, int& i, TraceOptions& options);

}  // namespace vellicord
