// The wide pen, the one home of GDI's wide-pen rule: a polyline's coverage from the pen's
// disc at every vertex and a segment body along every segment, handed on as runs of pixels.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

#include "engine/bit_runs.h"
#include "engine/raster_geometry.h"
#include "engine/surface.h"

namespace vellicord {

class WidePen {
 public:
  // For a width x height buffer, so that drawing never allocates; false, with nothing, when
  // the memory can't be had.
  bool Allocate(int32_t width, int32_t height);
  void Release();
  // Drawn with only when wider than 1.
  void SetWidth(int32_t width);

  // The polyline's pixels, every one once, after its whole coverage is gathered: each row's
  // runs to sink.Run(y, lo, hi) (columns inside the buffer). Joins and ends are the pen's disc at
  // every vertex, so a polyline of one repeated point is a dot, as in GDI.
  template <class Sink>
  void Draw(const Point* points, int32_t count, Sink& sink) {
    if (!ready_) Prepare();
    // Each segment draws the disc at its end; the first also its start.
    for (int32_t i = 0; i + 1 < count; ++i) {
      Segment(points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y, i == 0);
    }
    Flush(sink);
  }

  struct Halves {
    int32_t NarrowX, WideX, NarrowY, WideY;
  };

 private:
  void Prepare();
  void Segment(int64_t x0, int64_t y0, int64_t x1, int64_t y1, bool startDisc);
  void Piece(int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool startDisc);
  bool BodyOf(int64_t dx, int64_t dy, int64_t (&cx)[4], int64_t (&cy)[4]) const;
  Halves HalvesFor(int32_t adx, int32_t ady) const;
  template <class Sink>
  void Flush(Sink& sink);

  int32_t width_ = 0;  // the buffer's
  int32_t height_ = 0;
  int32_t penWidth_ = 1;
  bool ready_ = false;

  // The pen's disc, row by row, and the segment body's half widths for short segments; rebuilt
  // when the width changes.
  std::unique_ptr<Span[]> disc_;
  int32_t discCapacity_ = 0;
  int32_t discFirst_ = 0;  // row offset of disc_[0]
  int32_t discRows_ = 0;
  bool discTabled_ = false;  // false when the disc is taller than the table
  std::unique_ptr<Halves[]> halves_;

  // A polyline's coverage, one bit a pixel, gathered from all its spans before any pixel is
  // handed on, so each pixel is inked once; per row the range of words set.
  std::unique_ptr<uint64_t[]> coverage_;
  int32_t coverageWords_ = 0;                // per row
  std::unique_ptr<int32_t[]> coverageRows_;  // first and last word, per row
  int32_t spanTop_ = INT32_MAX;
  int32_t spanBottom_ = -1;
};

// Each row's runs of covered pixels, handed on and cleared.
template <class Sink>
void WidePen::Flush(Sink& sink) {
  for (int32_t y = spanTop_; y <= spanBottom_; ++y) {
    int32_t* words = coverageRows_.get() + 2 * size_t(y);
    if (words[0] > words[1]) continue;
    TakeRuns(coverage_.get() + size_t(y) * size_t(coverageWords_), words[0], words[1],
             [&](int32_t lo, int32_t hi) { sink.Run(y, lo, hi); });
    words[0] = INT32_MAX;
    words[1] = -1;
  }
  spanTop_ = INT32_MAX;
  spanBottom_ = -1;
}

}  // namespace vellicord
