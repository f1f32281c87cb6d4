// Trail frames drawn step by step against the same frames cleared and repainted: over a long
// run, through a lock and its release and a hidden spell, not one pixel may differ, neither in
// the buffer nor in a window that only ever receives the changed rectangles.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "common/frame_gate.h"
#include "engine/figure.h"
#include "engine/raster.h"
#include "tests/support/fixed_draws.h"

namespace vellicord {
namespace {

// A window that is sent each frame's changed rectangles and nothing else.
class ChangedOnlyWindow final : public FramePresenter {
 public:
  void Present(const RasterSurface& f, int32_t, int32_t) override {
    const size_t w = size_t(f.Width());
    pixels.resize(w * size_t(f.Height()));
    for (int32_t i = 0; i < f.ChangedCount(); ++i) {
      const PixelRect& r = f.Changed()[i];
      for (int32_t y = r.Top; y < r.Bottom; ++y) {
        std::memcpy(&pixels[size_t(y) * w + size_t(r.Left)], f.Pixels() + size_t(y) * w + r.Left,
                    size_t(r.Right - r.Left) * sizeof(uint32_t));
      }
    }
  }
  std::vector<uint32_t> pixels;
};

// Every trail frame twice: stepped on one raster, cleared and repainted on the other.
class BothWays final : public DrawSurface {
 public:
  BothWays() { stepped.SetPresenter(&window); }
  void CreateBuffer(int32_t w, int32_t h) override {
    stepped.CreateBuffer(w, h);
    full.CreateBuffer(w, h);
  }
  void SetBrushColor(ColorValue c) override {
    stepped.SetBrushColor(c);
    full.SetBrushColor(c);
  }
  void SetPenWidth(int32_t w) override {
    stepped.SetPenWidth(w);
    full.SetPenWidth(w);
  }
  void SetPenColor(ColorValue c) override { full.SetPenColor(c); }
  void Clear() override { full.Clear(); }
  void Polyline(const Point* p, int32_t n) override { full.Polyline(p, n); }
  void CopyToWindow(int32_t x, int32_t y) override { full.CopyToWindow(x, y); }
  void DrawTrail(const TrailFrame& f) override {
    stepped.DrawTrail(f);
    DrawSurface::DrawTrail(f);
    ++frames;
    steps += stepped.TrailStepped() ? 1 : 0;
  }

