// A figure built on fixed draws over a recording surface, for the engine's tests.
#pragma once

#include <memory>

#include "engine/figure.h"
#include "tests/support/fixed_draws.h"
#include "tests/support/recording_surface.h"

namespace vellicord::testing {

struct FigureRig {
  explicit FigureRig(FigureConfig config = {}, int32_t width = 1024, int32_t height = 768,
                     FixedDraws draws = FixedDraws(0.5L, 0.5L, 0.5L, 0, 0))
      : draws(draws), figure(std::make_unique<Figure>()) {
    figure->SetUp(config, width, height, this->draws, surface);
  }
  FixedDraws draws;
  RecordingSurface surface;
  std::unique_ptr<Figure> figure;  // half a megabyte of ring: not on the stack
};

// The slots PaintTrail drew in the last recorded frame, in order.
inline std::vector<int> DrawnSlots(const RecordingSurface& s, const Figure& f) {
  std::vector<int> slots;
  for (const auto& c : s.calls) {
    if (c.kind != RecordingSurface::Call::kPolyline) continue;
    for (int k = 0; k < kRingSlots; ++k) {
      if (c.points == f.Lines[k].Points) slots.push_back(k);
    }
  }
  return slots;
}

}  // namespace vellicord::testing
