// When the next timer tick is due: a fixed grid of instants that skips ticks a stall missed.
#pragma once

#include <cstdint>

namespace vellicord {

// Times in microseconds of any monotonic clock.
class TickSchedule {
 public:
  // intervalMs <= 0 gives a schedule that is never due.
  void Start(int64_t nowUs, int32_t intervalMs);
  bool Active() const { return intervalUs_ > 0; }
  int64_t Due() const { return due_; }
  bool IsDue(int64_t nowUs) const { return Active() && nowUs >= due_; }
  // Whole milliseconds a loop may sleep until the next tick, rounded up so that it never wakes
  // early; 0 once due, -1 for a schedule that is never due.
  int32_t WaitMs(int64_t nowUs) const;
  // After a tick taken at nowUs: the next instant of the grid. A tick late by less than one
  // interval keeps its successor on the grid, so the mean interval stays exact; a tick late by
  // a whole interval or more drops the missed instants rather than running them back to back.
  void Advance(int64_t nowUs);

 private:
  int64_t intervalUs_ = 0;
  int64_t due_ = 0;
};

}  // namespace vellicord
