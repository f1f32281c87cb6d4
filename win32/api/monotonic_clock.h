// The Windows side's clock for ticks and their counters: the performance counter, in
// microseconds.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

namespace vellicord {

inline int64_t MonotonicUs() {
  // Fixed at boot, so asked once.
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  // In two parts, so that the product can't overflow however long the machine has been up.
  return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

}  // namespace vellicord
