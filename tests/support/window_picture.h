// A window's picture as its host shows it: the background everywhere, each frame copied over it
// where the engine puts it, clipped to the window.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/raster.h"

namespace vellicord {

class WindowPicture : public FramePresenter {
 public:
  // Pixels are 0xRRGGBB (the slot byte left out), rows top down.
  WindowPicture(int32_t width, int32_t height, ColorValue background)
      : width_(width),
        height_(height),
        pixels_(size_t(width) * size_t(height), RasterSurface::PixelOf(background)) {}

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

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  const std::vector<uint32_t>& Pixels() const { return pixels_; }

 private:
  int32_t width_, height_;
  std::vector<uint32_t> pixels_;
};

}  // namespace vellicord
