// Recording, replaying and forgetting the ring slots' curves.
#include "engine/kept_curves.h"

#include <algorithm>
#include <new>

namespace vellicord {

namespace {

// Room kept per slot, in words: a one-pixel curve's pixels (one word each) as it crosses the
// buffer 32 times, or a wide one's runs (two words each) at 16 a row, within a bound for the
// largest buffers. The most seen over long runs of every width at Period 2 was 27 a side.
constexpr int32_t kKeptWordsPerSide = 32;
constexpr int32_t kMaxKeptWords = 1 << 16;

}  // namespace

bool KeptCurves::Allocate(int32_t width, int32_t height) {
  Release();
  const int32_t words = int32_t(
      std::min<int64_t>(int64_t{kKeptWordsPerSide} * std::max(width, height), kMaxKeptWords));
  const TileGrid grid(width, height);
  words_.reset(new (std::nothrow) uint32_t[size_t(words) * kKeptSlots]);
  tiles_.reset(new (std::nothrow) uint64_t[grid.Words() * kKeptSlots]);
  if (!words_ || !tiles_) {
    Release();
    return false;
  }
  wordsPerSlot_ = words;
  grid_ = grid;
  return true;
}

void KeptCurves::Release() {
  words_.reset();
  tiles_.reset();
  grid_ = {};
  wordsPerSlot_ = 0;
  Forget();
}

void KeptCurves::Forget() {
  for (Kept& k : kept_) k.Words = -1;
}

KeptCurves::Recorder KeptCurves::Begin(int32_t slot, uint64_t serial) {
  kept_[slot] = {serial, 0};
  std::fill_n(Tiles(slot), grid_.Words(), uint64_t{0});
  return {words_.get() + size_t(slot) * size_t(wordsPerSlot_), wordsPerSlot_, 0};
}

void KeptCurves::Replay(int32_t slot, const InkRule& ink, bool runs, uint32_t* px, ChangeNote* note,
                        ChangedTiles& changed) const {
  const uint32_t* word = words_.get() + size_t(slot) * size_t(wordsPerSlot_);
  const uint32_t* const end = word + kept_[slot].Words;
  if (runs) {
    for (; word != end; word += 2) ink.Run(px + word[0], int32_t(word[1]));
  } else {
    ink.WithPlot(px, note, [&](auto plot) {
      for (; word != end; ++word) plot(*word);
    });
  }
  changed.MarkFrom(tiles_.get() + size_t(slot) * grid_.Words());
}

}  // namespace vellicord
