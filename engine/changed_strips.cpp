// Changed strips of a frame, and their rectangles.
#include "engine/changed_strips.h"

#include <algorithm>
#include <new>

namespace vellicord {

bool ChangedStrips::Allocate(int32_t width, int32_t height) {
  Release();
  const size_t count = size_t(CountFor(height));
  strips_.reset(new (std::nothrow) Span[count]);
  rects_.reset(new (std::nothrow) PixelRect[count]);
  if (!strips_ || !rects_) {
    Release();
    return false;
  }
  width_ = width;
  height_ = height;
  MarkAll();
  return true;
}

void ChangedStrips::Release() {
  strips_.reset();
  rects_.reset();
  rectCount_ = width_ = height_ = 0;
}

void ChangedStrips::MarkAll() {
  std::fill_n(strips_.get(), CountFor(height_), Span{0, width_ - 1});
}

void ChangedStrips::MarkFrom(const Span* strips) {
  const int32_t count = CountFor(height_);
  for (int32_t s = 0; s < count; ++s) {
    if (strips[s].Lo <= strips[s].Hi) Widen(strips_[s], strips[s].Lo, strips[s].Hi);
  }
}

void ChangedStrips::Collect() {
  // Strips in a row with the same columns make one rectangle: a repaint is one.
  const int32_t count = CountFor(height_);
  rectCount_ = 0;
  for (int32_t s = 0; s < count; ++s) {
    const Span c = strips_[s];
    strips_[s] = {1, 0};
    if (c.Lo > c.Hi) continue;
    const int32_t top = s * kStripRows;
    const int32_t bottom = std::min(top + kStripRows, height_);
    PixelRect* last = rectCount_ > 0 ? &rects_[rectCount_ - 1] : nullptr;
    if (last && last->Bottom == top && last->Left == c.Lo && last->Right == c.Hi + 1) {
      last->Bottom = bottom;
    } else {
      rects_[rectCount_++] = {c.Lo, top, c.Hi + 1, bottom};
    }
  }
}

}  // namespace vellicord
