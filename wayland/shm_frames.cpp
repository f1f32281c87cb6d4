// wl_shm buffers in memfd memory, and the tiles each one has yet to take.
#include "wayland/shm_frames.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstring>

namespace vellicord {

namespace {

// What one more rectangle of damage or copying costs, in pixels: the compositor repaints each
// damage rectangle on its own, so tiles a short gap apart go as one.
constexpr int64_t kRectPixels = 256;

const wl_buffer_listener kBufferListener = {&ShmFrames::OnRelease};

}  // namespace

void ShmFrames::SetUp(wl_shm* shm, int32_t width, int32_t height, BoxPlace box, uint32_t background,
                      void (*released)(void*), void* owner) {
  Release();
  shm_ = shm;
  width_ = width;
  height_ = height;
  box_ = box;
  background_ = background;
  released_ = released;
  owner_ = owner;
  damage_.Allocate(box.Width, box.Height);
  damageAll_ = true;
}

void ShmFrames::Release() {
  for (Buffer& b : buffers_) {
    if (b.buffer) wl_buffer_destroy(b.buffer);
    if (b.pixels) munmap(b.pixels, b.bytes);
    b.lacking.Release();
    b = Buffer{};
  }
  damage_.Release();
}

void ShmFrames::OnRelease(void* data, wl_buffer*) {
  Buffer& b = *static_cast<Buffer*>(data);
  b.held = false;
  if (b.frames->released_) b.frames->released_(b.frames->owner_);
}

void ShmFrames::Changed(const PixelRect* rects, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const PixelRect& r = rects[i];
    if (r.Right <= r.Left || r.Bottom <= r.Top) continue;
    for (Buffer& b : buffers_) {
      if (b.buffer) b.lacking.Mark(r.Top, r.Bottom - 1, r.Left, r.Right - 1);
    }
    damage_.Mark(r.Top, r.Bottom - 1, r.Left, r.Right - 1);
  }
}

ShmFrames::Buffer* ShmFrames::Free() {
  for (Buffer& b : buffers_) {
    if (b.buffer && !b.held) return &b;
  }
  for (Buffer& b : buffers_) {
    if (!b.buffer) return Make(b) ? &b : nullptr;
  }
  return nullptr;
}

// A buffer in the background colour that lacks the whole box.
bool ShmFrames::Make(Buffer& b) {
  const int32_t stride = width_ * 4;
  b.bytes = size_t(stride) * size_t(height_);
  const int fd = memfd_create("vellicord2-wayland", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0) return false;
  void* memory = MAP_FAILED;
  if (ftruncate(fd, off_t(b.bytes)) == 0) {
    memory = mmap(nullptr, b.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  }
  if (memory == MAP_FAILED || !b.lacking.Allocate(box_.Width, box_.Height)) {
    if (memory != MAP_FAILED) munmap(memory, b.bytes);
    close(fd);
    b.lacking.Release();
    return false;
  }
  b.pixels = static_cast<uint32_t*>(memory);
  std::fill(b.pixels, b.pixels + size_t(width_) * size_t(height_), background_);
  // The pool only lends the memory to its one buffer: dropped at once, the buffer keeps it.
  wl_shm_pool* pool = wl_shm_create_pool(shm_, fd, int32_t(b.bytes));
  // The raster's BGRX words are XRGB8888 on a little-endian machine, with its slot record in
  // the byte the compositor ignores.
  b.buffer = wl_shm_pool_create_buffer(pool, 0, width_, height_, stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  b.frames = this;
  wl_buffer_add_listener(b.buffer, &kBufferListener, &b);
  return true;
}

// The tiles the buffer lacks, from the frame, cut to the buffer's edges.
void ShmFrames::Copy(Buffer& b, const RasterSurface& frame) {
  b.lacking.Collect(kRectPixels);
  const uint32_t* from = frame.Pixels();
  for (int32_t i = 0; i < b.lacking.RectCount(); ++i) {
    const PixelRect& r = b.lacking.Rects()[i];
    const int32_t left = std::max(r.Left, -box_.X), right = std::min(r.Right, width_ - box_.X);
    const int32_t top = std::max(r.Top, -box_.Y), bottom = std::min(r.Bottom, height_ - box_.Y);
    if (left >= right) continue;
    for (int32_t y = top; y < bottom; ++y) {
      std::memcpy(b.pixels + size_t(y + box_.Y) * size_t(width_) + size_t(left + box_.X),
                  from + size_t(y) * size_t(box_.Width) + size_t(left), size_t(right - left) * 4);
    }
  }
}

void ShmFrames::Damage(wl_surface* surface) {
  if (damageAll_) {
    wl_surface_damage_buffer(surface, 0, 0, width_, height_);
    damage_.Collect(kRectPixels);  // starts a new record
    damageAll_ = false;
    return;
  }
  damage_.Collect(kRectPixels);
  for (int32_t i = 0; i < damage_.RectCount(); ++i) {
    const PixelRect& r = damage_.Rects()[i];
    wl_surface_damage_buffer(surface, box_.X + r.Left, box_.Y + r.Top, r.Right - r.Left,
                             r.Bottom - r.Top);
  }
}

bool ShmFrames::Attach(wl_surface* surface, const RasterSurface* frame) {
  Buffer* b = Free();
  if (!b) return false;
  if (frame && frame->Width() == box_.Width && frame->Height() == box_.Height) Copy(*b, *frame);
  b->held = true;
  wl_surface_attach(surface, b->buffer, 0, 0);
  Damage(surface);
  return true;
}

}  // namespace vellicord
