// The X11 canvas: window choice, visual check, event handling and the MIT-SHM frame copy.
#include "x11/x11_canvas.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vellicord {

namespace {

// Xlib reports protocol errors to one process-wide handler, asynchronously; the canvas only
// needs to know whether any came since it last looked, and whether its window was meant.
struct ErrorTrap {
  int code = 0;
  XID resource = 0;
};
ErrorTrap g_trap;

int RecordError(Display*, XErrorEvent* e) {
  if (g_trap.code == 0) {
    g_trap.code = e->error_code;
    g_trap.resource = e->resourceid;
  }
  return 0;
}

// A lost connection can't be recovered from, and Xlib exits on return anyway: end at once, as
// a signal would, so no hack is left behind a dead display.
int ConnectionLost(Display*) {
  _exit(0);
}

// One more XShmPutImage costs Xvfb and Xlib as much as about this many pixels of a put 16 rows
// high (`vellicord2-bench-x11 cost`: 0.34 us a request, 0.37 ns a pixel).
constexpr int64_t kPutRequestPixels = 900;

constexpr int kOwnWidth = 800;
constexpr int kOwnHeight = 600;

}  // namespace

struct X11Canvas::Impl {
  Display* dpy = nullptr;
  ::Window window = 0;
  bool own = false;
  Atom deleteWindow = 0;
  Visual* visual = nullptr;
  int depth = 0;
  GC gc = nullptr;
  int width = 0;
  int height = 0;
  bool mapped = false;
  bool obscured = false;
  bool gone = false;

  // The frame on its way to the server: in shared memory, or in memory of our own for
  // XPutImage. It keeps the last frame, so an expose puts it back without the raster.
  bool shmAvailable = false;
  XShmSegmentInfo shm = {};
  bool shmAttached = false;
  int completionType = 0;
  int outstanding = 0;  // puts the server may still be reading
  XImage* image = nullptr;
  std::vector<uint32_t> plain;
  bool framePresented = false;
  int frameX = 0;
  int frameY = 0;

  ~Impl() {
    if (dpy) {
      DropImage();
      if (gc) XFreeGC(dpy, gc);
      if (own && !gone) XDestroyWindow(dpy, window);
      XCloseDisplay(dpy);
    }
  }

  int Sync() {
    XSync(dpy, False);
    const int code = g_trap.code;
    g_trap = {};
    return code;
  }

  void DropImage() {
    if (!image) return;
    if (shmAttached) {
      XShmDetach(dpy, &shm);
      XSync(dpy, False);
      shmdt(shm.shmaddr);
      shmAttached = false;
    } else {
      plain.clear();
    }
    image->data = nullptr;
    XDestroyImage(image);
    image = nullptr;
    outstanding = 0;
    framePresented = false;
  }

  bool MakeShmImage(int w, int h) {
    image = XShmCreateImage(dpy, visual, unsigned(depth), ZPixmap, nullptr, &shm, unsigned(w),
                            unsigned(h));
    if (!image) return false;
    shm.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(h), IPC_CREAT | 0600);
    if (shm.shmid < 0) return FailShm();
    shm.shmaddr = image->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
    if (shm.shmaddr == reinterpret_cast<char*>(-1)) {
      shmctl(shm.shmid, IPC_RMID, nullptr);
      return FailShm();
    }
    shm.readOnly = False;
    Sync();
    XShmAttach(dpy, &shm);
    // A server on another machine can't see our memory: the attach fails with an error.
    const bool attached = Sync() == 0;
    // Marked for removal now, so the segment goes with the last detach whatever ends us.
    shmctl(shm.shmid, IPC_RMID, nullptr);
    if (!attached) {
      shmdt(shm.shmaddr);
      return FailShm();
    }
    shmAttached = true;
    return true;
  }

  bool FailShm() {
    image->data = nullptr;
    XDestroyImage(image);
    image = nullptr;
    shmAvailable = false;
    return false;
  }

  void MakeImage(int w, int h) {
    if (shmAvailable && MakeShmImage(w, h)) return;
    plain.assign(size_t(w) * size_t(h), 0);
    image =
        XCreateImage(dpy, visual, unsigned(depth), ZPixmap, 0,
                     reinterpret_cast<char*>(plain.data()), unsigned(w), unsigned(h), 32, w * 4);
    // The words are in this machine's order (little-endian); Xlib swaps them for a server
    // that wants the other.
    if (image) image->byte_order = LSBFirst;
  }

  // The server must be done reading the shared frame before it is written again.
  void WaitForPuts() {
    if (outstanding == 0) return;
    XSync(dpy, False);
    XEvent e;
    while (XCheckTypedEvent(dpy, completionType, &e)) {
    }
    outstanding = 0;
  }

  void Put() {
    if (!image) return;
    const PixelRect all{0, 0, image->width, image->height};
    Put(&all, 1);
  }

  // Each rectangle of the frame to the same place in the window, one request each, and one
  // completion for them all.
  void Put(const PixelRect* rects, int32_t count) {
    if (!image || gone || count <= 0) return;
    for (int32_t i = 0; i < count; ++i) {
      const PixelRect& r = rects[i];
      const unsigned w = unsigned(r.Right - r.Left), h = unsigned(r.Bottom - r.Top);
      if (shmAttached) {
        // One completion for the frame is enough: the server handles requests in order.
        XShmPutImage(dpy, window, gc, image, r.Left, r.Top, frameX + r.Left, frameY + r.Top, w, h,
                     i + 1 == count);
      } else {
        XPutImage(dpy, window, gc, image, r.Left, r.Top, frameX + r.Left, frameY + r.Top, w, h);
      }
    }
    if (shmAttached) ++outstanding;
    XFlush(dpy);
  }
};

