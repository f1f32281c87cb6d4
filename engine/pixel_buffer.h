// A frame's pixels: the surface's own memory or memory a host lends, and the slot byte each
// pixel carries.
#pragma once

#include <cstdint>
#include <memory>

namespace vellicord {

// Memory a host lends for a frame's pixels: memory the display reads directly (X11 shared
// memory), so that presenting a frame copies nothing.
class PixelMemory {
 public:
  virtual ~PixelMemory() = default;
  // Room for width * height pixels in rows of width words, kept until the next Lend; null
  // leaves the surface to allocate its own.
  virtual uint32_t* Lend(int32_t width, int32_t height) = 0;
  // The surface is about to write: the display must be done reading the last frame.
  virtual void BeforeWrite() = 0;
};

// The top byte of a trail frame's pixel records which slot shows there: slot + 1, 0 for the
// background, so one byte records slots up to 254, far past the ring's 31; a trail with a slot
// beyond is repainted in full, never stepped. Whatever shows a frame ignores that byte, as a
// 32-bpp DIB's and a depth-24 visual's consumers do.
inline constexpr uint32_t kSlotBits = 0xFF000000u;
inline constexpr int32_t kMaxRecordedSlot = 254;
constexpr uint32_t SlotRecord(int32_t slot) {
  return uint32_t(slot + 1) << 24;
}

// Width * height 32-bit pixels in rows of width words, top row first.
class PixelBuffer {
 public:
  // Takes memory from `memory` when it lends some (null: none asked), else allocates; false,
  // with no buffer, when neither gives any.
  bool Allocate(int32_t width, int32_t height, PixelMemory* memory);
  void Release();

  uint32_t* Pixels() const { return pixels_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  size_t Count() const { return size_t(width_) * size_t(height_); }
  // Every write goes after this: lent memory may still be on its way to the display.
  void BeforeWrite() const {
    if (memory_) memory_->BeforeWrite();
  }

 private:
  std::unique_ptr<uint32_t[]> own_;
  uint32_t* pixels_ = nullptr;     // own_, or memory lent by memory_
  PixelMemory* memory_ = nullptr;  // set only while its memory is in use
  int32_t width_ = 0;
  int32_t height_ = 0;
};

}  // namespace vellicord
