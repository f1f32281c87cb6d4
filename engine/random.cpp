// The saver's own generator: splitmix64 over a clock seed.
#include "engine/random.h"

#include <chrono>

namespace vellicord {

void ClockSeededRandom::Seed() {
  state_ =
      static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

uint64_t ClockSeededRandom::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

long double ClockSeededRandom::NextReal() {
  // 64 random bits fill the extended significand exactly, so the result stays below 1.
  return static_cast<long double>(Next()) * 0x1p-64L;
}

int32_t ClockSeededRandom::NextInt(int32_t n) {
  if (n <= 1) return 0;
  // Multiply-shift: the bias for n this small is far below anything visible.
  return static_cast<int32_t>(((Next() >> 32) * static_cast<uint64_t>(n)) >> 32);
}

}  // namespace vellicord
