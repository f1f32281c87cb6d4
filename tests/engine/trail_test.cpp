// The trail ring: set-up, painting order, frame placement, and the guards on hand-edited values.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "engine/figure.h"
#include "settings/saver_settings.h"
#include "tests/support/figure_rig.h"

namespace vellicord {
namespace {

using Call = RecordingSurface::Call;
using testing::DrawnSlots;
using testing::FigureRig;

FigureConfig Lines(int32_t n) {
  return FigureConfig{1, n, 1, kBlack, false};
}

TEST(Ring, SetUpResetsEverySlotAndAsksForTheBuffer) {
  FigureRig rig({1, 4, 3, kWhite, false}, 1024, 768);
  const Figure& f = *rig.figure;
  for (const LineSlot& s : f.Lines) {
    EXPECT_EQ(s.PointCount, 0);
    EXPECT_EQ(s.Color, kEmptySlotColor);
  }
  EXPECT_EQ(f.DrawSlot, 30);
  EXPECT_EQ(f.WriteSlot, 3);
  EXPECT_EQ(f.BufferWidth, 652);
  EXPECT_EQ(f.BufferHeight, 653);
  EXPECT_EQ(f.CenterX, 326);
  EXPECT_EQ(f.CenterY, 326);
  const auto& c = rig.surface.calls;
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].kind, Call::kCreate);
  EXPECT_EQ(c[0].a, 652);
  EXPECT_EQ(c[0].b, 653);
  EXPECT_EQ(c[1].kind, Call::kBrush);
  EXPECT_EQ(static_cast<ColorValue>(c[1].a), kWhite);
  EXPECT_EQ(c[2].kind, Call::kPenWidth);
  EXPECT_EQ(c[2].a, 3);
}

// Which slots each of the first ticks draws, and which hold a curve (PointCount > 0).
TEST(Ring, PaintingOrderOverTheFirstTicks) {
  const struct {
    int32_t lines;
    std::vector<std::vector<int>> drawn;  // per tick
  } cases[] = {
      {1, {{30}, {0}, {0}}},
      {4, {{30, 0, 1, 2}, {0, 1, 2, 3}, {1, 2, 3, 0}, {2, 3, 0, 1}, {3, 0, 1, 2}}},
      {2, {{30, 0}, {0, 1}, {1, 0}}},
  };
  for (const auto& c : cases) {
    FigureRig rig(Lines(c.lines));
    Figure& f = *rig.figure;
    for (size_t t = 0; t < c.drawn.size(); ++t) {
      rig.surface.calls.clear();
      f.Tick();
      EXPECT_EQ(DrawnSlots(rig.surface, f), c.drawn[t]) << c.lines << " lines, tick " << t + 1;
      EXPECT_EQ(f.DrawSlot, f.WriteSlot);
    }
  }
}

TEST(Ring, FirstFrameShowsOnlyTheBackgroundUnlessAllSlotsAreInUse) {
  for (int32_t n : {1, 4, 10, 30, 31}) {
    FigureRig rig(Lines(n));
    rig.figure->Tick();
    int drawnPoints = 0;
    for (const auto& call : rig.surface.calls) {
      if (call.kind == Call::kPolyline && call.a >= 2) ++drawnPoints;
    }
    EXPECT_EQ(drawnPoints, n == 31 ? 1 : 0) << n;
    EXPECT_EQ(rig.figure->DrawSlot, 0);
    EXPECT_EQ(rig.figure->WriteSlot, 0);
  }
}

TEST(Ring, NewestCurveIsPaintedFirstAndThePreviousOneLast) {
  FigureRig rig(Lines(4));
  Figure& f = *rig.figure;
  for (int t = 0; t < 4; ++t) f.Tick();
  // Tick 5 writes slot 3 (which held tick 1's curve), draws it first, then 0, 1, 2 where
  // slot 2 holds the curve of tick 4.
  rig.surface.calls.clear();
  const ColorValue tick4 = f.Lines[2].Color;
  f.Tick();
  EXPECT_EQ(DrawnSlots(rig.surface, f), (std::vector<int>{3, 0, 1, 2}));
  const auto& calls = rig.surface.calls;
  ASSERT_EQ(calls.front().kind, Call::kClear);
  ASSERT_EQ(calls.back().kind, Call::kCopy);
  // The last pen colour set before the last polyline is slot 2's.
  const Call& lastPen = calls[calls.size() - 3];
  ASSERT_EQ(lastPen.kind, Call::kPenColor);
  EXPECT_EQ(static_cast<ColorValue>(lastPen.a), tick4);
}

