// The saver's tick counters, which it publishes for tests and the benchmark to read from outside:
// one definition of the fields, their names and their text line for the writer and every reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "win32/interval_histogram.h"

namespace vellicord {

// Times are microseconds of the host's performance counter, which under Wine is the same clock
// in every process, so a reader can set them against its own.
struct TickCounters {
  int64_t Ticks = 0;
  int64_t Presents = 0;   // frames copied to the window
  int64_t FirstUs = 0;    // the first tick
  int64_t LastUs = 0;     // the latest tick
  int64_t PresentUs = 0;  // the first frame copied
  int64_t P99Us = 0;      // 99th percentile of the intervals between ticks (0.1 ms bins' edge)
  int64_t MaxUs = 0;      // the longest interval
};

struct TickField {
  const char* Name;
  int64_t TickCounters::*Value;
};

// In the order the text line gives them; scripts find each value after its name.
inline constexpr TickField kTickFields[] = {
    {"ticks", &TickCounters::Ticks},          {"presents", &TickCounters::Presents},
    {"first_us", &TickCounters::FirstUs},     {"last_us", &TickCounters::LastUs},
    {"present_us", &TickCounters::PresentUs}, {"p99_us", &TickCounters::P99Us},
    {"max_us", &TickCounters::MaxUs}};

// "ticks N presents N first_us T ...": each field's name, then its value.
inline std::string TickLine(const TickCounters& c) {
  std::string line;
  for (const TickField& f : kTickFields) {
    char part[48];
    std::snprintf(part, sizeof part, "%s%s %lld", line.empty() ? "" : " ", f.Name,
                  static_cast<long long>(c.*f.Value));
    line += part;
  }
  return line;
}

// The writer's side: counts ticks and frames with fixed storage.
class TickCounter {
 public:
  void Tick(int64_t nowUs) {
    if (counters_.Ticks == 0) {
      counters_.FirstUs = nowUs;
    } else {
      intervals_.Add(nowUs - counters_.LastUs);
      counters_.P99Us = intervals_.PercentileUs(0.99);
      counters_.MaxUs = intervals_.MaxUs();
    }
    counters_.LastUs = nowUs;
    ++counters_.Ticks;
  }
  void Present(int64_t nowUs) {
    if (counters_.Presents == 0) counters_.PresentUs = nowUs;
    ++counters_.Presents;
  }
  const TickCounters& Counters() const { return counters_; }

 private:
  TickCounters counters_;
  IntervalHistogram intervals_;
};

}  // namespace vellicord
