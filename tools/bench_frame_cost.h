// The parts of one frame's cost, timed apart: the engine's tick against a surface that does
// nothing, the rasterizer on the frames that tick draws, and the floors each stands beside.
// Shared by the native benchmark and the Windows one, which adds the copy to a real window.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tests/support/recording_surface.h"

namespace vellicord::bench {

struct FrameCase {
  const char* Name;
  int32_t ScreenWidth, ScreenHeight;
  int32_t Lines, PenWidth, Period;
};

// The defaults and the heaviest stored settings, on a 1080p and the virtual display's screen.
std::vector<FrameCase> FrameCases();

// Microseconds per call of `work`: the best mean of five batches, each at least `seconds` / 5
// long, so a batch that shared its core with another process doesn't count.
double BestMeanUs(const std::function<void()>& work, double seconds);

struct RecordedCase {
  int32_t BufferWidth = 0, BufferHeight = 0;
  // Frames of a running figure, recorded after its ring has filled.
  std::vector<RecordedFrame> Frames;
};

RecordedCase RecordFrames(const FrameCase& c, int32_t count);

// One Figure::Tick with nothing drawn: sampling, colour, ring, clock.
double EngineTickUs(const FrameCase& c, double seconds);
// The fsin/fcos the same ticks evaluate, on their own: the engine's floor.
double TrigFloorUs(const FrameCase& c, double seconds);
// Clear and polylines of one recorded frame into a RasterSurface.
double RasterUs(const RecordedCase& r, double seconds);
// One write (memset) and one copy (memcpy) of the buffer's bytes: the rasterizer's and the
// copy's floors.
double MemsetUs(int32_t width, int32_t height, double seconds);
double MemcpyUs(int32_t width, int32_t height, double seconds);

// One line per case for scripts/bench.sh, "frame|case|WxH|" then engine, trig floor, raster,
// memset and memcpy in microseconds.
void PrintFrameParts(double seconds);

}  // namespace vellicord::bench
