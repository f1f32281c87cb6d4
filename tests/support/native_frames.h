// The frames a host's window should show, rendered natively for the same size, settings and
// draws: the end-to-end drivers find the tick a screenshot matches.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/figure.h"
#include "engine/raster.h"
#include "settings/saver_settings.h"

namespace vellicord {

class NativeFrames final : public FramePresenter {
 public:
  // Pixels are 0xRRGGBB, rows top down; the window is width x height.
  NativeFrames(int32_t width, int32_t height, const SaverSettings& settings, RandomSource& draws)
      : width_(width), height_(height), figure_(std::make_unique<Figure>()) {
    const FigureConfig config = FigureConfigFor(settings);
    pixels_.assign(size_t(width) * size_t(height), RasterSurface::PixelOf(config.WindowColor));
    surface_.SetPresenter(this);
    figure_->SetUp(config, width, height, draws, surface_);
  }

  // The tick (from `from`, and from 2, the first frame with a curve) whose picture `window`
  // shows, or 0 when none up to maxTicks does.
  int Find(const std::vector<uint32_t>& window, int from, int maxTicks) {
    if (window.size() != pixels_.size()) return 0;
    while (tick_ < maxTicks) {
      figure_->Tick();
      ++tick_;
      if (tick_ >= from && tick_ >= 2 && pixels_ == window) return tick_;
    }
    return 0;
  }

  void Present(const RasterSurface& frame, int32_t x, int32_t y) override {
    for (int32_t row = 0; row < frame.Height(); ++row) {
      const int64_t wy = int64_t{y} + row;
      if (wy < 0 || wy >= height_) continue;
      for (int32_t col = 0; col < frame.Width(); ++col) {
        const int64_t wx = int64_t{x} + col;
        if (wx < 0 || wx >= width_) continue;
        pixels_[size_t(wy) * size_t(width_) + size_t(wx)] =
            frame.Pixels()[size_t(row) * size_t(frame.Width()) + size_t(col)] & 0xFFFFFF;
      }
    }
  }

 private:
  int32_t width_, height_;
  std::unique_ptr<Figure> figure_;
  RasterSurface surface_;
  std::vector<uint32_t> pixels_;
  int tick_ = 0;
};

}  // namespace vellicord
