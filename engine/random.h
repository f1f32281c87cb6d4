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

// Draws given up front (the X11 program's hidden --draws, the tools and the tests), in the order
// a figure set-up takes them: three reals, then the 0-5 and 0-255 draws. Each set-up, a second
// one after a resize included, takes the same ones again.
class GivenDraws final : public RandomSource {
 public:
  GivenDraws(long double r1, long double r2, long double r3, int32_t d6, int32_t d256)
      : reals_{r1, r2, r3}, ints_{d6, d256} {}
  void Seed() override {
    real_ = 0;
    int_ = 0;
  }
  long double NextReal() override { return reals_[real_++ % 3]; }
  int32_t NextInt(int32_t) override { return ints_[int_++ % 2]; }

 private:
  long double reals_[3];
  int32_t ints_[2];
  int real_ = 0;
  int int_ = 0;
};

}  // namespace vellicord
