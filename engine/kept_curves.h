// The kept curves: each ring slot's curve as the pixels it covers, recorded when it is drawn
// from its points, replayed when it rises and when it leaves, forgotten when the pen changes.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/changed_tiles.h"
#include "engine/ink.h"
#include "engine/raster_geometry.h"

namespace vellicord {

// A one-pixel curve is kept as its pixels' offsets in the buffer, a wide one as its runs
// (offset and length), each with the tiles it changes (changed_tiles.h). A curve with more than a
// slot holds is not kept: it is drawn from its points each time instead.
class KeptCurves {
 public:
  // Room for every ring slot (kRingSlots, 31): the raster knows no figure, so it keeps a round
  // 32; a slot past them would be drawn from its points each time.
  static constexpr int32_t kKeptSlots = 32;

  // Where a curve being drawn is recorded: plain values, so that a walker can hold them in
  // registers while it stores pixels.
  struct Recorder {
    uint32_t* Out;
    int32_t Room;
    int32_t Words;
    void Keep(uint32_t word) {
      if (Words < Room) Out[Words] = word;
      Words += Words <= Room ? 1 : 0;  // past the slot's room: not kept
    }
  };

  // For a width x height buffer; false, with nothing, when the memory can't be had.
  bool Allocate(int32_t width, int32_t height);
  void Release();
  void Forget();

  bool Holds(int32_t slot, uint64_t serial) const {
    return slot >= 0 && slot < kKeptSlots && kept_[slot].Words >= 0 && kept_[slot].Serial == serial;
  }
  // Starts recording slot's curve, known by its serial (TrailLine::Serial), in place of the one
  // it held.
  Recorder Begin(int32_t slot, uint64_t serial);
  // The tiles the curve being recorded in slot changes, in the grid of Grid().
  uint64_t* Tiles(int32_t slot) { return tiles_.get() + size_t(slot) * grid_.Words(); }
  const TileGrid& Grid() const { return grid_; }
  // Ends the recording: kept unless it overflowed the slot.
  void End(int32_t slot, const Recorder& r) { kept_[slot].Words = r.Words > r.Room ? -1 : r.Words; }

  // The slot's curve again, with `ink`, in the order it was drawn, so every pixel ends as
  // drawing it from its points would leave it (a pixel a one-pixel curve crosses twice
  // included); its tiles go to `changed`.
  void Replay(int32_t slot, const InkRule& ink, bool runs, uint32_t* px, ChangeNote* note,
              ChangedTiles& changed) const;

 private:
  struct Kept {
    uint64_t Serial = 0;
    int32_t Words = -1;  // -1: nothing kept
  };
  std::unique_ptr<uint32_t[]> words_;
  std::unique_ptr<uint64_t[]> tiles_;
  TileGrid grid_;
  int32_t wordsPerSlot_ = 0;
  Kept kept_[kKeptSlots];
};

}  // namespace vellicord
