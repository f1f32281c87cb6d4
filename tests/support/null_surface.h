// A drawing surface that draws nothing: for timing and counting the engine on its own.
#pragma once

#include "engine/surface.h"

namespace vellicord {

class NullSurface final : public DrawSurface {
 public:
  void CreateBuffer(int32_t, int32_t) override {}
  void SetBrushColor(ColorValue) override {}
  void SetPenWidth(int32_t) override {}
  void SetPenColor(ColorValue) override {}
  void Clear() override {}
  void Polyline(const Point*, int32_t) override {}
  void CopyToWindow(int32_t, int32_t) override {}
};

}  // namespace vellicord
