// The engine allocates nothing per tick: every operator new in this program is counted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "engine/figure.h"
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
  NullSurface surface;
  FixedDraws draws(0.1L, 0.7L, 0.25L, 3, 17);
  auto figure = std::make_unique<Figure>();
  figure->SetUp({2, 10, 10, kBlack, false}, 1920, 1080, draws, surface);
  const long long before = g_allocations;
  for (int t = 0; t < 5000; ++t) figure->Tick();  // through a lock and its release
  EXPECT_EQ(g_allocations, before);
  // The counter does see allocations: a vector of one int is one.
  { auto probe = std::make_unique<int>(1); }
  EXPECT_EQ(g_allocations, before + 1);
}

}  // namespace
}  // namespace vellicord
