// One output's surface, its figure, its ticks and its commits.
#include "wayland/output_hack.h"

#include <wayland-client.h>

#include "common/monotonic_clock.h"
#include "common/timer.h"
#include "settings/saver_settings.h"
#include "xdg-shell-client-protocol.h"

namespace vellicord {

namespace {

// A frame callback outstanding this long means the output shows nothing now (hidden, powered
// off): the raster stops until the compositor asks again, while the clock goes on.
constexpr int64_t kHiddenUs = 200000;
// A stall longer than this (a stopped process) drops its ticks rather than running them back to
// back; shorter delays are caught up, so no tick is lost between two frames.
constexpr int64_t kCatchUpUs = 250000;

OutputHack& Of(void* data) {
  return *static_cast<OutputHack*>(data);
}

void OutputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                    const char*, int32_t) {}
void OutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
  if (flags & WL_OUTPUT_MODE_CURRENT) Of(data).OutputMode(width, height);
}
void OutputDone(void* data, wl_output*) {
  Of(data).OutputDone();
}
void OutputScale(void* data, wl_output*, int32_t scale) {
  Of(data).OutputScale(scale);
}
void OutputName(void*, wl_output*, const char*) {}
void OutputDescription(void*, wl_output*, const char*) {}
const wl_output_listener kOutputListener = {OutputGeometry, OutputMode, OutputDone,
                                            OutputScale,    OutputName, OutputDescription};

void ToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
  Of(data).ToplevelSize(width, height);
}
void ToplevelClose(void* data, xdg_toplevel*) {
  Of(data).ToplevelClose();
}
void ToplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void ToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener kToplevelListener = {ToplevelConfigure, ToplevelClose, ToplevelBounds,
                                                 ToplevelCapabilities};

void SurfaceConfigure(void* data, xdg_surface*, uint32_t serial) {
  Of(data).SurfaceConfigure(serial);
}
const xdg_surface_listener kSurfaceListener = {SurfaceConfigure};

void FrameDone(void* data, wl_callback*, uint32_t) {
  Of(data).FrameDone();
}
const wl_callback_listener kFrameListener = {FrameDone};

void Released(void* data) {
  Of(data).BufferReleased();
}

}  // namespace

OutputHack::OutputHack(const SaverShell& shell, wl_output* output, uint32_t name,
                       const HackOptions& options)
    : output_(output),
      name_(name),
      shm_(shell.shm),
      config_(FigureConfigFor(options.settings)),
      intervalMs_(IntervalForSpeed(options.settings.Speed)),
      givenDraws_(DrawsOf(options)),
      random_(options.fixedDraws ? static_cast<RandomSource&>(givenDraws_) : clockRandom_) {
  raster_.SetPresenter(this);
  wl_output_add_listener(output_, &kOutputListener, this);
  surface_ = wl_compositor_create_surface(shell.compositor);
  xdgSurface_ = xdg_wm_base_get_xdg_surface(shell.wmBase, surface_);
  xdg_surface_add_listener(xdgSurface_, &kSurfaceListener, this);
  toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
  xdg_toplevel_add_listener(toplevel_, &kToplevelListener, this);
  xdg_toplevel_set_title(toplevel_, "Vellicord2");
  xdg_toplevel_set_app_id(toplevel_, "vellicord2");
  xdg_toplevel_set_fullscreen(toplevel_, output_);
  // The first commit carries no buffer: it asks the compositor for the surface's size.
  wl_surface_commit(surface_);
}

OutputHack::~OutputHack() {
  frames_.Release();
  if (frameCallback_) wl_callback_destroy(frameCallback_);
  xdg_toplevel_destroy(toplevel_);
  xdg_surface_destroy(xdgSurface_);
  wl_surface_destroy(surface_);
  if (wl_output_get_version(output_) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
    wl_output_release(output_);
  } else {
    wl_output_destroy(output_);
  }
}

void OutputHack::OutputDone() {
  if (configured_ && pendingScale_ != scale_) {
    Reshape();
    Commit();
  }
}

void OutputHack::SurfaceConfigure(uint32_t serial) {
  xdg_surface_ack_configure(xdgSurface_, serial);
  int32_t width = askedWidth_, height = askedHeight_;
  // A compositor that leaves the size to the client: the output's, in surface units.
  if (width <= 0 || height <= 0) {
    width = modeWidth_ / pendingScale_;
    height = modeHeight_ / pendingScale_;
  }
  const bool changed =
      !configured_ || width != width_ || height != height_ || scale_ != pendingScale_;
  configured_ = true;
  width_ = width;
  height_ = height;
  if (changed) Reshape();
  // An acknowledged configure needs a commit; otherwise the frame callback decides.
  if (changed || !frameCallback_) Commit();
}

// Set up for the output's size in buffer pixels, so a one-pixel line is one pixel of the
// output, whatever its scale.
void OutputHack::Reshape() {
  scale_ = pendingScale_;
  wl_surface_set_buffer_scale(surface_, scale_);
  const int32_t width = width_ * scale_, height = height_ * scale_;
  schedule_.Start(MonotonicUs(), intervalMs_);
  figure_->SetUp(config_, width, height, random_, gate_);
  box_ = {(width - figure_->BufferWidth) / 2, (height - figure_->BufferHeight) / 2,
          figure_->BufferWidth, figure_->BufferHeight};
  frames_.SetUp(shm_, width, height, box_, RasterSurface::PixelOf(config_.WindowColor), Released,
                this);
  presented_ = false;
  pending_ = false;
}

int32_t OutputHack::WaitMs(int64_t nowUs) const {
  return configured_ ? schedule_.WaitMs(nowUs) : -1;
}

bool OutputHack::Hidden(int64_t nowUs) const {
  return frameCallback_ && nowUs - frameAskedUs_ > kHiddenUs;
}

void OutputHack::Draw(int64_t nowUs) {
  if (!configured_) return;
  if (schedule_.IsDue(nowUs) && nowUs - schedule_.Due() > kCatchUpUs) schedule_.Advance(nowUs);
  while (schedule_.IsDue(nowUs)) {
    gate_.SetVisible(!Hidden(nowUs));
    figure_->Tick();
    schedule_.Advance(schedule_.Due());
  }
  if (pending_ && !frameCallback_) Commit();
}

// The frame's place is box_: the figure puts it where Reshape worked it out.
void OutputHack::Present(const RasterSurface& frame, int32_t, int32_t) {
  frames_.Changed(frame.Changed(), frame.ChangedCount());
  presented_ = true;
  pending_ = true;
}

void OutputHack::Commit() {
  if (!frames_.Attach(surface_, presented_ ? &raster_ : nullptr)) {
    waitingBuffer_ = true;
    return;
  }
  waitingBuffer_ = false;
  pending_ = false;
  if (frameCallback_) wl_callback_destroy(frameCallback_);
  frameCallback_ = wl_surface_frame(surface_);
  wl_callback_add_listener(frameCallback_, &kFrameListener, this);
  frameAskedUs_ = MonotonicUs();
  wl_surface_commit(surface_);
}

void OutputHack::FrameDone() {
  wl_callback_destroy(frameCallback_);
  frameCallback_ = nullptr;
  if (pending_) Commit();
}

void OutputHack::BufferReleased() {
  if (waitingBuffer_ && !frameCallback_) Commit();
}

}  // namespace vellicord
