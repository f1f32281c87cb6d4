// Random draws given up front: the five values a figure set-up consumes, in order.
#pragma once

#include <cstdint>

#include "engine/random.h"

namespace vellicord {

class FixedDraws final : public RandomSource {
 public:
  FixedDraws(long double r1, long double r2, long double r3, int32_t d6, int32_t d256)
      : reals_{r1, r2, r3}, ints_{d6, d256} {}
  void Seed() override { ++seeds; }
  long double NextReal() override { return reals_[real_++ % 3]; }
  int32_t NextInt(int32_t) override { return ints_[int_++ % 2]; }

  int seeds = 0;

 private:
  long double reals_[3];
  int32_t ints_[2];
  int real_ = 0;
  int int_ = 0;
};

}  // namespace vellicord
