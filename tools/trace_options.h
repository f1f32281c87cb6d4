// Command-line options shared by the headless tools (trace, render).
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings_store.h"

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

bool ParseInt32(const char* text, int32_t& out);

// "r1,r2,r3,d6,d256": the fixed random draws (reals in [0,1), 0-5, 0-255).
bool ParseDraws(const char* text, long double (&reals)[3], int32_t& d6, int32_t& d256);

}  // namespace vellicord
