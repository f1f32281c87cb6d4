// A frame's pixels in memory of the surface's own or lent by the host.
#include "engine/pixel_buffer.h"

#include <new>

namespace vellicord {

bool PixelBuffer::Allocate(int32_t width, int32_t height, PixelMemory* memory) {
  Release();
  uint32_t* lent = memory ? memory->Lend(width, height) : nullptr;
  if (!lent) {
    own_.reset(new (std::nothrow) uint32_t[size_t(width) * size_t(height)]);
    if (!own_) return false;
  }
  pixels_ = lent ? lent : own_.get();
  memory_ = lent ? memory : nullptr;
  width_ = width;
  height_ = height;
  return true;
}

void PixelBuffer::Release() {
  own_.reset();
  pixels_ = nullptr;
  memory_ = nullptr;
  width_ = height_ = 0;
}

}  // namespace vellicord
