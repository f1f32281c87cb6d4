// FNV-1a, 64-bit: the hash the tools and drivers print curves, frames and registry data as.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vellicord {

class Fnv1a {
 public:
  constexpr void Byte(uint8_t b) { hash_ = (hash_ ^ b) * kPrime; }
  void Bytes(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) Byte(p[i]);
  }
  // A 32-bit value's four bytes, lowest first.
  constexpr void Word(uint32_t v) {
    for (int i = 0; i < 4; ++i) Byte(static_cast<uint8_t>(v >> (8 * i)));
  }
  constexpr uint64_t Value() const { return hash_; }

 private:
  static constexpr uint64_t kOffsetBasis = 14695981039346656037ull;
  static constexpr uint64_t kPrime = 1099511628211ull;
  uint64_t hash_ = kOffsetBasis;
};

constexpr uint64_t Fnv1aOfText(const char* text) {
  Fnv1a h;
  while (*text != '\0') h.Byte(static_cast<uint8_t>(*text++));
  return h.Value();
}

// The published test vectors of FNV-1a 64.
static_assert(Fnv1aOfText("") == 0xcbf29ce484222325ull);
static_assert(Fnv1aOfText("a") == 0xaf63dc4c8601ec8cull);
static_assert(Fnv1aOfText("foobar") == 0x85944171f73967e8ull);

}  // namespace vellicord
