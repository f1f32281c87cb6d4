// The long run's fixed figure: draws and clock set by hand, so a Windows run of the saver's frame
// path and a native run of the engine can be compared frame for frame.
#pragma once

#include <cstdint>

#include "engine/figure.h"
#include "engine/raster.h"
#include "tests/support/fnv.h"

namespace vellicord::reliability {

// Overwrites what the random draws decided at set-up, and starts the clock where asked.
inline void FixLongRunState(Figure& figure, int32_t clock) {
  figure.FreqScaleX = 1.3125L;
  figure.FreqScaleY = 1.6875L;
  figure.PhaseOffset = 0.75L;
  figure.HueOffset = 300;
  figure.Clock = clock;
}

// FNV-1a over a frame's size and 32-bit pixels (the unused top byte masked off); no pixels for
// a frame without a buffer.
inline uint64_t FrameChecksum(int32_t width, int32_t height, const uint32_t* pixels) {
  Fnv1a h;
  h.Word(static_cast<uint32_t>(width));
  h.Word(static_cast<uint32_t>(height));
  if (pixels == nullptr) return h.Value();
  const int64_t n = int64_t{width} * height;
  for (int64_t i = 0; i < n; ++i) h.Word(pixels[i] & 0xFFFFFF);
  return h.Value();
}

inline uint64_t FrameChecksum(const RasterSurface& frame) {
  return FrameChecksum(frame.Width(), frame.Height(), frame.HasBuffer() ? frame.Pixels() : nullptr);
}

}  // namespace vellicord::reliability
