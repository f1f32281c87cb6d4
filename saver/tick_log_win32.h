// Test hook: with VELLICORD2_TICK_LOG naming a file, each tick rewrites one line there with the
// tick and present counts, the first and last tick times, the first frame's time and the 99th
// percentile and largest interval, so a test or the benchmark can measure the timer and see
// preview drawing from outside. Without the variable nothing is written.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

#include "saver/interval_histogram.h"

namespace vellicord {

class TickLog {
 public:
  TickLog();
  ~TickLog();
  TickLog(const TickLog&) = delete;
  TickLog& operator=(const TickLog&) = delete;

  void Tick();
  void Present();

 private:
  int64_t NowUs() const;

  HANDLE file_ = INVALID_HANDLE_VALUE;
  LARGE_INTEGER frequency_ = {};
  int64_t ticks_ = 0;
  int64_t presents_ = 0;
  int64_t firstUs_ = 0;
  int64_t lastUs_ = 0;
  int64_t firstPresentUs_ = 0;
  IntervalHistogram intervals_;
};

}  // namespace vellicord