TEST(Frame, IsCopiedToTheMiddleOfTheWindow) {
  const struct {
    int32_t width, height, x, y;
  } cases[] = {
      {1024, 768, 186, 57},
      {768, 1024, -50, 77},  // portrait: buffer 869 wide, truncated toward zero, not -51
      {152, 112, 29, 8},     // preview host: box 95, buffer 94 x 95
      {1920, 1080, 501, 81},
  };
  for (const auto& c : cases) {
    FigureRig rig(Lines(4), c.width, c.height);
    rig.figure->Tick();
    const Call& copy = rig.surface.calls.back();
    ASSERT_EQ(copy.kind, Call::kCopy);
    EXPECT_EQ(copy.a, c.x) << c.width << "x" << c.height;
    EXPECT_EQ(copy.b, c.y) << c.width << "x" << c.height;
  }
}

TEST(Guards, HandEditedCountsAndWidthsAreBounded) {
  const struct {
    int32_t lines, width;
    int32_t lineCount, penWidth;
  } cases[] = {
      {INT_MIN, INT_MIN, 1, 1}, {-1, -1, 1, 1},   {0, 0, 1, 1},       {1, 1, 1, 1},
      {10, 10, 10, 10},         {31, 11, 31, 10}, {32, 1000, 31, 10}, {INT_MAX, INT_MAX, 31, 10},
  };
  for (const auto& c : cases) {
    SaverSettings settings;
    settings.NumberOfLines = c.lines;
    settings.WidthOfLines = c.width;
    FigureRig rig(FigureConfigFor(settings));
    EXPECT_EQ(rig.figure->LineCount, c.lineCount) << c.lines;
    EXPECT_EQ(rig.figure->WriteSlot, c.lineCount - 1);
    EXPECT_EQ(rig.surface.calls[2].a, c.penWidth) << c.width;
  }
}

// A surface that fails the test on any polyline outside the ring or past a slot's end.
class CheckingSurface : public RecordingSurface {
 public:
  explicit CheckingSurface(const Figure* f) : figure_(f) {}
  void Polyline(const Point* points, int32_t count) override {
    bool inRing = false;
    for (const LineSlot& s : figure_->Lines) inRing |= points == s.Points;
    EXPECT_TRUE(inRing);
    EXPECT_GE(count, 0);
    EXPECT_LE(count, kSlotPoints);
    ++polylines;
  }
  int polylines = 0;

 private:
  const Figure* figure_;
};

TEST(Guards, NoSettingOrHeightReachesPastTheStorage) {
  const int32_t periods[] = {INT_MIN, -1000000, -2, -1, 0, 2, 3, 21, 22, 23, 1000, INT_MAX};
  const int32_t lines[] = {INT_MIN, 0, 1, 31, 32, INT_MAX};
  const int32_t heights[] = {0, 1, 2, 112, 1080, 1 << 20, INT_MAX};
  auto figure = std::make_unique<Figure>();
  for (int32_t p : periods) {
    for (int32_t n : lines) {
      for (int32_t h : heights) {
        CheckingSurface surface(figure.get());
        FixedDraws draws(0.999L, 0.001L, 0.7L, 5, 255);
        figure->SetUp({p, n, 1, kBlack, false}, h, h, draws, surface);
        for (int t = 0; t < 3; ++t) figure->Tick();
        const Figure& f = *figure;
        ASSERT_GE(f.LineCount, 1);
        ASSERT_LE(f.LineCount, kSlotCount);
        ASSERT_EQ(surface.polylines, 3 * f.LineCount) << p << " " << n << " " << h;
        for (const LineSlot& s : f.Lines) {
          ASSERT_LE(s.PointCount, 1982) << p << " " << n << " " << h;
          for (int k = 0; k < s.PointCount; ++k) {
            // Every point stays within the amplitude of the centre: no int overflow.
            ASSERT_LE(static_cast<int64_t>(s.Points[k].X) - f.CenterX, f.Amplitude);
            ASSERT_GE(static_cast<int64_t>(s.Points[k].X) - f.CenterX, -f.Amplitude);
            ASSERT_LE(static_cast<int64_t>(s.Points[k].Y) - f.CenterY, f.Amplitude);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace vellicord
