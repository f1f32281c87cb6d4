// One output's saver, as XScreenSaver runs one hack per monitor: a full-screen surface on that
// output with its own figure centred on it, drawn when the compositor's frame callbacks ask.
#pragma once

#include <cstdint>
#include <memory>

#include "common/frame_gate.h"
#include "common/hack_options.h"
#include "common/tick_schedule.h"
#include "engine/figure.h"
#include "engine/random.h"
#include "engine/raster.h"
#include "wayland/shm_frames.h"

struct wl_callback;
struct wl_compositor;
struct wl_output;
struct wl_shm;
struct wl_surface;
struct xdg_surface;
struct xdg_toplevel;
struct xdg_wm_base;

namespace vellicord {

// The compositor's globals every output's surface is made with.
struct SaverShell {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  xdg_wm_base* wmBase = nullptr;
};

class OutputHack final : public FramePresenter {
 public:
  // Takes `output` (bound from the registry's global `name`) and asks for a surface on it.
  OutputHack(const SaverShell& shell, wl_output* output, uint32_t name, const HackOptions& options);
  ~OutputHack() override;
  OutputHack(const OutputHack&) = delete;
  OutputHack& operator=(const OutputHack&) = delete;

  uint32_t Name() const { return name_; }
  // The compositor asked the surface to close.
  bool Closed() const { return closed_; }
  // Milliseconds until its next tick; -1 for none.
  int32_t WaitMs(int64_t nowUs) const;
  // Steps every tick due: the figure's clock keeps the tick rate, whatever the frame rate.
  void Draw(int64_t nowUs);

  void Present(const RasterSurface& frame, int32_t x, int32_t y) override;

  // From the listeners.
  void OutputMode(int32_t width, int32_t height) {
    modeWidth_ = width;
    modeHeight_ = height;
  }
  void OutputScale(int32_t scale) { pendingScale_ = scale > 0 ? scale : 1; }
  void OutputDone();
  void ToplevelSize(int32_t width, int32_t height) {
    askedWidth_ = width;
    askedHeight_ = height;
  }
  void ToplevelClose() { closed_ = true; }
  void SurfaceConfigure(uint32_t serial);
  void FrameDone();
  void BufferReleased();

 private:
  void Reshape();
  void Commit();
  bool Hidden(int64_t nowUs) const;

  wl_output* output_;
  uint32_t name_;
  wl_shm* shm_;
  wl_surface* surface_ = nullptr;
  xdg_surface* xdgSurface_ = nullptr;
  xdg_toplevel* toplevel_ = nullptr;
  wl_callback* frameCallback_ = nullptr;

  int32_t modeWidth_ = 0, modeHeight_ = 0;
  int32_t askedWidth_ = 0, askedHeight_ = 0;
  int32_t pendingScale_ = 1;
  bool configured_ = false;
  int32_t width_ = 0, height_ = 0, scale_ = 0;  // in surface units; buffers are scale_ times that

  const FigureConfig config_;
  const int32_t intervalMs_;
  GivenDraws givenDraws_;
  ClockSeededRandom clockRandom_;
  RandomSource& random_;
  RasterSurface raster_;
  GatedSurface gate_{raster_};
  // The trail ring is half a megabyte: on the heap, default-initialised.
  std::unique_ptr<Figure> figure_{new Figure};
  TickSchedule schedule_;
  ShmFrames frames_;
  BoxPlace box_;

  bool presented_ = false;      // the raster has a frame for the box
  bool pending_ = false;        // changes no commit has shown yet
  bool waitingBuffer_ = false;  // a commit waits for the compositor to let a buffer go
  int64_t frameAskedUs_ = 0;
  bool closed_ = false;
};

}  // namespace vellicord
