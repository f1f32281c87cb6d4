#include <gtest/gtest.h>
#include "engine/figure.h"
TEST(Smoke, Builds) { EXPECT_EQ(vellicord::kSlotCount, 31); }