  RasterSurface stepped, full;
  ChangedOnlyWindow window;
  int frames = 0, steps = 0;
};

// The first pixel whose colour in `got` differs from `want`, as "x,y", or empty. The X byte is
// the rasterizer's slot record, which the plain repaint doesn't keep.
std::string FirstDifference(const uint32_t* want, const uint32_t* got, int32_t w, int32_t h) {
  for (int32_t i = 0; i < w * h; ++i) {
    if ((want[i] ^ got[i]) & 0xFFFFFF) return std::to_string(i % w) + "," + std::to_string(i / w);
  }
  return "";
}

TEST(TrailFrames, SteppedFramesEqualFullRepaints) {
  constexpr int kTicks = 20000, kHideFrom = 9000, kHideTo = 9050;
  // Small windows keep the run short; every pen still fits many times across the buffer.
  const struct {
    int32_t lines, width, period;
    bool white;
    int32_t height;
  } rows[] = {
      {1, 0, 1, false, 100}, {2, 2, 2, true, 100},   {4, 10, 1, false, 100},
      {10, 3, 0, true, 100}, {31, 1, 1, false, 100},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.lines << " lines, width " << r.width << ", "
                                      << (r.white ? "white" : "black") << ", height " << r.height);
    BothWays both;
    GatedSurface gate(both);
    auto figure = std::make_unique<Figure>();
    FixedDraws draws(0.1L, 0.7L, 0.25L, 3, 17);
    FigureConfig config;
    config.Period = r.period;
    config.NumberOfLines = r.lines;
    config.WidthOfLines = r.width;
    config.WindowColor = r.white ? kWhite : kBlack;
    config.DimGreen = r.white;
    figure->SetUp(config, r.height * 4 / 3, r.height, draws, gate);
    const int32_t w = both.full.Width(), h = both.full.Height();
    bool locked = false, released = false;
    for (int t = 1; t <= kTicks; ++t) {
      gate.SetVisible(t < kHideFrom || t >= kHideTo);
      const int before = both.frames;
      figure->Tick();
      released = released || (locked && !figure->Locked);
      locked = locked || figure->Locked;
      if (both.frames == before) continue;
      const std::string inBuffer = FirstDifference(both.full.Pixels(), both.stepped.Pixels(), w, h);
      ASSERT_EQ(inBuffer, "") << "tick " << t << ": buffer differs first at " << inBuffer;
      const std::string inWindow =
          FirstDifference(both.full.Pixels(), both.window.pixels.data(), w, h);
      ASSERT_EQ(inWindow, "") << "tick " << t << ": window differs first at " << inWindow;
    }
    EXPECT_TRUE(released) << "no lock was taken and released";
    EXPECT_EQ(both.frames, kTicks - (kHideTo - kHideFrom));
    // Only the first frame and the first one after the hidden spell are repainted.
    EXPECT_EQ(both.steps, both.frames - 2);
  }
}

// A sawtooth across the buffer: with teeth `pitch` apart, each row crosses every tooth.
std::vector<Point> Saw(int32_t x0, int32_t pitch, int32_t width, int32_t height) {
  std::vector<Point> p;
  for (int32_t x = x0; x < width; x += pitch) {
    p.push_back({x, 2});
    p.push_back({x + pitch / 2, height - 3});
  }
  return p;
}

// Four frames of two slots on a fresh surface, stepped and repainted: the first repainted,
// the next two stepped, then one whose rising curve is another than its slot kept.
void CheckSawFrames(int32_t pen, int32_t pitch) {
  constexpr int32_t kW = 240, kH = 240;
  std::vector<Point> a = Saw(0, pitch, kW, kH), b = Saw(2, pitch, kW, kH),
                     c = Saw(3, pitch, kW, kH), d = Saw(1, pitch, kW, kH);
  const auto frame = [](const TrailLine* lines, bool stepped, TrailLine leaving) {
    TrailFrame f;
    f.Lines = lines;
    f.Count = 2;
    f.Stepped = stepped;
    f.Leaving = leaving;
    return f;
  };
  uint64_t serial = 0;
  const auto line = [&serial](const std::vector<Point>& p, ColorValue color, int32_t slot) {
    return TrailLine{p.data(), int32_t(p.size()), color, slot, ++serial};
  };
  const TrailLine lineA = line(a, 0x0000FF, 0), lineB = line(b, 0x00FF00, 1);
  const TrailLine lineC = line(c, 0xFF0000, 1), lineD = line(d, 0xFFFF00, 0);
  const TrailLine first[] = {lineA, lineB}, second[] = {lineC, lineA}, third[] = {lineD, lineC};
  BothWays both;
  both.CreateBuffer(kW, kH);
  both.SetPenWidth(pen);
  both.DrawTrail(frame(first, false, {}));
  both.DrawTrail(frame(second, true, lineB));
  both.DrawTrail(frame(third, true, lineA));
  EXPECT_EQ(both.steps, 2);
  EXPECT_EQ(FirstDifference(both.full.Pixels(), both.stepped.Pixels(), kW, kH), "");

  // C rises in the next frame, but as another curve than the one its slot kept.
  std::vector<Point> moved = Saw(4, pitch, kW, kH);
  const TrailLine lineE = line(b, 0x00FFFF, 1), risen = line(moved, lineC.Color, 1);
  const TrailLine fourth[] = {lineE, risen};
  both.DrawTrail(frame(fourth, true, lineD));
  const uint32_t top = RasterSurface::PixelOf(lineC.Color);
  int32_t lit = 0;
  for (int32_t i = 0; i < kW * kH; ++i) {
    if ((both.full.Pixels()[i] & 0xFFFFFF) != top) continue;
    ++lit;
    ASSERT_EQ(both.stepped.Pixels()[i] & 0xFFFFFF, top) << "at " << i % kW << "," << i / kW;
  }
  EXPECT_GT(lit, 0);
}

// Curves drawn from hand-made frames: a slot keeps a curve of a few runs a row or a few
// crossings of the buffer; one with a run every few pixels, or many crossings, it can't, and
// the curve is drawn from its points each time. A stepped frame whose rising curve is not the
// one its slot kept still draws the curve it was given.
TEST(TrailFrames, CurvesKeptOrNotMatchFullRepaints) {
  for (const int32_t pen : {1, 2}) {
    for (const int32_t pitch : {60, 6}) {
      SCOPED_TRACE(::testing::Message() << "width " << pen << ", teeth " << pitch << " apart");
      CheckSawFrames(pen, pitch);
    }
  }
}

}  // namespace
}  // namespace vellicord
