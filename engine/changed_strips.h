// The record of changed pixels: per strip of kStripRows rows the columns changed since the
// frame was last presented, merged into rectangles when it is.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>

#include "engine/raster_geometry.h"

namespace vellicord {

// A rectangle of buffer pixels: left and top included, right and bottom not.
struct PixelRect {
  int32_t Left, Top, Right, Bottom;
};

class ChangedStrips {
 public:
  static constexpr int32_t kStripRows = 16;
  // Strips a buffer this high has, the last one short.
  static constexpr int32_t CountFor(int32_t height) {
    return (height + kStripRows - 1) / kStripRows;
  }
  // A strip's changed columns widened to take in lo..hi.
  static void Widen(Span& c, int32_t lo, int32_t hi) {
    if (c.Lo > c.Hi) {
      c = {lo, hi};
    } else {
      c.Lo = std::min(c.Lo, lo);
      c.Hi = std::max(c.Hi, hi);
    }
  }
  // Columns lo..hi of rows top..bottom changed, in `strips` (CountFor(height) of them).
  static void Mark(Span* strips, int32_t top, int32_t bottom, int32_t lo, int32_t hi) {
    for (int32_t s = top / kStripRows; s <= bottom / kStripRows; ++s) Widen(strips[s], lo, hi);
  }

  // For a width x height buffer; false, with nothing, when the memory can't be had.
  bool Allocate(int32_t width, int32_t height);
  void Release();
  void MarkAll();
  void Mark(int32_t top, int32_t bottom, int32_t lo, int32_t hi) {
    Mark(strips_.get(), top, bottom, lo, hi);
  }
  // Every change another record holds (a kept curve's).
  void MarkFrom(const Span* strips);
  // Turns the changes into Rects(), top to bottom, and starts a new record.
  void Collect();

  const PixelRect* Rects() const { return rects_.get(); }
  int32_t RectCount() const { return rectCount_; }

 private:
  std::unique_ptr<Span[]> strips_;
  std::unique_ptr<PixelRect[]> rects_;
  int32_t rectCount_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

}  // namespace vellicord
