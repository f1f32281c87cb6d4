// Rows of bits in 64-bit words, bit i of a row in word i / 64: setting a range of them, and
// taking back the runs that are set. Changed tiles and a wide pen's coverage are kept this way.
#pragma once

#include <cstdint>

namespace vellicord {

// Sets bits lo..hi of the row, 0 <= lo <= hi.
inline void SetBits(uint64_t* row, uint32_t lo, uint32_t hi) {
  const uint32_t first = lo / 64, last = hi / 64;
  const uint64_t head = ~uint64_t{0} << (lo % 64);
  const uint64_t tail = ~uint64_t{0} >> (63 - hi % 64);
  if (first == last) {
    row[first] |= head & tail;
    return;
  }
  row[first] |= head;
  for (uint32_t w = first + 1; w < last; ++w) row[w] = ~uint64_t{0};
  row[last] |= tail;
}

// Hands each run of set bits in words first..last of the row to run(lo, hi), bits lo..hi, left
// to right, a run that crosses from one word to the next as one; the words are cleared as they
// are read, so the row is ready for the next round.
template <class Run>
inline void TakeRuns(uint64_t* row, int32_t first, int32_t last, Run&& run) {
  int32_t start = -1;  // the run being gathered, if any
  for (int32_t w = first; w <= last; ++w) {
    const uint64_t bits = row[w];
    row[w] = 0;
    const int32_t base = w * 64;
    int pos = 0;
    while (pos < 64) {
      if (start < 0) {
        const uint64_t rest = bits >> pos;
        if (rest == 0) break;
        pos += __builtin_ctzll(rest);
        start = base + pos;
      }
      const uint64_t gaps = ~bits >> pos;
      if (gaps == 0) break;  // the run goes on into the next word
      pos += __builtin_ctzll(gaps);
      run(start, base + pos - 1);
      start = -1;
    }
  }
  if (start >= 0) run(start, last * 64 + 63);
}

}  // namespace vellicord
