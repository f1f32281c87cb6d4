// The figure engine's per-tick step and set-up, in extended precision whatever the caller's FPU.
#include "engine/figure.h"

#include <algorithm>
#include <climits>

#include "engine/x87.h"

// Bodies run behind calls the optimiser can't fold into the control-word scope around them.
#define VELLICORD_NOINLINE __attribute__((noinline))

namespace vellicord {

using x87::Cos;
using x87::RoundToInt;
using x87::Sin;

namespace {

constexpr int32_t kWheelSize = 1536;
constexpr int32_t kLockHold = 1000;
constexpr int32_t kRefuseTicks = 200;

long double Abs(long double x) {
  return x < 0 ? -x : x;
}

}  // namespace

void Figure::SetUp(const FigureConfig& config, int32_t windowWidth, int32_t windowHeight,
                   RandomSource& random, DrawSurface& surface) {
  x87::ExtendedPrecisionScope scope;
  WindowWidth = std::max(windowWidth, 0);
  WindowHeight = std::max(windowHeight, 0);
  DimGreen = config.DimGreen;
  SetUpFigure(config.Period, WindowHeight, random);
  SetUpRing(config, surface);
}

VELLICORD_NOINLINE void Figure::SetUpFigure(int32_t period, int32_t windowHeight,
                                            RandomSource& random) {
  Clock = 0;
  Locked = false;
  LockTicks = 0;
  TicksSinceLock = 100000;
  LockedRatio = 0;
  Period = period;
  random.Seed();
  FreqScaleX = ((random.NextReal() + Period) * 2) / 3 + 1;
  FreqScaleY = ((random.NextReal() + Period) * 2) / 3 + 1;
  if (!(FreqScaleY >= 1)) FreqScaleY = 1.0L;
  PhaseOffset = random.NextReal() * kPi;
  PhaseY = 0;
  PhaseX = 0;
  const int32_t hue = random.NextInt(6) * 256 + random.NextInt(256);
  HueOffset = (hue % kWheelSize + kWheelSize) % kWheelSize;
  BoxSize = RoundToInt(windowHeight * kBoxShare);
  Amplitude = RoundToInt(BoxSize * kAmplitudeShare);
}

VELLICORD_NOINLINE void Figure::SetUpRing(const FigureConfig& config, DrawSurface& surface) {
  surface_ = &surface;
  // The settings table limits the count before it comes here; the ring's storage is guarded
  // all the same, since any caller can hand a count.
  LineCount = std::clamp(config.NumberOfLines, 1, kRingSlots);
  for (LineSlot& slot : Lines) {
    slot.PointCount = 0;
    slot.Color = kEmptySlotColor;
    slot.Serial = 0;
  }
  DrawSlot = kRingSlots - 1;
  WriteSlot = LineCount - 1;
  leaving_.PointCount = 0;
  leaving_.Serial = 0;
  painted_ = false;
  BufferHeight = BoxSize;
  BufferWidth = std::max(BufferHeight - 1, 0);
  surface.CreateBuffer(BufferWidth, BufferHeight);
  CenterX = BufferWidth / 2;
  CenterY = BufferHeight / 2;
  surface.SetBrushColor(config.WindowColor);
  surface.SetPenWidth(config.WidthOfLines);
}

void Figure::Tick() {
  x87::ExtendedPrecisionScope scope;
  TickBody();
}

VELLICORD_NOINLINE void Figure::TickBody() {
  DrawCanvas();
  if (LockTicks > kLockHold) Locked = false;
  if (Locked) {
    ++LockTicks;
  } else {
    ++Clock;
    // Counts on for the whole run; held at the top instead of overflowing after 2^31 ticks.
    if (TicksSinceLock < INT32_MAX) ++TicksSinceLock;
  }
  if (Clock == INT32_MAX) Clock = 0;
}

VELLICORD_NOINLINE void Figure::DrawCanvas() {
  const long double a = (static_cast<long double>(Clock) / 500) / 2;
  const long double b = (static_cast<long double>(Clock) / 1900) / 2;
  const long double w = -3 * Sin(b + PhaseOffset);
  const long double freqX = (Cos((a + w) + PhaseOffset) + 1) * FreqScaleX + 1;
  long double freqY = (Sin(a + PhaseOffset) + 1) * FreqScaleY + 1;
  if (TryLockRatio(freqX, freqY)) {
    Locked = true;
    LockTicks = 0;
    TicksSinceLock = 0;
  }
  PhaseX = freqX / 430 + PhaseX;
  PhaseY = (freqY / 430 + PhaseY) + kPhaseYDrift;
  const LineSlot& overwritten = Lines[WriteSlot];
  std::copy_n(overwritten.Points, overwritten.PointCount, leaving_.Points);
  leaving_.PointCount = overwritten.PointCount;
  leaving_.Color = overwritten.Color;
  leaving_.Serial = overwritten.Serial;
  SampleCurve(WriteSlot, freqX, freqY, PhaseY, PhaseX);
  AssignLineColor(WriteSlot);
  PaintTrail();
  NextSlot(DrawSlot);
  NextSlot(WriteSlot);
}

bool Figure::TryLockRatio(long double freqX, long double& freqY) {
  for (int32_t i = 1; i <= 7 && freqX >= i; ++i) {
    for (int32_t j = 1; j <= 7 && freqY >= j; ++j) {
      if (!((i + j) * kRatioTolerance > Abs(freqX * j - freqY * i))) continue;
      const long double r = static_cast<long double>(j) / i;
      if (TicksSinceLock <= kRefuseTicks && Abs(LockedRatio - r) <= kSameRatio) return false;
      LockedRatio = r;
      freqY = freqX * r;
      return true;
    }
  }
  return false;
}

void Figure::GetNewWaveData(int32_t slot, long double freqX, long double freqY, long double phaseY,
                            long double phaseX) {
  x87::ExtendedPrecisionScope scope;
  SampleCurve(slot, freqX, freqY, phaseY, phaseX);
}

VELLICORD_NOINLINE void Figure::SampleCurve(int32_t slot, long double freqX, long double freqY,
                                            long double phaseY, long double phaseX) {
  LineSlot& line = Lines[slot];
  long double m = freqY >= freqX ? freqY : freqX;
  if (m > kMaxSampledFreq) m = kMaxSampledFreq;
  const long double step = kPiOver30 / m;
  long double s = -kPi;
  int32_t n = 0;
  while (s <= kPi + step) {
    const long double t = s <= kPi ? s : kPi;
    const long double x = Cos(freqX * t + phaseX) * Amplitude + CenterX;
    const long double y = Sin(freqY * t + phaseY) * Amplitude + CenterY;
    line.Points[n] = Point{RoundToInt(x), RoundToInt(y)};
    ++n;
    s = s + step;
  }
  line.PointCount = n;
  line.Serial = ++sampled_;
}

ColorValue WheelColor(int32_t clock, int32_t hueOffset, bool dimGreen) {
  const int32_t p = (clock / 3 + hueOffset) % kWheelSize;
  const int32_t v = p % 256;
  int32_t red = 0, green = 0, blue = 0;
  switch (p / 256) {
    case 0:
      red = v, green = 0, blue = 255;
      break;
    case 1:
      red = 255, green = 0, blue = 255 - v;
      break;
    case 2:
      red = 255, green = v, blue = 0;
      break;
    case 3:
      red = 255 - v, green = 255, blue = 0;
      break;
    case 4:
      red = 0, green = 255, blue = v;
      break;
    default:
      red = 0, green = 255 - v, blue = 255;
      break;
  }
  if (dimGreen) green = green * 4 / 5;
  return 2u * 16777216u + static_cast<ColorValue>(blue) * 65536u +
         static_cast<ColorValue>(green) * 256u + static_cast<ColorValue>(red);
}

void Figure::AssignLineColor(int32_t slot) {
  Lines[slot].Color = WheelColor(Clock, HueOffset, DimGreen);
}

void Figure::PaintTrail() {
  TrailFrame frame;
  int32_t i = DrawSlot;
  do {
    trail_[frame.Count++] = {Lines[i].Points, Lines[i].PointCount, Lines[i].Color, i,
                             Lines[i].Serial};
    NextSlot(i);
  } while (i != WriteSlot);
  frame.Lines = trail_;
  frame.Stepped = painted_;
  frame.Leaving = {leaving_.Points, leaving_.PointCount, leaving_.Color, WriteSlot,
                   leaving_.Serial};
  frame.X = (WindowWidth - BufferWidth) / 2;
  frame.Y = (WindowHeight - BufferHeight) / 2;
  surface_->DrawTrail(frame);
  painted_ = true;
}

void Figure::NextSlot(int32_t& index) const {
  ++index;
  if (index >= LineCount) index = 0;
}

}  // namespace vellicord
