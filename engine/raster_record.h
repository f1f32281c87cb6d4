// A drawing surface that keeps copies of whole frames, to replay them on another surface.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/surface.h"

namespace vellicord {

struct RecordedLine {
  ColorValue Color = 0;
  std::vector<Point> Points;
};

struct RecordedFrame {
  ColorValue Background = kBlack;
  int32_t PenWidth = 1;
  std::vector<RecordedLine> Lines;
};

// For tools and tests only: it allocates for every polyline it sees.
class FrameRecorder final : public DrawSurface {
 public:
  void CreateBuffer(int32_t width, int32_t height) override {
    Width = width;
    Height = height;
  }
  void SetBrushColor(ColorValue color) override { brush_ = color; }
  void SetPenWidth(int32_t width) override { penWidth_ = width; }
  void SetPenColor(ColorValue color) override { pen_ = color; }
  // A clear starts a frame.
  void Clear() override { Frames.push_back({brush_, penWidth_, {}}); }
  void Polyline(const Point* points, int32_t count) override {
    if (Frames.empty()) return;
    RecordedLine line{pen_, {}};
    if (count > 0) line.Points.assign(points, points + count);
    Frames.back().Lines.push_back(std::move(line));
  }
  void CopyToWindow(int32_t, int32_t) override {}

  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<RecordedFrame> Frames;

 private:
  ColorValue brush_ = kWhite;
  ColorValue pen_ = 0;
  int32_t penWidth_ = 1;
};

// Draws a recorded frame the way the figure draws one, without the copy to the window.
inline void Replay(const RecordedFrame& frame, DrawSurface& surface) {
  surface.SetBrushColor(frame.Background);
  surface.SetPenWidth(frame.PenWidth);
  surface.Clear();
  for (const RecordedLine& line : frame.Lines) {
    surface.SetPenColor(line.Color);
    surface.Polyline(line.Points.data(), static_cast<int32_t>(line.Points.size()));
  }
}

}  // namespace vellicord
