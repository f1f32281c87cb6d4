// The x87 operations that define the engine's numbers: fsin, fcos, fistp and the control word.
#pragma once

#include <cstdint>

namespace vellicord::x87 {

// From 2^63 on fsin/fcos leave the operand unchanged and set C2; the engine defines that as 0.
inline constexpr long double kTrigLimit = 0x1p63L;

inline long double Sin(long double x) {
  if (x >= kTrigLimit || x <= -kTrigLimit) return 0.0L;
  long double r;
  asm("fsin" : "=t"(r) : "0"(x));
  return r;
}

inline long double Cos(long double x) {
  if (x >= kTrigLimit || x <= -kTrigLimit) return 0.0L;
  long double r;
  asm("fcos" : "=t"(r) : "0"(x));
  return r;
}

// Nearest integer with halves to even: fistp under the round-to-nearest control word.
inline int32_t RoundToInt(long double x) {
  int32_t r;
  asm("fistpl %0" : "=m"(r) : "t"(x) : "st");
  return r;
}

inline uint16_t ControlWord() {
  uint16_t cw;
  asm volatile("fnstcw %0" : "=m"(cw));
  return cw;
}

inline void SetControlWord(uint16_t cw) {
  // Clear the status flags first so that loading a word with unmasked exceptions can't trap
  // on flags our own arithmetic left behind.
  asm volatile("fnclex\n\tfldcw %0" : : "m"(cw) : "memory");
}

// 64-bit significand, round to nearest even, every exception masked.
inline constexpr uint16_t kExtendedControlWord = 0x037F;

// Holds the extended-precision control word for its lifetime. Windows' runtime and some DLLs
// leave the x87 at 53-bit precision (0x27F); the engine must not depend on what it inherits.
// Work done under the scope must sit behind a call the compiler can't inline, or it may
// schedule arithmetic across the control-word switch.
class ExtendedPrecisionScope {
 public:
  ExtendedPrecisionScope() : saved_(ControlWord()) { SetControlWord(kExtendedControlWord); }
  ~ExtendedPrecisionScope() { SetControlWord(saved_); }
  ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
  ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;

 private:
  uint16_t saved_;
};

}  // namespace vellicord::x87
