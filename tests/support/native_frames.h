// The frames a host's window should show, rendered natively for the same size, settings and
// draws: the end-to-end drivers find the tick a screenshot matches.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/figure.h"
#include "engine/raster.h"
#include "settings/saver_settings.h"
#include "tests/support/window_picture.h"

namespace vellicord {

class NativeFrames final {
 public:
  // Pixels are 0xRRGGBB, rows top down; the window is width x height.
  NativeFrames(int32_t width, int32_t height, const SaverSettings& settings, RandomSource& draws)
      : figure_(std::make_unique<Figure>()),
        window_(width, height, FigureConfigFor(settings).WindowColor) {
    const FigureConfig config = FigureConfigFor(settings);
    surface_.SetPresenter(&window_);
    figure_->SetUp(config, width, height, draws, surface_);
  }

  // The tick (from `from`, and from 2, the first frame with a curve) whose picture `window`
  // shows, or 0 when none up to maxTicks does.
  int Find(const std::vector<uint32_t>& window, int from, int maxTicks) {
    if (window.size() != window_.Pixels().size()) return 0;
    while (tick_ < maxTicks) {
      figure_->Tick();
      ++tick_;
      if (tick_ >= from && tick_ >= 2 && window_.Pixels() == window) return tick_;
    }
    return 0;
  }

 private:
  std::unique_ptr<Figure> figure_;
  RasterSurface surface_;
  WindowPicture window_;
  int tick_ = 0;
};

}  // namespace vellicord
