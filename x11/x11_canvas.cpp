// The X11 canvas: window choice, visual check, event handling and the frame's presents.
#include "x11/x11_canvas.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "x11/shm_image.h"

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
// high (`vellicord2-bench-x11 cost`).
constexpr int64_t kPutRequestPixels = 900;
// Frames up to this many pixels go as one put clipped to their changed tiles; larger ones as
// their changed pixels, points of one colour a request, where the raster noted them (one-pixel
// curves), else as tiles merged at a request's price: the server takes each fastest there
// (`vellicord2-bench-x11 methods`, docs/benchmarks.md).
constexpr int64_t kClippedPutPixels = int64_t{1} << 21;
// The colours a frame's changed pixels may take before it goes as tiles instead: the background
// and two curves' colours a tick, for a few ticks held back.
constexpr int kPointColors = 16;

constexpr int kOwnWidth = 800;
constexpr int kOwnHeight = 600;
constexpr long kWindowEvents = StructureNotifyMask | ExposureMask | VisibilityChangeMask;

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

  // The frame on its way to the server. It keeps the last frame, so an expose puts it back
  // without the raster.
  std::unique_ptr<ShmImage> image;
  // Frames go as one put clipped to their tiles (the buffer of the last Lend is small enough).
  bool clipped = false;
  // A frame's changed pixels by colour, kept from frame to frame so they grow only at first.
  std::vector<XPoint> points[kPointColors];
  uint32_t pointColor[kPointColors] = {};
  // The window shows the image's frame at (frameX, frameY).
  bool framePresented = false;
  int frameX = 0;
  int frameY = 0;

  ~Impl() {
    if (dpy) {
      image.reset();
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

  bool OpenDisplay(std::string& error) {
    dpy = XOpenDisplay(nullptr);
    if (!dpy) error = "cannot open the display";
    if (!dpy) return false;
    XSetErrorHandler(RecordError);
    XSetIOErrorHandler(ConnectionLost);
    return true;
  }

  bool MakeOwnWindow(std::string& error) {
    const int screen = DefaultScreen(dpy);
    XVisualInfo want;
    if (!XMatchVisualInfo(dpy, screen, 24, TrueColor, &want)) {
      error = "the display has no 24-bit TrueColor visual";
      return false;
    }
    const ::Window root = RootWindow(dpy, screen);
    XSetWindowAttributes a = {};
    a.colormap = XCreateColormap(dpy, root, want.visual, AllocNone);
    a.background_pixel = 0;
    a.border_pixel = 0;
    a.event_mask = kWindowEvents | KeyPressMask;
    window = XCreateWindow(dpy, root, 0, 0, kOwnWidth, kOwnHeight, 0, 24, InputOutput, want.visual,
                           CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &a);
    own = true;
    XStoreName(dpy, window, "Vellicord2");
    XClassHint hint = {const_cast<char*>("vellicord2"), const_cast<char*>("Vellicord2")};
    XSetClassHint(dpy, window, &hint);
    deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, window, &deleteWindow, 1);
    XMapWindow(dpy, window);
    return true;
  }

  bool TakeWindow(WindowKind kind, uint32_t id, std::string& error) {
    if (kind == WindowKind::Own) return MakeOwnWindow(error);
    window = kind == WindowKind::Root ? DefaultRootWindow(dpy) : ::Window(id);
    return true;
  }

  // The window's size, state and visual; false where it doesn't exist or its visual won't do.
  bool ReadWindow(std::string& error) {
    XWindowAttributes wa;
    Sync();
    if (XGetWindowAttributes(dpy, window, &wa) == 0 || Sync() != 0) {
      char text[64];
      std::snprintf(text, sizeof text, "no window 0x%lx on the display", window);
      error = text;
      return false;
    }
    if (!TakesOurPixels(wa)) {
      char text[160];
      std::snprintf(text, sizeof text,
                    "window 0x%lx has a visual of class %d and depth %d; only 24- or 32-bit "
                    "TrueColor visuals are supported",
                    window, wa.visual->c_class, wa.depth);
      error = text;
      return false;
    }
    visual = wa.visual;
    depth = wa.depth;
    width = wa.width;
    height = wa.height;
    mapped = wa.map_state == IsViewable;
    return true;
  }

  // The frame's pixels are 32-bit words with red, green and blue in bits 16, 8 and 0: only a
  // TrueColor visual laid out that way takes them unconverted.
  static bool TakesOurPixels(const XWindowAttributes& wa) {
    return wa.visual->c_class == TrueColor && wa.visual->red_mask == 0xFF0000 &&
           wa.visual->green_mask == 0xFF00 && wa.visual->blue_mask == 0xFF &&
           (wa.depth == 24 || wa.depth == 32);
  }

  void Listen() {
    // Another client's window: only structure, expose and visibility events; its input stays
    // with whoever owns it (the daemon).
    if (!own) XSelectInput(dpy, window, kWindowEvents);
    gc = XCreateGC(dpy, window, 0, nullptr);
    image = std::make_unique<ShmImage>(dpy, visual, depth);
    Sync();
  }

  // The frame's changed pixels drawn as points in their colours, one request a colour; false,
  // with nothing sent, where it has more colours than that.
  bool PutPoints(const RasterSurface& frame) {
    const uint32_t* px = frame.Pixels();
    const uint32_t* at = frame.ChangedPixels();
    const int64_t count = frame.ChangedPixelCount();
    const int32_t width = frame.Width();
    // Rows by a multiply, not a division in the loop; the error is below one row either way.
    const double perRow = 1.0 / width;
    int colors = 0, c = 0;
    for (auto& p : points) p.clear();
    for (int64_t i = 0; i < count; ++i) {
      const uint32_t color = px[at[i]] & 0xFFFFFFu;
      if (colors == 0 || pointColor[c] != color) {
        c = 0;
        while (c < colors && pointColor[c] != color) ++c;
        if (c == colors) {
          if (colors == kPointColors) return false;
          pointColor[colors++] = color;
        }
      }
      int32_t y = int32_t(double(at[i]) * perRow);
      int32_t x = int32_t(at[i]) - y * width;
      if (x < 0) x += width, --y;
      if (x >= width) x -= width, ++y;
      XPoint& p = points[c].emplace_back();
      p.x = short(frameX + x);
      p.y = short(frameY + y);
    }
    const unsigned long alpha = depth == 32 ? 0xFF000000u : 0;
    for (int c = 0; c < colors; ++c) {
      XSetForeground(dpy, gc, pointColor[c] | alpha);
      XDrawPoints(dpy, window, gc, points[c].data(), int(points[c].size()), CoordModeOrigin);
    }
    XFlush(dpy);
    return true;
  }

  void Put(const PixelRect* rects, int32_t count) {
    if (gone) return;
    if (clipped && count > 1) {
      image->PutClipped(window, gc, rects, count, frameX, frameY);
    } else {
      image->Put(window, gc, rects, count, frameX, frameY);
    }
  }
};

