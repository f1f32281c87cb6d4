// Helpers for the rasterizer tests: a known pen, pictures of the buffer, a counting presenter.
#pragma once

#include <string>

#include "engine/raster.h"

namespace vellicord::testing {

inline constexpr uint32_t kPen = RasterSurface::PixelOf(0x00FFFFFF);

// Black background, white pen of the given width.
inline void PenOn(RasterSurface& s, int32_t width) {
  s.SetBrushColor(0);
  s.Clear();
  s.SetPenColor(0xFFFFFF);
  s.SetPenWidth(width);
}

// Row after row, '#' where the pen drew and '.' elsewhere.
inline std::string Picture(const RasterSurface& s) {
  std::string p;
  for (int64_t i = 0; i < int64_t(s.Width()) * s.Height(); ++i) {
    p += s.Pixels()[i] == kPen ? '#' : '.';
  }
  return p;
}

inline std::string Rows(const std::string& picture, int32_t width) {
  std::string out;
  for (size_t i = 0; i < picture.size(); i += size_t(width)) {
    out += picture.substr(i, size_t(width)) + "\n";
  }
  return out;
}

struct CountingPresenter final : FramePresenter {
  void Present(const RasterSurface& f, int32_t px, int32_t py) override {
    ++calls, frame = &f, x = px, y = py;
  }
  int calls = 0;
  const RasterSurface* frame = nullptr;
  int32_t x = 0, y = 0;
};

}  // namespace vellicord::testing
