// The skip rule for frames nobody can see: which host states skip, that skipping touches no
// pixel and no window, and that the animation and the first frame after it are unchanged.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/frame_gate.h"
#include "engine/figure.h"
#include "engine/raster.h"
#include "tests/support/fixed_draws.h"
#include "tests/support/recording_surface.h"

namespace vellicord {
namespace {

TEST(FrameCanBeSeen, OnlyAShownRestoredWindowOnALitDisplayInAnActiveSession) {
  // Of the sixteen states only one shows the frame; any one fault alone hides it.
  int seenCount = 0;
  for (int bits = 0; bits < 16; ++bits) {
    const FrameVisibility v{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
    const bool seen = FrameCanBeSeen(v);
    seenCount += seen;
    if (seen) {
      EXPECT_TRUE(v.WindowShown && !v.Iconic && v.DisplayOn && v.SessionActive) << bits;
    }
  }
  EXPECT_EQ(seenCount, 1);
  EXPECT_TRUE(FrameCanBeSeen({}));
}

using Call = RecordingSurface::Call;

FigureConfig Config(int32_t lines, int32_t width) {
  FigureConfig c;
  c.NumberOfLines = lines;
  c.WidthOfLines = width;
  c.WindowColor = kWhite;
  return c;
}

TEST(GatedSurface, HiddenFramesReachNoPixelsButSetUpDoes) {
  RecordingSurface inner;
  GatedSurface gate(inner);
  auto figure = std::make_unique<Figure>();
  FixedDraws draws(0.1L, 0.7L, 0.25L, 3, 17);
  gate.SetVisible(false);
  // Set-up passes through even while hidden: the buffer and pen must be ready for later.
  figure->SetUp(Config(4, 3), 1024, 768, draws, gate);
  EXPECT_EQ(inner.Count(Call::kCreate), 1u);
  EXPECT_EQ(inner.PenWidth(), 3);
  EXPECT_EQ(inner.BrushColor(), kWhite);
  for (int t = 0; t < 5; ++t) figure->Tick();
  EXPECT_EQ(inner.Count(Call::kClear) + inner.Count(Call::kPolyline) + inner.Count(Call::kCopy),
            0u);
  EXPECT_FALSE(gate.FrameCurrent());
  gate.SetVisible(true);
  figure->Tick();
  EXPECT_EQ(inner.Count(Call::kClear), 1u);
  EXPECT_EQ(inner.Count(Call::kPolyline), 4u);  // every slot, once
  EXPECT_EQ(inner.Count(Call::kCopy), 1u);
  EXPECT_TRUE(gate.FrameCurrent());
}

// Hidden for a while, then shown: the clock, the ring and the first frame shown afterwards
// are bit for bit those of a figure that was never hidden.
TEST(GatedSurface, SkippingIsInvisibleOnceShownAgain) {
  struct Case {
    int32_t lines, width, hideFrom, hideTo;
  } cases[] = {{4, 1, 3, 9}, {10, 10, 1, 40}, {1, 2, 2, 3}, {31, 0, 0, 1200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.lines << " lines, width " << c.width);
    RasterSurface plain, gated;
    GatedSurface gate(gated);
    auto always = std::make_unique<Figure>();
    auto sometimes = std::make_unique<Figure>();
    FixedDraws a(0.1L, 0.7L, 0.25L, 3, 17), b(0.1L, 0.7L, 0.25L, 3, 17);
    always->SetUp(Config(c.lines, c.width), 800, 600, a, plain);
    sometimes->SetUp(Config(c.lines, c.width), 800, 600, b, gate);
    for (int t = 0; t <= c.hideTo; ++t) {
      gate.SetVisible(t < c.hideFrom || t >= c.hideTo);
      always->Tick();
      sometimes->Tick();
    }
    EXPECT_EQ(always->Clock, sometimes->Clock);
    EXPECT_EQ(always->Locked, sometimes->Locked);
    EXPECT_EQ(always->WriteSlot, sometimes->WriteSlot);
    ASSERT_TRUE(plain.HasBuffer() && gated.HasBuffer());
    const size_t pixels = size_t(plain.Width()) * size_t(plain.Height());
    const std::vector<uint32_t> p(plain.Pixels(), plain.Pixels() + pixels);
    const std::vector<uint32_t> g(gated.Pixels(), gated.Pixels() + pixels);
    EXPECT_TRUE(p == g) << "first frame after showing differs";
  }
}

}  // namespace
}  // namespace vellicord
