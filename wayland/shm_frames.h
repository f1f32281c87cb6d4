// The buffers one surface shows: wl_shm memory shared with the compositor, each buffer with the
// tiles of the figure's box it has yet to take, so none is written while the compositor holds it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/changed_tiles.h"
#include "engine/raster.h"

struct wl_buffer;
struct wl_shm;
struct wl_surface;

namespace vellicord {

// Where a surface's buffers put the raster's frame: a box of the buffer, which may reach past
// its edges (a portrait output is narrower than the box).
struct BoxPlace {
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
};

class ShmFrames {
 public:
  // Two are enough where the compositor lets a buffer go at the next commit; the third covers
  // one that holds the previous buffer a little longer.
  static constexpr int kMaxBuffers = 3;

  ShmFrames() = default;
  ~ShmFrames() { Release(); }
  ShmFrames(const ShmFrames&) = delete;
  ShmFrames& operator=(const ShmFrames&) = delete;

  // Buffers of width x height pixels in the background colour (a BGRX pixel), the box placed
  // in them; made one at a time as the compositor's hold asks. `released` is called with
  // `owner` when the compositor lets one go.
  void SetUp(wl_shm* shm, int32_t width, int32_t height, BoxPlace box, uint32_t background,
             void (*released)(void*), void* owner);
  void Release();

  // The box's pixels changed in these rectangles (box coordinates): every buffer lacks them,
  // and the next commit damages them.
  void Changed(const PixelRect* rects, int32_t count);
  // Attaches a buffer the compositor doesn't hold, brought up to `frame`, and damages what
  // changed since the last commit; false, with nothing done, while the compositor holds all.
  // `frame` null: the box has no frame yet and shows the background.
  bool Attach(wl_surface* surface, const RasterSurface* frame);

  // wl_buffer.release.
  static void OnRelease(void* data, wl_buffer* buffer);

 private:
  struct Buffer {
    wl_buffer* buffer = nullptr;
    uint32_t* pixels = nullptr;
    size_t bytes = 0;
    bool held = false;
    ShmFrames* frames = nullptr;
    ChangedTiles lacking;  // tiles of the box this buffer has yet to take
  };
  Buffer* Free();
  bool Make(Buffer& b);
  void Copy(Buffer& b, const RasterSurface& frame);
  void Damage(wl_surface* surface);

  wl_shm* shm_ = nullptr;
  int32_t width_ = 0, height_ = 0;
  BoxPlace box_;
  uint32_t background_ = 0;
  void (*released_)(void*) = nullptr;
  void* owner_ = nullptr;
  Buffer buffers_[kMaxBuffers];
  ChangedTiles damage_;   // tiles changed since the last commit
  bool damageAll_ = true;  // the first commit of these buffers
};

}  // namespace vellicord
