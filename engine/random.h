// The random draws of a run: a seam so that tests and tools can supply them.
#pragma once

#include <cstdint>

namespace vellicord {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual void Seed() = 0;
  // Uniform in [0, 1).
  virtual long double NextReal() = 0;
  // Uniform in 0 to n - 1, for n >= 1.
  virtual int32_t NextInt(int32_t n) = 0;
};

// splitmix64, seeded from the host's high-resolution clock.
class ClockSeededRandom final : public RandomSource {
 public:
  void Seed() override;
  long double NextReal() override;
  int32_t NextInt(int32_t n) override;

 private:
  uint64_t Next();
  uint64_t state_ = 0;
};

}  // namespace vellicord