std::unique_ptr<X11Canvas> X11Canvas::Open(WindowKind kind, uint32_t id, std::string& error) {
  auto impl = std::make_unique<Impl>();
  impl->dpy = XOpenDisplay(nullptr);
  if (!impl->dpy) {
    error = "cannot open the display";
    return nullptr;
  }
  Display* dpy = impl->dpy;
  XSetErrorHandler(RecordError);
  XSetIOErrorHandler(ConnectionLost);
  const int screen = DefaultScreen(dpy);
  const long events = StructureNotifyMask | ExposureMask | VisibilityChangeMask;

  if (kind == WindowKind::Own) {
    XVisualInfo want;
    if (!XMatchVisualInfo(dpy, screen, 24, TrueColor, &want)) {
      error = "the display has no 24-bit TrueColor visual";
      return nullptr;
    }
    const ::Window root = RootWindow(dpy, screen);
    XSetWindowAttributes a = {};
    a.colormap = XCreateColormap(dpy, root, want.visual, AllocNone);
    a.background_pixel = 0;
    a.border_pixel = 0;
    a.event_mask = events | KeyPressMask;
    impl->window =
        XCreateWindow(dpy, root, 0, 0, kOwnWidth, kOwnHeight, 0, 24, InputOutput, want.visual,
                      CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &a);
    impl->own = true;
    XStoreName(dpy, impl->window, "Vellicord2");
    XClassHint hint = {const_cast<char*>("vellicord2"), const_cast<char*>("Vellicord2")};
    XSetClassHint(dpy, impl->window, &hint);
    impl->deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, impl->window, &impl->deleteWindow, 1);
    XMapWindow(dpy, impl->window);
  } else {
    impl->window = kind == WindowKind::Root ? RootWindow(dpy, screen) : ::Window(id);
  }

  XWindowAttributes wa;
  impl->Sync();
  const bool found = XGetWindowAttributes(dpy, impl->window, &wa) != 0 && impl->Sync() == 0;
  if (!found) {
    char text[64];
    std::snprintf(text, sizeof text, "no window 0x%lx on the display", impl->window);
    error = text;
    return nullptr;
  }
  // The frame's pixels are 32-bit words with red, green and blue in bits 16, 8 and 0: only a
  // TrueColor visual laid out that way takes them unconverted.
  XVisualInfo vt;
  vt.visualid = XVisualIDFromVisual(wa.visual);
  int count = 0;
  XVisualInfo* vi = XGetVisualInfo(dpy, VisualIDMask, &vt, &count);
  const bool trueColor = vi && vi->c_class == TrueColor && vi->red_mask == 0xFF0000 &&
                         vi->green_mask == 0xFF00 && vi->blue_mask == 0xFF;
  const int visualClass = vi ? vi->c_class : -1;
  if (vi) XFree(vi);
  if (!trueColor || (wa.depth != 24 && wa.depth != 32)) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "window 0x%lx has a visual of class %d and depth %d; only 24- or 32-bit "
                  "TrueColor visuals are supported",
                  impl->window, visualClass, wa.depth);
    error = text;
    return nullptr;
  }
  impl->visual = wa.visual;
  impl->depth = wa.depth;
  impl->width = wa.width;
  impl->height = wa.height;
  impl->mapped = wa.map_state == IsViewable;
  // Another client's window: only structure, expose and visibility events; its input stays
  // with whoever owns it (the daemon).
  if (!impl->own) XSelectInput(dpy, impl->window, events);
  impl->gc = XCreateGC(dpy, impl->window, 0, nullptr);
  impl->shmAvailable = XShmQueryExtension(dpy) != 0;
  impl->completionType = impl->shmAvailable ? XShmGetEventBase(dpy) + ShmCompletion : -1;
  impl->Sync();
  return std::unique_ptr<X11Canvas>(new X11Canvas(std::move(impl)));
}

