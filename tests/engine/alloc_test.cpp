// The engine allocates nothing per tick: every operator new in this program is counted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "engine/figure.h"
#include "engine/raster.h"
#include "tests/support/fixed_draws.h"
#include "tests/support/null_surface.h"

namespace {
// Counting has to be global: it is what replacing the global operator new means.
long long g_allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace vellicord {
namespace {

TEST(Allocation, NoneAfterSetUp) {
  NullSurface nothing;
  RasterSurface raster;  // stepped frames and wide pens draw from storage made at set-up
  for (DrawSurface* surface :
       {static_cast<DrawSurface*>(&nothing), static_cast<DrawSurface*>(&raster)}) {
    FixedDraws draws(0.1L, 0.7L, 0.25L, 3, 17);
    auto figure = std::make_unique<Figure>();
    figure->SetUp({2, 10, 10, kBlack, false}, 1920, 1080, draws, *surface);
    const long long before = g_allocations;
    int locks = 0, releases = 0;
    for (int t = 0; t < 5000; ++t) {
      const bool locked = figure->Locked;
      figure->Tick();
      locks += !locked && figure->Locked;
      releases += locked && !figure->Locked;
    }
    EXPECT_EQ(g_allocations, before);
    // The ticks measured went through a lock and its release.
    EXPECT_GT(locks, 0);
    EXPECT_GT(releases, 0);
  }
  const long long before = g_allocations;
  // The counter does see allocations: a vector of one int is one.
  { auto probe = std::make_unique<int>(1); }
  EXPECT_EQ(g_allocations, before + 1);
}

}  // namespace
}  // namespace vellicord
