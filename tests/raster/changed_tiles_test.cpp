// The record of changed pixels against a per-pixel picture of the same marks: every changed
// pixel sent, no pixel sent twice, and only the changed tiles, or the gaps a request costs more
// than, sent besides.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/changed_tiles.h"

namespace vellicord {
namespace {

constexpr int32_t kRows = ChangedTiles::kStripRows, kCols = ChangedTiles::kTileColumns;

TEST(ChangedTiles, RectanglesCoverTheChangedTilesOnce) {
  const struct {
    int32_t width, height, marks, maxSide;
    int64_t requestPixels;
  } rows[] = {
      // One tile or less; a short last strip and tile; wide buffers of a word of tiles and more.
      {5, 3, 4, 3, 0},         {100, 90, 6, 20, 0},     {100, 90, 6, 20, 900},
      {1100, 70, 40, 30, 0},   {1100, 70, 40, 30, 900}, {1100, 70, 40, 30, 5000},
      {2049, 40, 200, 4, 300}, {300, 300, 3, 300, 900}, {300, 300, 400, 2, 0},
  };
  std::mt19937 random(7);
  for (const auto& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.width << "x" << r.height << ", " << r.marks
                                      << " marks, a request " << r.requestPixels << " pixels");
    ChangedTiles changes;
    ASSERT_TRUE(changes.Allocate(r.width, r.height));
    changes.Collect(r.requestPixels);  // the whole buffer, marked when allocated
    ASSERT_EQ(changes.RectCount(), 1);
    // Two frames each: the second shows that collecting started a new record.
    for (int frame = 0; frame < 2; ++frame) {
      std::vector<char> changed(size_t(r.width) * size_t(r.height), 0);
      // Half the marks go through another record of the same grid, as a kept curve's do.
      std::vector<uint64_t> kept(changes.Grid().Words(), 0);
      for (int32_t m = 0; m < r.marks; ++m) {
        const auto pick = [&](int32_t limit) { return int32_t(random() % uint32_t(limit)); };
        const int32_t lo = pick(r.width), top = pick(r.height);
        const int32_t hi = std::min(r.width - 1, lo + pick(r.maxSide));
        const int32_t bottom = std::min(r.height - 1, top + pick(r.maxSide));
        if (m % 2 == 0) {
          changes.Mark(top, bottom, lo, hi);
        } else {
          changes.Grid().Mark(kept.data(), top, bottom, lo, hi);
        }
        for (int32_t y = top; y <= bottom; ++y) {
          for (int32_t x = lo; x <= hi; ++x) changed[size_t(y) * size_t(r.width) + size_t(x)] = 1;
        }
      }
      changes.MarkFrom(kept.data());
      changes.Collect(r.requestPixels);

      // The changed tiles, and per strip the span from its first to its last.
      const int32_t strips = (r.height + kRows - 1) / kRows, tiles = (r.width + kCols - 1) / kCols;
      std::vector<char> tile(size_t(strips) * size_t(tiles), 0);
      for (int32_t y = 0; y < r.height; ++y) {
        for (int32_t x = 0; x < r.width; ++x) {
          if (changed[size_t(y) * size_t(r.width) + size_t(x)]) {
            tile[size_t(y / kRows) * size_t(tiles) + size_t(x / kCols)] = 1;
          }
        }
      }
      std::vector<int> sent(changed.size(), 0);
      for (int32_t i = 0; i < changes.RectCount(); ++i) {
        const PixelRect& c = changes.Rects()[i];
        ASSERT_TRUE(c.Left >= 0 && c.Left < c.Right && c.Right <= r.width && c.Top >= 0 &&
                    c.Top < c.Bottom && c.Bottom <= r.height)
            << "rectangle " << i;
        if (i > 0) {
          EXPECT_LE(changes.Rects()[i - 1].Top, c.Top) << "not top to bottom";
        }
        for (int32_t y = c.Top; y < c.Bottom; ++y) {
          for (int32_t x = c.Left; x < c.Right; ++x)
            ++sent[size_t(y) * size_t(r.width) + size_t(x)];
        }
      }
      for (int32_t y = 0; y < r.height; ++y) {
        const char* strip = &tile[size_t(y / kRows) * size_t(tiles)];
        const int32_t first = int32_t(std::find(strip, strip + tiles, 1) - strip);
        const int32_t last = tiles - 1 -
                             int32_t(std::find(std::make_reverse_iterator(strip + tiles),
                                               std::make_reverse_iterator(strip), 1) -
                                     std::make_reverse_iterator(strip + tiles));
        for (int32_t x = 0; x < r.width; ++x) {
          const size_t at = size_t(y) * size_t(r.width) + size_t(x);
          ASSERT_LE(sent[at], 1) << "sent twice: " << x << "," << y;
          if (changed[at]) {
            ASSERT_EQ(sent[at], 1) << "changed, not sent: " << x << "," << y;
          }
          // At no price of a request is more than the strip's span of changed tiles sent; at
          // none, only the changed tiles.
          const int32_t t = x / kCols;
          const bool allowed = r.requestPixels == 0 ? strip[t] == 1 : t >= first && t <= last;
          if (!allowed) {
            ASSERT_EQ(sent[at], 0) << "sent, not changed: " << x << "," << y;
          }
        }
      }
      // Rectangles side by side in a strip are no nearer than a request is dear.
      for (int32_t i = 0; i < changes.RectCount(); ++i) {
        for (int32_t j = 0; j < changes.RectCount(); ++j) {
          const PixelRect &a = changes.Rects()[i], &b = changes.Rects()[j];
          if (b.Left < a.Right || b.Top >= a.Bottom || a.Top >= b.Bottom) continue;
          const int32_t shared = std::min(a.Bottom, b.Bottom) - std::max(a.Top, b.Top);
          EXPECT_GT(int64_t{b.Left - a.Right} * shared, r.requestPixels)
              << "rectangles " << i << " and " << j << " should have been merged";
        }
      }
    }
  }
}

}  // namespace
}  // namespace vellicord
