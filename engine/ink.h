// The ink rule: what a pixel becomes under a polyline's ink, for every pixel any walker or
// replay hands over.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/pixel_buffer.h"

namespace vellicord {

// What a polyline does to the pixels it covers: paint them; paint them and take them for its
// slot; take only those no slot shows; give back those its slot shows to the background.
enum class Ink { kPaint, kOwn, kUnder, kVacate };

// Where the pixels whose colour a plot changes are noted, in order: Out holds Room + 1 offsets,
// the last taking whatever no longer fits, so the loop has no test; the list is whole while
// Count <= Room. Count is 64-bit so that a pixel store can't alias it.
struct ChangeNote {
  uint32_t* Out;
  int64_t Count;
  int64_t Room;
  void Keep(uint32_t offset, bool changed) {
    Out[Count < Room ? Count : Room] = offset;
    Count += changed ? 1 : 0;
  }
};

struct InkRule {
  uint32_t Word = 0;     // what a written pixel becomes
  uint32_t Match = 0;    // for a selecting ink, the slot record a pixel must hold to be written
  bool Selects = false;  // kUnder and kVacate write only where the record matches

  // `color` is the BGRX pixel of the curve (the background's for kVacate).
  static constexpr InkRule For(Ink ink, uint32_t color, int32_t slot) {
    const uint32_t record = SlotRecord(slot);
    return {ink == Ink::kOwn || ink == Ink::kUnder ? color | record : color,
            ink == Ink::kVacate ? record : 0, ink == Ink::kUnder || ink == Ink::kVacate};
  }

  // Calls use(plot) with plot(offset) inking one pixel of px; chosen once, so a caller's loop
  // over pixels holds no test of the ink. A selecting plot branches: along a curve it mostly
  // writes all or none, which prediction follows.
  template <class Use>
  void WithPlot(uint32_t* px, Use use) const {
    const uint32_t word = Word, match = Match;
    if (Selects) {
      use([px, word, match](ptrdiff_t i) {
        if ((px[i] & kSlotBits) == match) px[i] = word;
      });
    } else {
      use([px, word](ptrdiff_t i) { px[i] = word; });
    }
  }

  // The same, noting each pixel whose colour it changes in `note` (null: none noted).
  template <class Use>
  void WithPlot(uint32_t* px, ChangeNote* note, Use use) const {
    if (!note) {
      WithPlot(px, use);
      return;
    }
    const uint32_t word = Word, match = Match;
    ChangeNote n = *note;
    if (Selects) {
      use([px, word, match, &n](ptrdiff_t i) {
        const uint32_t old = px[i];
        if ((old & kSlotBits) != match) return;
        px[i] = word;
        n.Keep(uint32_t(i), ((old ^ word) & 0xFFFFFFu) != 0);
      });
    } else {
      use([px, word, &n](ptrdiff_t i) {
        const uint32_t old = px[i];
        px[i] = word;
        n.Keep(uint32_t(i), ((old ^ word) & 0xFFFFFFu) != 0);
      });
    }
    *note = n;
  }

  // A run of n pixels from px, written branch-free so the compiler takes several at a time.
  // In locals: a store through px could otherwise change Word and Match as far as the compiler
  // knows.
  void Run(uint32_t* px, int32_t n) const {
    const uint32_t word = Word, match = Match;
    if (Selects) {
      for (int32_t i = 0; i < n; ++i) px[i] = (px[i] & kSlotBits) == match ? word : px[i];
      return;
    }
    for (; n >= 4; n -= 4, px += 4) {
      px[0] = word;
      px[1] = word;
      px[2] = word;
      px[3] = word;
    }
    for (; n > 0; --n) *px++ = word;
  }
};

}  // namespace vellicord
