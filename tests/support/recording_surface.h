// A drawing surface that remembers what was asked of it: the calls in order, and on request
// copies of whole frames to replay on another surface.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/surface.h"

namespace vellicord {

struct RecordedLine {
  ColorValue Color = 0;
  std::vector<Point> Points;
  int32_t Slot = 0;
  uint64_t Serial = 0;
};

struct RecordedFrame {
  ColorValue Background = kBlack;
  int32_t PenWidth = 1;
  std::vector<RecordedLine> Lines;
  // For trail frames: the curve that left the picture with this frame.
  RecordedLine Leaving{};
};

class RecordingSurface : public DrawSurface {
 public:
  struct Call {
    enum Kind { kCreate, kBrush, kPenWidth, kPenColor, kClear, kPolyline, kCopy } kind;
    int32_t a = 0;  // width, colour, pen width, point count or x
    int32_t b = 0;  // height or y
    const Point* points = nullptr;
  };

  static constexpr bool kKeepFrames = true;

  RecordingSurface() = default;
  // keepFrames: every frame's lines are copied too, from its clear on. log: each call is also
  // written there as a line of text ("CreateBuffer 652x653", "Brush 0", "Copy 186,57").
  explicit RecordingSurface(bool keepFrames, std::vector<std::string>* log = nullptr)
      : keepFrames_(keepFrames), log_(log) {}

  void CreateBuffer(int32_t width, int32_t height) override {
    Width = width;
    Height = height;
    Add({Call::kCreate, width, height});
  }
  void SetBrushColor(ColorValue color) override {
    brush_ = color;
    Add({Call::kBrush, static_cast<int32_t>(color)});
  }
  void SetPenWidth(int32_t width) override {
    penWidth_ = width;
    Add({Call::kPenWidth, width});
  }
  void SetPenColor(ColorValue color) override {
    pen_ = color;
    Add({Call::kPenColor, static_cast<int32_t>(color)});
  }
  void Clear() override {
    if (keepFrames_) Frames.push_back({brush_, penWidth_, {}});
    Add({Call::kClear});
  }
  void Polyline(const Point* points, int32_t count) override {
    if (keepFrames_ && !Frames.empty()) {
      RecordedLine line{pen_, {}};
      if (count > 0) line.Points.assign(points, points + count);
      Frames.back().Lines.push_back(std::move(line));
    }
    Add({Call::kPolyline, count, 0, points});
  }
  void CopyToWindow(int32_t x, int32_t y) override { Add({Call::kCopy, x, y}); }
  // The calls of a full repaint; a kept frame also learns its curves' slots and the curve that
  // left, so it can be replayed stepped.
  void DrawTrail(const TrailFrame& frame) override {
    DrawSurface::DrawTrail(frame);
    if (!keepFrames_ || Frames.empty()) return;
    RecordedFrame& f = Frames.back();
    for (int32_t i = 0; i < frame.Count; ++i) {
      f.Lines[size_t(i)].Slot = frame.Lines[i].Slot;
      f.Lines[size_t(i)].Serial = frame.Lines[i].Serial;
    }
    const TrailLine& l = frame.Leaving;
    f.Leaving = {l.Color, std::vector<Point>(l.Points, l.Points + l.Count), l.Slot, l.Serial};
  }

  size_t Count(Call::Kind kind) const {
    size_t n = 0;
    for (const Call& c : calls) n += c.kind == kind;
    return n;
  }

  std::vector<Call> calls;
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<RecordedFrame> Frames;
  int32_t PenWidth() const { return penWidth_; }
  ColorValue BrushColor() const { return brush_; }

 private:
  void Add(const Call& call) {
    calls.push_back(call);
    if (log_ != nullptr) log_->push_back(Text(call));
  }
  static std::string Text(const Call& c) {
    const std::string a = std::to_string(c.a), b = std::to_string(c.b);
    const std::string colour = std::to_string(static_cast<ColorValue>(c.a));
    switch (c.kind) {
      case Call::kCreate:
        return "CreateBuffer " + a + "x" + b;
      case Call::kBrush:
        return "Brush " + colour;
      case Call::kPenWidth:
        return "PenWidth " + a;
      case Call::kPenColor:
        return "PenColor " + colour;
      case Call::kClear:
        return "Clear";
      case Call::kPolyline:
        return "Polyline " + a;
      default:
        return "Copy " + a + "," + b;
    }
  }

  bool keepFrames_ = false;
  std::vector<std::string>* log_ = nullptr;
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
    lines[i] = {l.Points.data(), static_cast<int32_t>(l.Points.size()), l.Color, l.Slot, l.Serial};
  }
  f.Lines = lines;
  f.Stepped = stepped;
  const RecordedLine& l = frame.Leaving;
  f.Leaving = {l.Points.data(), static_cast<int32_t>(l.Points.size()), l.Color, l.Slot, l.Serial};
  surface.DrawTrail(f);
}

}  // namespace vellicord
