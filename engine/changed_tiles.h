// The record of changed pixels: per strip of kStripRows rows the tiles of kTileColumns columns
// changed since the frame was last presented, merged into rectangles when it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/bit_runs.h"
#include "engine/ink.h"

namespace vellicord {

// A rectangle of buffer pixels: left and top included, right and bottom not.
struct PixelRect {
  int32_t Left, Top, Right, Bottom;
};

// Where a buffer's change bits lie: one bit a tile, a strip's tiles in whole 64-bit words. A
// kept curve's record (kept_curves.h) has the same layout, so taking in its changes is an OR.
struct TileGrid {
  int32_t Strips = 0;
  int32_t Tiles = 0;  // per strip
  int32_t WordsPerStrip = 0;

  TileGrid() = default;
  TileGrid(int32_t width, int32_t height);
  size_t Words() const { return size_t(Strips) * size_t(WordsPerStrip); }
  // Columns lo..hi of rows top..bottom changed, all inside the buffer. Inline: the sinks mark
  // every run and segment they write.
  inline void Mark(uint64_t* bits, int32_t top, int32_t bottom, int32_t lo, int32_t hi) const;
};

class ChangedTiles {
 public:
  // A tile is the unit of change: 16x16 sends less than whole strips, and smaller tiles only
  // get merged again across their gaps at a request's price (docs/benchmarks.md, "Tile size").
  static constexpr int32_t kStripRows = 16;
  static constexpr int32_t kTileColumns = 16;
  // A price of a request above any strip's pixels: each changed strip goes whole, from its
  // first changed tile to its last.
  static constexpr int64_t kWholeStrips = int64_t{1} << 40;

  // For a width x height buffer; false, with nothing, when the memory can't be had.
  bool Allocate(int32_t width, int32_t height);
  void Release();
  void MarkAll();
  void Mark(int32_t top, int32_t bottom, int32_t lo, int32_t hi) {
    grid_.Mark(bits_.get(), top, bottom, lo, hi);
  }
  // Every change another record of the same grid holds (a kept curve's).
  void MarkFrom(const uint64_t* bits);
  const TileGrid& Grid() const { return grid_; }
  // The record's own bits, for a sink to mark with Grid().Mark.
  uint64_t* Tiles() { return bits_.get(); }

  // Turns the changes into Rects(), top to bottom and not overlapping, and starts a new record.
  // Changed tiles of a strip become one rectangle where the unchanged pixels between them cost
  // less to send than one more rectangle does, `requestPixels` (the target's price of a
  // request, in pixels); rectangles of the same columns in strips one below the other become
  // one.
  void Collect(int64_t requestPixels);

  const PixelRect* Rects() const { return rects_.get(); }
  int32_t RectCount() const { return rectCount_; }

  // Besides the tiles, the offsets of the pixels whose colour changed, while every change is
  // noted in Note(): one-pixel trail curves' are, a clear, a wide pen's or a plain polyline's
  // are not (LoseNote). Null once lost.
  ChangeNote* Note() { return noted_ ? &note_ : nullptr; }
  void LoseNote() { noted_ = false; }
  // Whether Pixels() holds every pixel changed since StartNote, and those offsets (a pixel may
  // come more than once).
  bool Noted() const { return noted_ && note_.Count <= note_.Room; }
  const uint32_t* Pixels() const { return note_.Out; }
  int64_t PixelCount() const { return note_.Count; }
  void StartNote() {
    note_.Count = 0;
    noted_ = note_.Out != nullptr;
  }

 private:
  TileGrid grid_;
  std::unique_ptr<uint64_t[]> bits_;
  std::unique_ptr<PixelRect[]> rects_;
  // The rectangles that reach the bottom of the strip before, and of this one: the ones the
  // next strip may extend.
  std::unique_ptr<int32_t[]> open_;
  int32_t rectCount_ = 0;
  std::unique_ptr<uint32_t[]> notedPixels_;
  ChangeNote note_{nullptr, 0, 0};
  bool noted_ = false;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

void TileGrid::Mark(uint64_t* bits, int32_t top, int32_t bottom, int32_t lo, int32_t hi) const {
  // Unsigned: the coordinates are never negative, and the divisions become shifts.
  const uint32_t t0 = uint32_t(lo) / ChangedTiles::kTileColumns;
  const uint32_t t1 = uint32_t(hi) / ChangedTiles::kTileColumns;
  for (uint32_t s = uint32_t(top) / ChangedTiles::kStripRows;
       s <= uint32_t(bottom) / ChangedTiles::kStripRows; ++s) {
    SetBits(bits + size_t(s) * size_t(WordsPerStrip), t0, t1);
  }
}

}  // namespace vellicord
