// The shared-memory image: its segment, the attach that may fail, puts and completion.
#include "x11/shm_image.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>

namespace vellicord {

namespace {

// The attach's error is expected where the server is on another machine: caught here, apart
// from whatever handler the program has.
bool g_attachFailed = false;
int AttachFailed(Display*, XErrorEvent*) {
  g_attachFailed = true;
  return 0;
}

}  // namespace

ShmImage::ShmImage(Display* dpy, Visual* visual, int depth)
    : dpy_(dpy), visual_(visual), depth_(depth) {
  shmAvailable_ = XShmQueryExtension(dpy) != 0;
  completionType_ = shmAvailable_ ? XShmGetEventBase(dpy) + ShmCompletion : -1;
}

ShmImage::~ShmImage() {
  Destroy();
}

bool ShmImage::CreateShared(int width, int height) {
  Destroy();
  if (!shmAvailable_) return false;
  image_ = XShmCreateImage(dpy_, visual_, unsigned(depth_), ZPixmap, nullptr, &shm_,
                           unsigned(width), unsigned(height));
  if (!image_) return FailShared();
  shm_.shmid =
      shmget(IPC_PRIVATE, size_t(image_->bytes_per_line) * size_t(height), IPC_CREAT | 0600);
  if (shm_.shmid < 0) return FailShared();
  shm_.shmaddr = image_->data = static_cast<char*>(shmat(shm_.shmid, nullptr, 0));
  if (shm_.shmaddr == reinterpret_cast<char*>(-1)) {
    shmctl(shm_.shmid, IPC_RMID, nullptr);
    return FailShared();
  }
  shm_.readOnly = False;
  XSync(dpy_, False);
  g_attachFailed = false;
  XErrorHandler before = XSetErrorHandler(AttachFailed);
  XShmAttach(dpy_, &shm_);
  XSync(dpy_, False);
  XSetErrorHandler(before);
  // Marked for removal now, so the segment goes with the last detach whatever ends us.
  shmctl(shm_.shmid, IPC_RMID, nullptr);
  if (g_attachFailed) {
    shmdt(shm_.shmaddr);
    return FailShared();
  }
  attached_ = true;
  return true;
}

bool ShmImage::FailShared() {
  if (image_) {
    image_->data = nullptr;
    XDestroyImage(image_);
    image_ = nullptr;
  }
  shmAvailable_ = false;
  return false;
}

bool ShmImage::CreatePlain(int width, int height) {
  Destroy();
  plain_.assign(size_t(width) * size_t(height), 0);
  image_ = XCreateImage(dpy_, visual_, unsigned(depth_), ZPixmap, 0,
                        reinterpret_cast<char*>(plain_.data()), unsigned(width), unsigned(height),
                        32, width * 4);
  if (!image_) {
    plain_.clear();
    return false;
  }
  // The words are in this machine's order (little-endian); Xlib swaps them for a server that
  // wants the other.
  image_->byte_order = LSBFirst;
  return true;
}

void ShmImage::Destroy() {
  if (!image_) return;
  if (attached_) {
    XShmDetach(dpy_, &shm_);
    XSync(dpy_, False);
    shmdt(shm_.shmaddr);
    attached_ = false;
  } else {
    plain_.clear();
  }
  image_->data = nullptr;
  XDestroyImage(image_);
  image_ = nullptr;
  outstanding_ = 0;
}

void ShmImage::Put(Drawable drawable, GC gc, const PixelRect* rects, int32_t count, int x, int y) {
  if (!image_ || count <= 0) return;
  for (int32_t i = 0; i < count; ++i) {
    const PixelRect& r = rects[i];
    const unsigned w = unsigned(r.Right - r.Left), h = unsigned(r.Bottom - r.Top);
    if (attached_) {
      // One completion for them all is enough: the server handles requests in order.
      XShmPutImage(dpy_, drawable, gc, image_, r.Left, r.Top, x + r.Left, y + r.Top, w, h,
                   i + 1 == count);
    } else {
      XPutImage(dpy_, drawable, gc, image_, r.Left, r.Top, x + r.Left, y + r.Top, w, h);
    }
  }
  if (attached_) ++outstanding_;
  XFlush(dpy_);
}

void ShmImage::PutClipped(Drawable drawable, GC gc, const PixelRect* rects, int32_t count, int x,
                          int y) {
  if (!image_ || count <= 0) return;
  if (clip_.size() < size_t(count)) clip_.resize(size_t(count));
  PixelRect box = rects[0];
  for (int32_t i = 0; i < count; ++i) {
    const PixelRect& r = rects[i];
    clip_[size_t(i)] = {short(x + r.Left), short(y + r.Top), (unsigned short)(r.Right - r.Left),
                        (unsigned short)(r.Bottom - r.Top)};
    box = {std::min(box.Left, r.Left), std::min(box.Top, r.Top), std::max(box.Right, r.Right),
           std::max(box.Bottom, r.Bottom)};
  }
  XSetClipRectangles(dpy_, gc, 0, 0, clip_.data(), count, YXSorted);
  Put(drawable, gc, &box, 1, x, y);
  XSetClipMask(dpy_, gc, None);
}

void ShmImage::WaitForPuts() {
  if (outstanding_ == 0) return;
  XSync(dpy_, False);
  XEvent e;
  while (XCheckTypedEvent(dpy_, completionType_, &e)) {
  }
  outstanding_ = 0;
}

bool ShmImage::TakeCompletion(const XEvent& e) {
  if (e.type != completionType_) return false;
  if (outstanding_ > 0) --outstanding_;
  return true;
}

}  // namespace vellicord