X11Canvas::X11Canvas(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
X11Canvas::~X11Canvas() = default;

int X11Canvas::Fd() const {
  return ConnectionNumber(impl_->dpy);
}
int32_t X11Canvas::Width() const {
  return impl_->width;
}
int32_t X11Canvas::Height() const {
  return impl_->height;
}
bool X11Canvas::Visible() const {
  return impl_->mapped && !impl_->obscured && !impl_->gone;
}

CanvasEvents X11Canvas::Pump() {
  Impl& m = *impl_;
  CanvasEvents out;
  while (XPending(m.dpy) > 0) {
    XEvent e;
    XNextEvent(m.dpy, &e);
    if (e.type == m.completionType) {
      if (m.outstanding > 0) --m.outstanding;
      continue;
    }
    switch (e.type) {
      case ConfigureNotify:
        if (e.xconfigure.window == m.window &&
            (e.xconfigure.width != m.width || e.xconfigure.height != m.height)) {
          m.width = e.xconfigure.width;
          m.height = e.xconfigure.height;
          out.resized = true;
        }
        break;
      case Expose:
        if (e.xexpose.count == 0) out.exposed = true;
        break;
      case MapNotify:
        m.mapped = true;
        break;
      case UnmapNotify:
        m.mapped = false;
        break;
      case VisibilityNotify:
        m.obscured = e.xvisibility.state == VisibilityFullyObscured;
        break;
      case DestroyNotify:
        if (e.xdestroywindow.window == m.window) m.gone = true;
        break;
      case KeyPress: {
        const KeySym key = XLookupKeysym(&e.xkey, 0);
        if (key == XK_q || key == XK_Q || key == XK_Escape) out.quit = true;
        break;
      }
      case ClientMessage:
        if (m.own && Atom(e.xclient.data.l[0]) == m.deleteWindow) out.quit = true;
        break;
      default:
        break;
    }
  }
  // Drawing into a window that went away between two events fails with an error on it.
  if (g_trap.code != 0) {
    if (g_trap.resource == m.window) m.gone = true;
    g_trap = {};
  }
  out.gone = m.gone;
  return out;
}

void X11Canvas::Fill(ColorValue color) {
  Impl& m = *impl_;
  if (m.gone) return;
  const unsigned long pixel = RasterSurface::PixelOf(color) | (m.depth == 32 ? 0xFF000000u : 0);
  XSetForeground(m.dpy, m.gc, pixel);
  XFillRectangle(m.dpy, m.window, m.gc, 0, 0, unsigned(m.width), unsigned(m.height));
  XFlush(m.dpy);
}

int64_t X11Canvas::RequestPixels() const {
  return kPutRequestPixels;
}

void X11Canvas::PresentAgain() {
  if (impl_->framePresented) impl_->Put();
}

uint32_t* X11Canvas::Lend(int32_t width, int32_t height) {
  Impl& m = *impl_;
  m.DropImage();
  // A 32-bit window reads the top byte as alpha, which the raster keeps for its own record:
  // that frame is copied.
  if (!m.shmAvailable || m.depth != 24 || !m.MakeShmImage(width, height)) return nullptr;
  if (m.image->bytes_per_line != width * 4) return nullptr;
  return reinterpret_cast<uint32_t*>(m.image->data);
}

void X11Canvas::BeforeWrite() {
  impl_->WaitForPuts();
}

void X11Canvas::Present(const RasterSurface& frame, int32_t x, int32_t y) {
  Impl& m = *impl_;
  if (m.gone || !frame.HasBuffer()) return;
  // The window already shows the last frame here: only the frame's changes need to go.
  const bool whole = !m.framePresented || x != m.frameX || y != m.frameY;
  m.frameX = x;
  m.frameY = y;
  const PixelRect all{0, 0, frame.Width(), frame.Height()};
  const PixelRect* rects = whole ? &all : frame.Changed();
  int32_t count = whole ? 1 : frame.ChangedCount();
  if (m.image && frame.Pixels() == reinterpret_cast<const uint32_t*>(m.image->data)) {
    // Drawn in place, in the shared memory the server reads.
    m.framePresented = true;
    m.Put(rects, count);
    return;
  }
  if (m.image && (m.image->width != frame.Width() || m.image->height != frame.Height())) {
    m.DropImage();
  }
  if (!m.image) {
    m.MakeImage(frame.Width(), frame.Height());
    rects = &all;
    count = 1;
  }
  if (!m.image) return;
  m.WaitForPuts();
  // A 32-bit window is ARGB: its alpha must be opaque, where the raster keeps its slot record.
  const uint32_t alpha = m.depth == 32 ? 0xFF000000u : 0;
  for (int32_t i = 0; i < count; ++i) {
    const PixelRect& r = rects[i];
    const size_t rowBytes = size_t(r.Right - r.Left) * 4;
    for (int32_t row = r.Top; row < r.Bottom; ++row) {
      const uint32_t* src = frame.Pixels() + size_t(row) * size_t(frame.Width()) + r.Left;
      auto* dst =
          reinterpret_cast<uint32_t*>(m.image->data + size_t(row) * m.image->bytes_per_line) +
          r.Left;
      if (alpha == 0) {
        std::memcpy(dst, src, rowBytes);
      } else {
        for (int32_t col = 0; col < r.Right - r.Left; ++col) dst[col] = src[col] | alpha;
      }
    }
  }
  m.framePresented = true;
  m.Put(rects, count);
}

}  // namespace vellicord
