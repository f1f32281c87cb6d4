// The X11 window the saver draws in: its display connection, its events, and the frame's way to
// the screen (MIT-SHM, or plain XPutImage where shared memory is refused).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/raster.h"
#include "engine/surface.h"

namespace vellicord {

// The window the saver draws in: one of its own, one given by id, or the root.
enum class WindowKind { Own, Given, Root };

// What one round of event handling found.
struct CanvasEvents {
  bool resized = false;  // the window's size changed: the figure must be set up again
  bool exposed = false;  // part of the window must be painted again
  bool quit = false;     // own window only: q, Esc or the window manager's close
  bool gone = false;     // the window was destroyed
};

// Lends the raster its frame memory in shared memory where it can (a 24-bit window), so a frame
// goes to the server with no copy at all.
class X11Canvas final : public FramePresenter, public PixelMemory {
 public:
  // Connects to $DISPLAY and takes the window: a window of its own (shown at once), the given
  // one, or the root. Null with a message when the display, the window or its visual won't do.
  static std::unique_ptr<X11Canvas> Open(WindowKind kind, uint32_t id, std::string& error);
  ~X11Canvas() override;
  X11Canvas(const X11Canvas&) = delete;
  X11Canvas& operator=(const X11Canvas&) = delete;

  // The connection's descriptor, to wait on beside the timer.
  int Fd() const;
  int32_t Width() const;
  int32_t Height() const;
  // Mapped and not fully obscured: a frame drawn now could be seen.
  bool Visible() const;

  // Handles every event that has arrived, without waiting.
  CanvasEvents Pump();
  // The whole window in one colour (the saver window's background).
  void Fill(ColorValue color);
  // The last frame presented, put back where it was (after an expose).
  void PresentAgain();
  void Present(const RasterSurface& frame, int32_t x, int32_t y) override;
  int64_t RequestPixels() const override;
  uint32_t* Lend(int32_t width, int32_t height) override;
  void BeforeWrite() override;

 private:
  struct Impl;
  explicit X11Canvas(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace vellicord
