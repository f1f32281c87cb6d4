// Number texts of command-line options (the X11 program's and the headless tools').
#pragma once

#include <cstdint>

namespace vellicord {

// Decimal only, the whole text, within the signed 32-bit range.
bool ParseInt32(const char* text, int32_t& out);

// "r1,r2,r3,d6,d256": the fixed random draws (reals in [0,1), 0-5, 0-255).
bool ParseDraws(const char* text, long double (&reals)[3], int32_t& d6, int32_t& d256);

}  // namespace vellicord
