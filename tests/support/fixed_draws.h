// Random draws given up front, counting the set-ups that seed them.
#pragma once

#include <cstdint>

#include "engine/random.h"

namespace vellicord {

class FixedDraws final : public RandomSource {
 public:
  FixedDraws(long double r1, long double r2, long double r3, int32_t d6, int32_t d256)
      : draws_(r1, r2, r3, d6, d256) {}
  void Seed() override {
    ++seeds;
    draws_.Seed();
  }
  long double NextReal() override { return draws_.NextReal(); }
  int32_t NextInt(int32_t n) override { return draws_.NextInt(n); }

  int seeds = 0;

 private:
  GivenDraws draws_;
};

}  // namespace vellicord
