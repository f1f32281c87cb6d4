// The X11 program's clock for its tick schedule: monotonic, in microseconds.
#pragma once

#include <time.h>

#include <cstdint>

namespace vellicord {

inline int64_t MonotonicUs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t{t.tv_sec} * 1000000 + t.tv_nsec / 1000;
}

}  // namespace vellicord
