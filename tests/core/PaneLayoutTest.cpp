#include "core/PaneLayout.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double huge = std::numeric_limits<double>::max();

TEST(PaneLayout, EqualHeightIsWholePointsNeverNegative) {
    // Total, gap, height.
    const double cases[][3] = {{301, 8, 146},   {300, 8, 146}, {176, 8, 84}, {5, 8, 0},
                               {8, 8, 0},       {9, 8, 0},     {10, 8, 1},   {inf, 8, 0},
                               {-inf, 8, 0},    {300, inf, 0}, {nan, 8, 0},  {300, nan, 0},
                               {huge, -huge, 0}};
    for (const auto& [total, gap, expected] : cases)
        EXPECT_EQ(PaneLayout::equalHeight(total, gap), expected) << total << " gap " << gap;
}

TEST(PaneLayout, PreservedOffsetKeepsPositionWithinContent) {
    // Old offset, content, viewport, new offset.
    const double cases[][4] = {{500, 300, 200, 100}, {-5, 300, 200, 0},  {50, 100, 200, 0},
                               {50, 300, 200, 50},   {0, 300, 200, 0},   {nan, 300, 200, 0},
                               {50, nan, 200, 0},    {50, 300, nan, 0},  {inf, 300, 200, 100},
                               {-inf, 300, 200, 0},  {50, inf, 200, 50}, {50, inf, inf, 0}};
    for (const auto& [old, content, viewport, expected] : cases)
        EXPECT_EQ(PaneLayout::preservedOffset(old, content, viewport), expected)
            << old << " in " << content << " over " << viewport;
}

} // namespace
