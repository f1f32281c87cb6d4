// The figure engine: animation clock, ratio lock, curve sampling, colour wheel and trail ring.
#pragma once

#include <cstdint>

#include "engine/random.h"
#include "engine/surface.h"

namespace vellicord {

// The trail ring's slots: the most lines the saver draws at once (NumberOfLines is held to
// it). The raster's own slot limits, KeptCurves::kKeptSlots and kMaxRecordedSlot, take in
// every one of them.
inline constexpr int32_t kRingSlots = 31;
inline constexpr int32_t kSlotPoints = 2001;

// The widest pen the saver draws with; the settings table limits hand-edited widths to it.
inline constexpr int32_t kMaxPenWidth = 10;
// Above this frequency a curve is sampled at this frequency's step, so it still runs from -pi
// to pi but in at most 60 * 33 + 2 points, well inside a slot.
inline constexpr long double kMaxSampledFreq = 33.0L;
// The highest Period the saver sets a figure up with. Its frequencies stay below
// kMaxSampledFreq, so every curve is sampled at its own step; above it the samples of a curve
// land anywhere across the box and each tick draws several times what the dialog's settings
// ever draw, more than a slow machine draws within the fastest interval.
inline constexpr int32_t kMaxPeriod = 21;
// The largest frequency a Period reaches: both scales below (1 + Period) * 2 / 3 + 1, doubled
// and one added, then raised by the ratio lock by less than 0.007.
static_assert(2 * ((1 + kMaxPeriod) * 2.0L / 3 + 1) + 1 + 0.007L < kMaxSampledFreq);
static_assert(2 * ((1 + (kMaxPeriod + 1)) * 2.0L / 3 + 1) + 1 > kMaxSampledFreq);

// Real constants: the extended values nearest to the numbers they stand for.
inline constexpr long double kPi = 0xc90fdaa22168c235p-62L;
inline constexpr long double kPiOver30 = 0xd6774f9bdf5ead05p-67L;
inline constexpr long double kBoxShare = 0xd99999999999999ap-64L;        // 0.85
inline constexpr long double kAmplitudeShare = 0xfae147ae147ae148p-65L;  // 0.49
inline constexpr long double kRatioTolerance = 0x83126e978d4fdf3bp-73L;  // 0.001
inline constexpr long double kSameRatio = 0xa3d70a3d70a3d70ap-70L;       // 0.01
inline constexpr long double kPhaseYDrift = 0xc6d5bf60ee9a18dbp-70L;     // 5/412

inline constexpr ColorValue kEmptySlotColor = 0x00FF0000;

struct LineSlot {
  Point Points[kSlotPoints];
  ColorValue Color;
  int32_t PointCount;
  uint64_t Serial;  // the sampling that drew the points (TrailLine::Serial); 0 before the first
};

// What the window hands the engine at creation: the settings within their limits
// (FigureConfigFor). A line count outside the ring is still kept inside it.
struct FigureConfig {
  int32_t Period = 1;
  int32_t NumberOfLines = 4;
  int32_t WidthOfLines = 1;
  ColorValue WindowColor = kBlack;
  // BGcolor is exactly "White": the colour wheel dims green.
  bool DimGreen = false;
};

// All animation state in one plain object: fixed storage, nothing allocated after set-up.
class Figure {
 public:
  // The figure and ring set-up of window creation. The surface must outlive the figure.
  void SetUp(const FigureConfig& config, int32_t windowWidth, int32_t windowHeight,
             RandomSource& random, DrawSurface& surface);
  // One timer tick: draws a frame, then keeps the clock and the lock counters.
  void Tick();
  void GetNewWaveData(int32_t slot, long double freqX, long double freqY, long double phaseY,
                      long double phaseX);

  int32_t Clock = 0;
  int32_t LockTicks = 0;
  int32_t TicksSinceLock = 100000;
  bool Locked = false;
  int32_t Amplitude = 0;
  int32_t BoxSize = 0;
  long double FreqScaleX = 0;
  long double FreqScaleY = 0;
  long double PhaseOffset = 0;
  long double PhaseY = 0;
  long double PhaseX = 0;
  int32_t Period = 1;
  int32_t HueOffset = 0;
  long double LockedRatio = 0;

  LineSlot Lines[kRingSlots];
  int32_t LineCount = 1;
  int32_t WriteSlot = 0;
  int32_t DrawSlot = kRingSlots - 1;

  int32_t BufferWidth = 0;
  int32_t BufferHeight = 0;
  int32_t CenterX = 0;
  int32_t CenterY = 0;
  int32_t WindowWidth = 0;
  int32_t WindowHeight = 0;
  bool DimGreen = false;

 private:
  void SetUpFigure(int32_t period, int32_t windowHeight, RandomSource& random);
  void SetUpRing(const FigureConfig& config, DrawSurface& surface);
  void TickBody();
  // The frame of one tick: frequencies, lock, phases, the new curve, its colour, the trail.
  void DrawCanvas();
  void SampleCurve(int32_t slot, long double freqX, long double freqY, long double phaseY,
                   long double phaseX);
  bool TryLockRatio(long double freqX, long double& freqY);
  void AssignLineColor(int32_t slot);
  void PaintTrail();
  void NextSlot(int32_t& index) const;

  DrawSurface* surface_ = nullptr;
  // The curve the new one overwrites, kept for the surface to take off the picture, and the
  // frame's curves in painting order: fixed storage, filled every tick.
  LineSlot leaving_;
  TrailLine trail_[kRingSlots];
  // A frame has been painted since set-up: every later one is a step from the one before.
  bool painted_ = false;
  // Curves sampled so far: the serial of the last one.
  uint64_t sampled_ = 0;
};

// The wheel colour for one clock value; exposed for tools that colour without a figure.
ColorValue WheelColor(int32_t clock, int32_t hueOffset, bool dimGreen);

}  // namespace vellicord
