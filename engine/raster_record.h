// A drawing surface that keeps copies of whole frames, to replay them on another surface.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/surface.h"

namespace vellicord {

struct RecordedLine {
  ColorValue Color = 0;
  std::vector<Point> Points;
  int32_t Slot = 0;
};

struct RecordedFrame {
  ColorValue Background = kBlack;
  int32_t PenWidth = 1;
  std::vector<RecordedLine> Lines;
  // For trail frames: the curve that left the picture with this frame.
  RecordedLine Leaving{};
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
  void DrawTrail(const TrailFrame& frame) override {
    DrawSurface::DrawTrail(frame);
    if (Frames.empty()) return;
    RecordedFrame& f = Frames.back();
    for (int32_t i = 0; i < frame.Count; ++i) f.Lines[size_t(i)].Slot = frame.Lines[i].Slot;
    const TrailLine& l = frame.Leaving;
    f.Leaving = {l.Color, std::vector<Point>(l.Points, l.Points + l.Count), l.Slot};
  }

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

// Draws a recorded trail frame as the figure hands it over: in full, or stepped from the frame
// recorded before it, which must be the last one drawn on the surface.
inline void ReplayTrail(const RecordedFrame& frame, bool stepped, DrawSurface& surface) {
  TrailLine lines[64];
  TrailFrame f;
  f.Count = static_cast<int32_t>(std::min<size_t>(frame.Lines.size(), 64));
  for (int32_t i = 0; i < f.Count; ++i) {
    const RecordedLine& l = frame.Lines[size_t(i)];
    lines[i] = {l.Points.data(), static_cast<int32_t>(l.Points.size()), l.Color, l.Slot};
  }
  f.Lines = lines;
  f.Stepped = stepped;
  const RecordedLine& l = frame.Leaving;
  f.Leaving = {l.Points.data(), static_cast<int32_t>(l.Points.size()), l.Color, l.Slot};
  surface.DrawTrail(f);
}

}  // namespace vellicord
