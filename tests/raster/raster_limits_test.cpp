// RasterSurface at the edges of its inputs: coordinates near the 32-bit limits and pens as wide
// as the buffer. The same cases run in an AddressSanitizer build, which fails on any write
// outside the buffer.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "engine/raster.h"
#include "tests/raster/raster_fixture.h"

namespace vellicord {
namespace {

using testing::PenOn;
using testing::Picture;

constexpr int32_t kMin = INT32_MIN;
constexpr int32_t kMax = INT32_MAX;

std::string Row(int32_t width, int32_t from, int32_t to) {
  std::string r(size_t(width), '.');
  for (int32_t x = from; x <= to; ++x) r[size_t(x)] = '#';
  return r;
}

TEST(RasterLimits, LinesAcrossTheWholeIntegerRange) {
  constexpr int32_t W = 12, H = 9;
  const std::string dot(W, '.');
  struct {
    const char* name;
    int32_t width;
    Point a, b;
    int32_t firstRow, lastRow;  // rows that are lit from edge to edge
  } rows[] = {
      {"thin, left to right", 1, {kMin, 4}, {kMax, 4}, 4, 4},
      {"thin, right to left", 1, {kMax, 4}, {kMin, 4}, 4, 4},
      {"width 5", 5, {kMin, 4}, {kMax, 4}, 2, 6},
      {"width 4", 4, {kMax, 4}, {kMin, 4}, 2, 5},
  };
  for (const auto& c : rows) {
    RasterSurface s;
    s.CreateBuffer(W, H);
    PenOn(s, c.width);
    const Point pts[] = {c.a, c.b};
    s.Polyline(pts, 2);
    const std::string p = Picture(s);
    for (int32_t y = 0; y < H; ++y) {
      const bool lit = y >= c.firstRow && y <= c.lastRow;
      EXPECT_EQ(p.substr(size_t(y * W), W), lit ? Row(W, 0, W - 1) : dot) << c.name << " " << y;
    }
  }
}

TEST(RasterLimits, DiagonalFromCornerToCornerOfTheIntegerPlane) {
  constexpr int32_t N = 10;
  for (const auto& ends : {std::pair<Point, Point>{{kMin, kMin}, {kMax, kMax}},
                           std::pair<Point, Point>{{kMax, kMax}, {kMin, kMin}}}) {
    RasterSurface s;
    s.CreateBuffer(N, N);
    PenOn(s, 1);
    const Point pts[] = {ends.first, ends.second};
    s.Polyline(pts, 2);
    const std::string p = Picture(s);
    for (int32_t y = 0; y < N; ++y) EXPECT_EQ(p.substr(size_t(y * N), N), Row(N, y, y)) << y;
  }
}

// Vertical thin line through the middle from far above to far below, and far beyond: only
// the column is lit whatever the distance.
TEST(RasterLimits, FarEndsDoNotMoveTheVisiblePart) {
  constexpr int32_t W = 9, H = 7;
  for (int32_t far : {100, 1 << 20, 1 << 29, (1 << 29) + 1, kMax}) {
    RasterSurface s;
    s.CreateBuffer(W, H);
    PenOn(s, 1);
    const Point pts[] = {{4, -far}, {4, far}};
    s.Polyline(pts, 2);
    const std::string p = Picture(s);
    for (int32_t y = 0; y < H; ++y) EXPECT_EQ(p.substr(size_t(y * W), W), Row(W, 4, 4)) << far;
  }
}

// Random polylines with ends anywhere in the 32-bit range, every pen width up to past the
// buffer's size: the buffer outside the pen stays background, and nothing is written outside
// it (which the sanitized build checks).
TEST(RasterLimits, AnyCoordinatesAnyWidthStayInsideTheBuffer) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int32_t> any(kMin, kMax);
  std::uniform_int_distribution<int32_t> near(-70, 90);
  std::uniform_int_distribution<int> pick(0, 3);
  for (int32_t width : {0, 1, 2, 3, 7, 10, 31, 64, 65, 200, 1000, 1 << 20, kMax}) {
    for (int round = 0; round < 30; ++round) {
      std::vector<Point> pts(2 + round % 5);
      for (Point& p : pts) {
        p = pick(rng) == 0 ? Point{near(rng), near(rng)} : Point{any(rng), any(rng)};
        if (pick(rng) == 0) p.X = pick(rng) == 0 ? kMin : kMax;
        if (pick(rng) == 0) p.Y = pick(rng) == 0 ? kMin : kMax;
      }
      RasterSurface s;
      s.CreateBuffer(33, 21);
      PenOn(s, width);
      s.Polyline(pts.data(), int32_t(pts.size()));
      for (int64_t i = 0; i < 33 * 21; ++i) {
        ASSERT_TRUE(s.Pixels()[i] == 0 || s.Pixels()[i] == testing::kPen);
      }
    }
  }
}

TEST(RasterLimits, PenAsWideAsTheBufferCoversItFromTheMiddle) {
  RasterSurface s;
  s.CreateBuffer(40, 30);
  PenOn(s, 80);
  const Point pts[] = {{20, 15}, {20, 15}};
  s.Polyline(pts, 2);
  EXPECT_EQ(Picture(s), std::string(40 * 30, '#'));
  // From a corner the disc of a pen of the buffer's width reaches about half way.
  PenOn(s, 40);
  const Point corner[] = {{0, 0}, {0, 0}};
  s.Polyline(corner, 2);
  const std::string p = Picture(s);
  EXPECT_EQ(p[0], '#');
  EXPECT_EQ(p[19], '#');
  EXPECT_EQ(p[21], '.');
  EXPECT_EQ(p[size_t(19 * 40)], '#');
  EXPECT_EQ(p[size_t(21 * 40)], '.');
}

}  // namespace
}  // namespace vellicord
