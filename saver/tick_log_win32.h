// Test hook: with VELLICORD2_TICK_LOG naming a file, each tick rewrites one line there with the
// tick and present counts and the first and last tick times, so a test can measure the timer
// and see preview drawing from outside. Without the variable nothing is written.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

namespace vellicord {

class TickLog {
 public:
  TickLog();
  ~TickLog();
  TickLog(const TickLog&) = delete;
  TickLog& operator=(const TickLog&) = delete;

  void Tick();
  void Present() { ++presents_; }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  LARGE_INTEGER frequency_ = {};
  int64_t ticks_ = 0;
  int64_t presents_ = 0;
  int64_t firstUs_ = 0;
};

}  // namespace vellicord
