// A frame's image on its way to the X server: in shared memory (MIT-SHM) where the server can
// attach it, else in memory of our own sent by XPutImage; its puts and their completion.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <vector>

#include "engine/changed_tiles.h"

namespace vellicord {

class ShmImage {
 public:
  // The display's MIT-SHM, if it has it: a shared image can be tried from then on.
  ShmImage(Display* dpy, Visual* visual, int depth);
  ~ShmImage();
  ShmImage(const ShmImage&) = delete;
  ShmImage& operator=(const ShmImage&) = delete;

  // A width x height image in shared memory; false, with none, where the server can't attach
  // one (it runs on another machine, or has no MIT-SHM), and no shared one is tried again.
  bool CreateShared(int width, int height);
  // The same in memory of our own, sent by XPutImage; false, with none, where Xlib refuses it.
  bool CreatePlain(int width, int height);
  // Waits for the server to finish reading, then frees the image.
  void Destroy();

  bool Exists() const { return image_ != nullptr; }
  bool Shared() const { return attached_; }
  int Width() const { return image_->width; }
  int Height() const { return image_->height; }
  int BytesPerLine() const { return image_->bytes_per_line; }
  char* Data() const { return image_->data; }

  // Each rectangle of the image to the same place in `drawable` moved by (x, y), one request
  // each, flushed.
  void Put(Drawable drawable, GC gc, const PixelRect* rects, int32_t count, int x, int y);
  // The same in one request: the rectangles' bounding box, clipped to them (they go top to
  // bottom and don't overlap). The GC's clip is cleared again afterwards.
  void PutClipped(Drawable drawable, GC gc, const PixelRect* rects, int32_t count, int x, int y);
  // The server has read every put so far: the image may be written again.
  void WaitForPuts();
  // True for the event that tells a put is done, which it takes.
  bool TakeCompletion(const XEvent& e);

 private:
  bool FailShared();

  Display* dpy_;
  Visual* visual_;
  int depth_;
  bool shmAvailable_ = false;
  int completionType_ = -1;
  XShmSegmentInfo shm_ = {};
  bool attached_ = false;
  int outstanding_ = 0;  // puts the server may still be reading
  XImage* image_ = nullptr;
  std::vector<uint32_t> plain_;
  std::vector<XRectangle> clip_;  // grown to the most rectangles a frame has had
};

}  // namespace vellicord
