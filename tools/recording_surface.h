// A drawing surface that only remembers what was asked of it, for the trace tool and tests.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/surface.h"

namespace vellicord {

class RecordingSurface : public DrawSurface {
 public:
  struct Call {
    enum Kind { kCreate, kBrush, kPenWidth, kPenColor, kClear, kPolyline, kCopy } kind;
    int32_t a = 0;  // width, colour, pen width, point count or x
    int32_t b = 0;  // height or y
    const Point* points = nullptr;
  };

  void CreateBuffer(int32_t width, int32_t height) override {
    calls.push_back({Call::kCreate, width, height});
  }
  void SetBrushColor(ColorValue color) override {
    calls.push_back({Call::kBrush, static_cast<int32_t>(color)});
  }
  void SetPenWidth(int32_t width) override { calls.push_back({Call::kPenWidth, width}); }
  void SetPenColor(ColorValue color) override {
    calls.push_back({Call::kPenColor, static_cast<int32_t>(color)});
  }
  void Clear() override { calls.push_back({Call::kClear}); }
  void Polyline(const Point* points, int32_t count) override {
    calls.push_back({Call::kPolyline, count, 0, points});
  }
  void CopyToWindow(int32_t x, int32_t y) override { calls.push_back({Call::kCopy, x, y}); }

  std::vector<Call> calls;
};

}  // namespace vellicord
