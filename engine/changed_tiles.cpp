// Changed tiles of a frame, and their rectangles.
#include "engine/changed_tiles.h"

#include <algorithm>
#include <new>

namespace vellicord {

namespace {

// Noted pixels kept per side of the buffer: four one-pixel curves crossing it 32 times each, as
// a kept curve's room allows, beyond which the frame goes as tiles.
constexpr int32_t kNotedPerSide = 4 * 32;

}  // namespace

TileGrid::TileGrid(int32_t width, int32_t height)
    : Strips((height + ChangedTiles::kStripRows - 1) / ChangedTiles::kStripRows),
      Tiles((width + ChangedTiles::kTileColumns - 1) / ChangedTiles::kTileColumns),
      WordsPerStrip((Tiles + 63) / 64) {}

bool ChangedTiles::Allocate(int32_t width, int32_t height) {
  Release();
  const TileGrid grid(width, height);
  // A strip has at most one rectangle for every two tiles: runs of changed tiles need a gap.
  const size_t perStrip = size_t(grid.Tiles + 1) / 2;
  bits_.reset(new (std::nothrow) uint64_t[grid.Words()]());
  rects_.reset(new (std::nothrow) PixelRect[size_t(grid.Strips) * perStrip]);
  open_.reset(new (std::nothrow) int32_t[2 * perStrip]);
  // Room for the changed pixels of a few one-pixel curves crossing the buffer 32 times each.
  const int64_t room = int64_t{kNotedPerSide} * std::max(width, height);
  notedPixels_.reset(new (std::nothrow) uint32_t[size_t(room) + 1]);
  if (!bits_ || !rects_ || !open_ || !notedPixels_) {
    Release();
    return false;
  }
  grid_ = grid;
  note_ = {notedPixels_.get(), 0, room};
  width_ = width;
  height_ = height;
  MarkAll();
  return true;
}

void ChangedTiles::Release() {
  bits_.reset();
  rects_.reset();
  open_.reset();
  notedPixels_.reset();
  note_ = {nullptr, 0, 0};
  noted_ = false;
  grid_ = {};
  rectCount_ = width_ = height_ = 0;
}

void ChangedTiles::MarkAll() {
  noted_ = false;
  if (height_ > 0) Mark(0, height_ - 1, 0, width_ - 1);
}

void ChangedTiles::MarkFrom(const uint64_t* bits) {
  const size_t words = grid_.Words();
  for (size_t i = 0; i < words; ++i) bits_[i] |= bits[i];
}

void ChangedTiles::Collect(int64_t requestPixels) {
  rectCount_ = 0;
  const size_t perStrip = size_t(grid_.Tiles + 1) / 2;
  int32_t* above = open_.get();  // rectangles ending at this strip's top, by column
  int32_t* below = open_.get() + perStrip;
  int32_t aboveCount = 0;
  for (int32_t s = 0; s < grid_.Strips; ++s) {
    const int32_t top = s * kStripRows;
    const int32_t bottom = std::min(top + kStripRows, height_);
    // Columns left unsent between two runs cost this much a column.
    const int64_t rows = bottom - top;
    uint64_t* words = bits_.get() + size_t(s) * size_t(grid_.WordsPerStrip);
    int32_t belowCount = 0, a = 0;
    int32_t runLo = -1, runHi = -1;  // the run being gathered, in columns
    const auto close = [&] {
      const int32_t right = std::min(runHi, width_);
      // The rectangle above with the same columns grows down to take this one in. Both lists
      // go left to right, so one pass over the one above finds it.
      while (a < aboveCount && rects_[above[a]].Left < runLo) ++a;
      if (a < aboveCount && rects_[above[a]].Left == runLo && rects_[above[a]].Right == right) {
        rects_[above[a]].Bottom = bottom;
        below[belowCount++] = above[a++];
        return;
      }
      rects_[rectCount_] = {runLo, top, right, bottom};
      below[belowCount++] = rectCount_++;
    };
    TakeRuns(words, 0, grid_.WordsPerStrip - 1, [&](int32_t first, int32_t last) {
      const int32_t lo = first * kTileColumns, hi = (last + 1) * kTileColumns;
      if (runLo >= 0 && int64_t{lo - runHi} * rows <= requestPixels) {
        runHi = hi;  // the gap costs less than a request
        return;
      }
      if (runLo >= 0) close();
      runLo = lo;
      runHi = hi;
    });
    if (runLo >= 0) close();
    std::swap(above, below);
    aboveCount = belowCount;
  }
}

}  // namespace vellicord