std::unique_ptr<X11Canvas> X11Canvas::Open(WindowKind kind, uint32_t id, std::string& error) {
  auto impl = std::make_unique<Impl>();
  if (!impl->OpenDisplay(error) || !impl->TakeWindow(kind, id, error) || !impl->ReadWindow(error)) {
    return nullptr;
  }
  impl->Listen();
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
namespace {

// A mode's refresh rate from its timings: pixels a second over pixels a frame.
double ModeHz(const XRRModeInfo& mode) {
  double lines = double(mode.vTotal);
  if (mode.modeFlags & RR_DoubleScan) lines *= 2;
  if (mode.modeFlags & RR_Interlace) lines /= 2;
  const double pixels = double(mode.hTotal) * lines;
  return pixels > 0 ? double(mode.dotClock) / pixels : 0;
}

}  // namespace

int32_t X11Canvas::RefreshRateHz() const {
  Impl& m = *impl_;
  int event = 0, error = 0, major = 0, minor = 0;
  // CRTCs and their modes came with RandR 1.2.
  if (!XRRQueryExtension(m.dpy, &event, &error) || !XRRQueryVersion(m.dpy, &major, &minor) ||
      major * 100 + minor < 102) {
    return 0;
  }
  const ::Window root = DefaultRootWindow(m.dpy);
  int x = 0, y = 0;
  ::Window child;
  if (!XTranslateCoordinates(m.dpy, m.window, root, m.width / 2, m.height / 2, &x, &y, &child)) {
    return 0;
  }
  XRRScreenResources* res = XRRGetScreenResourcesCurrent(m.dpy, root);
  if (!res) return 0;
  double hz = 0;
  for (int i = 0; i < res->ncrtc && hz == 0; ++i) {
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(m.dpy, res, res->crtcs[i]);
    if (!crtc) continue;
    const bool shows = crtc->mode != None && x >= crtc->x && y >= crtc->y &&
                       x < crtc->x + int(crtc->width) && y < crtc->y + int(crtc->height);
    for (int k = 0; shows && k < res->nmode; ++k) {
      if (res->modes[k].id == crtc->mode) hz = ModeHz(res->modes[k]);
    }
    XRRFreeCrtcInfo(crtc);
  }
  XRRFreeScreenResources(res);
  return int32_t(hz + 0.5);
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
    if (m.image->TakeCompletion(e)) continue;
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
  // Clipped, the tiles cost no request each: they merge only where they touch.
  return impl_->clipped ? 0 : kPutRequestPixels;
}

void X11Canvas::PresentAgain() {
  Impl& m = *impl_;
  if (!m.framePresented) return;
  const PixelRect all{0, 0, m.image->Width(), m.image->Height()};
  m.Put(&all, 1);
}

uint32_t* X11Canvas::Lend(int32_t width, int32_t height) {
  Impl& m = *impl_;
  m.image->Destroy();
  m.framePresented = false;
  m.clipped = int64_t{width} * height <= kClippedPutPixels;
  // A 32-bit window reads the top byte as alpha, which the raster keeps for its own record:
  // that frame is copied.
  if (m.depth != 24 || !m.image->CreateShared(width, height)) return nullptr;
  if (m.image->BytesPerLine() != width * 4) return nullptr;
  return reinterpret_cast<uint32_t*>(m.image->Data());
}

void X11Canvas::BeforeWrite() {
  impl_->image->WaitForPuts();
}

void X11Canvas::Present(const RasterSurface& frame, int32_t x, int32_t y) {
  Impl& m = *impl_;
  ShmImage& image = *m.image;
  if (m.gone || !frame.HasBuffer()) return;
  // The window already shows the last frame here: only the frame's changes need to go.
  const bool whole = !m.framePresented || x != m.frameX || y != m.frameY;
  m.frameX = x;
  m.frameY = y;
  const PixelRect all{0, 0, frame.Width(), frame.Height()};
  const PixelRect* rects = whole ? &all : frame.Changed();
  int32_t count = whole ? 1 : frame.ChangedCount();
  if (image.Exists() && frame.Pixels() == reinterpret_cast<const uint32_t*>(image.Data())) {
    // Drawn in place, in the shared memory the server reads.
    m.framePresented = true;
    if (!whole && !m.clipped && frame.ChangedPixelsNoted() && !m.gone && m.PutPoints(frame)) return;
    m.Put(rects, count);
    return;
  }
  if (image.Exists() && (image.Width() != frame.Width() || image.Height() != frame.Height())) {
    image.Destroy();
  }
  if (!image.Exists()) {
    if (!image.CreateShared(frame.Width(), frame.Height()) &&
        !image.CreatePlain(frame.Width(), frame.Height())) {
      return;
    }
    rects = &all;
    count = 1;
  }
  image.WaitForPuts();
  // A 32-bit window is ARGB: its alpha must be opaque, where the raster keeps its slot record.
  const uint32_t alpha = m.depth == 32 ? 0xFF000000u : 0;
  for (int32_t i = 0; i < count; ++i) {
    const PixelRect& r = rects[i];
    const size_t rowBytes = size_t(r.Right - r.Left) * 4;
    for (int32_t row = r.Top; row < r.Bottom; ++row) {
      const uint32_t* src = frame.Pixels() + size_t(row) * size_t(frame.Width()) + r.Left;
      auto* dst =
          reinterpret_cast<uint32_t*>(image.Data() + size_t(row) * size_t(image.BytesPerLine())) +
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
