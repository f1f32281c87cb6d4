// RasterSurface: pixels against pictures GDI drew under Wine, clipping, sizes and the frame's
// layout.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/figure.h"
#include "engine/raster.h"
#include "tests/raster/raster_fixture.h"
#include "tests/support/fixed_draws.h"

namespace vellicord {
namespace {

using testing::PenOn;
using testing::Picture;

struct PictureCase {
  const char* name;
  int32_t width;
  std::vector<Point> points;
  const char* rows;  // 12 rows of 16, '#' for the pen's pixels
};

// Each picture is what Wine's GDI drew for the same polyline on a 16x12 memory bitmap, pen
// made by CreatePenIndirect.
const PictureCase kGdiPictures[] = {
    {"octant 1: right, shallow down",
     1,
     {{2, 2}, {9, 5}},
     "................"
     "................"
     "..##............"
     "....##.........."
     "......##........"
     "........#......."
     "................"
     "................"
     "................"
     "................"
     "................"
     "................"},
    {"octant 5: left, shallow up",
     1,
     {{9, 5}, {2, 2}},
     "................"
     "................"
     "...#............"
     "....##.........."
     "......##........"
     "........##......"
     "................"
     "................"
     "................"
     "................"
     "................"
     "................"},
    {"octant 2: steep down-right",
     1,
     {{2, 2}, {5, 9}},
     "................"
     "................"
     "..#............."
     "..#............."
     "...#............"
     "...#............"
     "....#..........."
     "....#..........."
     ".....#.........."
     "................"
     "................"
     "................"},
    {"octant 6: steep up-left",
     1,
     {{5, 9}, {2, 2}},
     "................"
     "................"
     "................"
     "..#............."
     "...#............"
     "...#............"
     "....#..........."
     "....#..........."
     ".....#.........."
     ".....#.........."
     "................"
     "................"},
    {"octant 8: right, shallow up",
     1,
     {{2, 9}, {9, 6}},
     "................"
     "................"
     "................"
     "................"
     "................"
     "................"
     "........#......."
     "......##........"
     "....##.........."
     "..##............"
     "................"
     "................"},
    {"octant 4: left, shallow down",
     1,
     {{9, 6}, {2, 9}},
     "................"
     "................"
     "................"
     "................"
     "................"
     "................"
     "........##......"
     "......##........"
     "....##.........."
     "...#............"
     "................"
     "................"},
    {"octant 7: steep up-right",
     1,
     {{2, 9}, {5, 2}},
     "................"
     "................"
     "................"
     ".....#.........."
     "....#..........."
     "....#..........."
     "...#............"
     "...#............"
     "..#............."
     "..#............."
     "................"
     "................"},
    {"octant 3: steep down-left",
     1,
     {{5, 2}, {2, 9}},
     "................"
     "................"
     ".....#.........."
     ".....#.........."
     "....#..........."
     "....#..........."
     "...#............"
     "...#............"
     "..#............."
     "................"
     "................"
     "................"},
    {"ties, octant 1",
     1,
     {{2, 2}, {8, 5}},
     "................"
     "................"
     "..##............"
     "....##.........."
     "......##........"
     "................"
     "................"
     "................"
     "................"
     "................"
     "................"
     "................"},
    {"ties, octant 5",
     1,
     {{8, 5}, {2, 2}},
     "................"
     "................"
     "...#............"
     "....##.........."
     "......##........"
     "........#......."
     "................"
     "................"
     "................"
     "................"
     "................"
     "................"},
    {"width 0, diagonal",
     0,
     {{3, 3}, {9, 9}},
     "................"
     "................"
     "................"
     "...#............"
     "....#..........."
     ".....#.........."
     "......#........."
     ".......#........"
     "........#......."
     "................"
     "................"
     "................"},
    {"closed square: corners once, last point drawn by the first segment",
     1,
     {{1, 1}, {6, 1}, {6, 6}, {1, 6}, {1, 1}},
     "................"
     ".######........."
     ".#....#........."
     ".#....#........."
     ".#....#........."
     ".#....#........."
     ".######........."
     "................"
     "................"
     "................"
     "................"
     "................"},
    {"width 2 dot",
     2,
     {{7, 6}, {7, 6}},
     "................"
     "................"
     "................"
     "................"
     "................"
     "......##........"
     "......##........"
     "................"
     "................"
     "................"
     "................"
     "................"},
    {"width 3 segment",
     3,
     {{4, 4}, {10, 7}},
     "................"
     "................"
     "................"
     "....###........."
     "...######......."
     "...########....."
     ".....######....."
     ".......#####...."
     "..........#....."
     "................"
     "................"
     "................"},
    {"width 2 segment",
     2,
     {{4, 4}, {10, 7}},
     "................"
     "................"
     "................"
     "...##..........."
     "...####........."
     "....#####......."
     "......#####....."
     "........###....."
     "................"
     "................"
     "................"
     "................"},
    {"width 10 dot",
     10,
     {{7, 6}, {7, 6}},
     "................"
     ".....####......."
     "....######......"
     "...########....."
     "..##########...."
     "..##########...."
     "..##########...."
     "..##########...."
     "...########....."
     "....######......"
     ".....####......."
     "................"},
    {"width 10 short segment",
     10,
     {{5, 6}, {9, 7}},
     "................"
     "...####........."
     "..#########....."
     ".###########...."
     "#############..."
     "##############.."
     "##############.."
     "##############.."
     ".#############.."
     "..###########..."
     "...#########...."
     "....#######....."},
    {"width 3 join",
     3,
     {{2, 9}, {7, 3}, {12, 9}},
     "................"
     "................"
     ".......#........"
     "......####......"
     ".....######....."
     "....########...."
     "...##########..."
     "..#####..#####.."
     ".#####....####.."
     ".####......###.."
     "..#.........#..."
     "................"},
};

TEST(RasterPictures, MatchWhatGdiDrew) {
  for (const PictureCase& c : kGdiPictures) {
    RasterSurface s;
    s.CreateBuffer(16, 12);
    PenOn(s, c.width);
    s.Polyline(c.points.data(), int32_t(c.points.size()));
    EXPECT_EQ(Picture(s), std::string(c.rows)) << c.name << "\n" << testing::Rows(Picture(s), 16);
  }
}

TEST(RasterThin, WidthsZeroAndOneDrawTheSame) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> coord(-5, 25);
  for (int round = 0; round < 50; ++round) {
    std::vector<Point> pts(6);
    for (Point& p : pts) p = {coord(rng), coord(rng)};
    RasterSurface a, b;
    a.CreateBuffer(20, 20);
    b.CreateBuffer(20, 20);
    PenOn(a, 0);
    PenOn(b, 1);
    a.Polyline(pts.data(), 6);
    b.Polyline(pts.data(), 6);
    EXPECT_EQ(Picture(a), Picture(b));
  }
}

TEST(RasterThin, EachVertexOnceAndTheLastPointLeftOut) {
  RasterSurface s;
  s.CreateBuffer(16, 12);
  PenOn(s, 1);
  const Point pts[] = {{1, 1}, {5, 1}, {5, 4}};
  s.Polyline(pts, 3);
  const std::string p = Picture(s);
  EXPECT_EQ(p.substr(16, 16), ".#####..........");  // (5, 1) is lit by the second segment
  EXPECT_EQ(p[2 * 16 + 5], '#');
  EXPECT_EQ(p[3 * 16 + 5], '#');
  EXPECT_EQ(p[4 * 16 + 5], '.');  // the last point
}

TEST(RasterPolyline, FewerThanTwoPointsDrawNothing) {
  const Point one[] = {{4, 4}};
  for (int32_t width : {0, 1, 2, 3, 10}) {
    RasterSurface s;
    s.CreateBuffer(16, 12);
    PenOn(s, width);
    s.Polyline(one, 1);
    s.Polyline(one, 0);
    s.Polyline(nullptr, 5);
    s.Polyline(one, -3);
    EXPECT_EQ(Picture(s), std::string(16 * 12, '.')) << width;
    const Point two[] = {{4, 4}, {4, 4}};
    s.Polyline(two, 2);
    // A repeated point is nothing for a one-pixel pen (its last point is left out) and a dot
    // for a wide one.
    EXPECT_EQ(Picture(s).find('#') != std::string::npos, width >= 2) << width;
  }
}

// A polyline drawn on a small buffer is exactly the matching window of the same polyline drawn,
// shifted, on a larger one: clipping never moves a pixel, on any side.
TEST(RasterClipping, SmallBufferIsAWindowOfALargeOne) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int32_t> coord(-30, 50);
  constexpr int32_t kSmall = 20, kPad = 40;
  for (int32_t width : {0, 1, 2, 3, 4, 5, 9, 10, 25}) {
    for (int round = 0; round < 40; ++round) {
      std::vector<Point> pts(1 + round % 7);
      for (Point& p : pts) p = {coord(rng), coord(rng)};
      std::vector<Point> shifted = pts;
      for (Point& p : shifted) p = {p.X + kPad, p.Y + kPad};
      RasterSurface small, large;
      small.CreateBuffer(kSmall, kSmall);
      large.CreateBuffer(kSmall + 2 * kPad, kSmall + 2 * kPad);
      PenOn(small, width);
      PenOn(large, width);
      small.Polyline(pts.data(), int32_t(pts.size()));
      large.Polyline(shifted.data(), int32_t(shifted.size()));
      for (int32_t y = 0; y < kSmall; ++y) {
        for (int32_t x = 0; x < kSmall; ++x) {
          ASSERT_EQ(small.Pixels()[y * kSmall + x],
                    large.Pixels()[(y + kPad) * large.Width() + x + kPad])
              << "width " << width << " round " << round << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(RasterWide, OddPensCentreOnThePixelEvenOnesOnItsCorner) {
  struct {
    int32_t width, left, top, right, bottom;
  } cases[] = {
      {2, 7, 5, 8, 6}, {3, 7, 5, 9, 7}, {4, 6, 4, 9, 7}, {5, 6, 4, 10, 8}, {10, 3, 1, 12, 10}};
  for (const auto& c : cases) {
    RasterSurface s;
    s.CreateBuffer(16, 13);
    PenOn(s, c.width);
    const Point dot[] = {{8, 6}, {8, 6}};
    s.Polyline(dot, 2);
    int32_t l = 99, t = 99, r = -1, b = -1;
    for (int32_t y = 0; y < 13; ++y) {
      for (int32_t x = 0; x < 16; ++x) {
        if (s.Pixels()[y * 16 + x] != testing::kPen) continue;
        l = std::min(l, x), r = std::max(r, x), t = std::min(t, y), b = std::max(b, y);
      }
    }
    EXPECT_EQ(l, c.left) << c.width;
    EXPECT_EQ(t, c.top) << c.width;
    EXPECT_EQ(r, c.right) << c.width;
    EXPECT_EQ(b, c.bottom) << c.width;
  }
}

TEST(RasterBuffer, SizesOutsideTheLimitsGiveNoBuffer) {
  struct {
    int32_t width, height;
    bool made;
  } cases[] = {{0, 5, false},         {5, 0, false},
               {-1, 5, false},        {5, -7, false},
               {32769, 1, false},     {1, 32769, false},
               {32768, 1, true},      {1, 32768, true},
               {16385, 16384, false}, {INT32_MAX, INT32_MAX, false},
               {1, 1, true}};
  for (const auto& c : cases) {
    RasterSurface s;
    s.CreateBuffer(c.width, c.height);
    EXPECT_EQ(s.HasBuffer(), c.made) << c.width << "x" << c.height;
    EXPECT_EQ(s.Pixels() != nullptr, c.made);
    EXPECT_EQ(s.Width(), c.made ? c.width : 0);
    EXPECT_EQ(s.Height(), c.made ? c.height : 0);
  }
}

TEST(RasterBuffer, WithoutABufferEveryOperationDoesNothing) {
  RasterSurface s;
  testing::CountingPresenter presenter;
  s.SetPresenter(&presenter);
  s.CreateBuffer(10, 10);
  s.CreateBuffer(0, 10);  // a failed creation drops the old buffer
  const Point pts[] = {{0, 0}, {9, 9}};
  s.SetPenWidth(5);
  s.Clear();
  s.Polyline(pts, 2);
  s.CopyToWindow(3, 4);
  EXPECT_FALSE(s.HasBuffer());
  EXPECT_EQ(presenter.calls, 0);
}

TEST(RasterBuffer, PixelsAreBgrxRowsTopDown) {
  RasterSurface s;
  s.CreateBuffer(3, 2);
  EXPECT_EQ(s.Stride(), 12);
  s.SetBrushColor(0x02336699);  // the palette marker byte is ignored
  s.Clear();
  s.SetPenColor(0x00FF8040);
  s.SetPenWidth(1);
  const Point pts[] = {{0, 1}, {2, 1}};
  s.Polyline(pts, 2);
  const auto* bytes = reinterpret_cast<const uint8_t*>(s.Pixels());
  const uint8_t background[4] = {0x33, 0x66, 0x99, 0};
  const uint8_t pen[4] = {0xFF, 0x80, 0x40, 0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(bytes[i], background[i]) << i;           // (0, 0): B, G, R, X
    EXPECT_EQ(bytes[12 + i], pen[i]) << i;             // (0, 1)
    EXPECT_EQ(bytes[12 + 8 + i], background[i]) << i;  // (2, 1), the last point
  }
}

TEST(RasterPresenter, CopyHandsTheFrameAndPlaceToThePresenter) {
  RasterSurface s;
  s.CopyToWindow(1, 2);  // no presenter, no buffer: nothing happens
  s.CreateBuffer(8, 6);
  s.CopyToWindow(1, 2);  // no presenter
  testing::CountingPresenter presenter;
  s.SetPresenter(&presenter);
  s.CopyToWindow(-50, 57);
  EXPECT_EQ(presenter.calls, 1);
  EXPECT_EQ(presenter.frame, &s);
  EXPECT_EQ(presenter.x, -50);
  EXPECT_EQ(presenter.y, 57);
}

// A whole frame of the running engine: every pixel that no curve's pen could reach is the
// background colour, and every other one is the background or a line's colour.
TEST(RasterFrame, OutsideTheCurvesOnlyBackground) {
  for (int32_t penWidth : {1, 4, 10}) {
    RasterSurface s;
    auto figure = std::make_unique<Figure>();
    FigureConfig config;
    config.NumberOfLines = 5;
    config.WidthOfLines = penWidth;
    config.WindowColor = kWhite;
    FixedDraws draws(0.3L, 0.6L, 0.9L, 2, 100);
    figure->SetUp(config, 400, 300, draws, s);
    for (int t = 0; t < 12; ++t) figure->Tick();
    // The reach of every curve: the same polylines with a pen two pixels wider.
    RasterSurface reach;
    reach.CreateBuffer(s.Width(), s.Height());
    PenOn(reach, penWidth + 2);
    std::vector<uint32_t> colors;
    for (int32_t i = 0; i < figure->LineCount; ++i) {
      const LineSlot& slot = figure->Lines[i];
      reach.Polyline(slot.Points, slot.PointCount);
      colors.push_back(RasterSurface::PixelOf(slot.Color));
    }
    const uint32_t bg = RasterSurface::PixelOf(kWhite);
    int64_t lit = 0;
    for (int64_t i = 0; i < int64_t(s.Width()) * s.Height(); ++i) {
      const uint32_t p = s.Pixels()[i] & 0xFFFFFF;  // less the slot record
      if (reach.Pixels()[i] != testing::kPen) {
        ASSERT_EQ(p, bg) << "pixel " << i << " width " << penWidth;
      } else if (p != bg) {
        ++lit;
        ASSERT_NE(std::find(colors.begin(), colors.end(), p), colors.end()) << i;
      }
    }
    EXPECT_GT(lit, 1000) << penWidth;
  }
}

}  // namespace
}  // namespace vellicord
