#include "core/PaneLayout.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double huge = std::numeric_limits<double>::max();

struct HeightCase {
    double total;
    double gap;
    double expected;
};

void PrintTo(const HeightCase& c, std::ostream* os) {
    *os << c.total << " gap " << c.gap;
}

class PaneEqualHeight : public testing::TestWithParam<HeightCase> {};

TEST_P(PaneEqualHeight, WholePointsNeverNegative) {
    const HeightCase c = GetParam();
    EXPECT_EQ(PaneLayout::equalHeight(c.total, c.gap), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PaneEqualHeight,
                         testing::Values(HeightCase{301, 8, 146}, HeightCase{300, 8, 146},
                                         HeightCase{176, 8, 84}, HeightCase{5, 8, 0},
                                         HeightCase{8, 8, 0}, HeightCase{9, 8, 0},
                                         HeightCase{10, 8, 1}, HeightCase{inf, 8, 0},
                                         HeightCase{-inf, 8, 0}, HeightCase{300, inf, 0},
                                         HeightCase{nan, 8, 0}, HeightCase{300, nan, 0},
                                         HeightCase{huge, -huge, 0}));

struct OffsetCase {
    double old;
    double content;
    double viewport;
    double expected;
};

void PrintTo(const OffsetCase& c, std::ostream* os) {
    *os << c.old << " in " << c.content << " over " << c.viewport;
}

class PanePreservedOffset : public testing::TestWithParam<OffsetCase> {};

TEST_P(PanePreservedOffset, KeepsPositionWithinContent) {
    const OffsetCase c = GetParam();
    EXPECT_EQ(PaneLayout::preservedOffset(c.old, c.content, c.viewport), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, PanePreservedOffset,
    testing::Values(OffsetCase{500, 300, 200, 100}, OffsetCase{-5, 300, 200, 0},
                    OffsetCase{50, 100, 200, 0}, OffsetCase{50, 300, 200, 50},
                    OffsetCase{0, 300, 200, 0}, OffsetCase{nan, 300, 200, 0},
                    OffsetCase{50, nan, 200, 0}, OffsetCase{50, 300, nan, 0},
                    OffsetCase{inf, 300, 200, 100}, OffsetCase{-inf, 300, 200, 0},
                    OffsetCase{50, inf, 200, 50}, OffsetCase{50, inf, inf, 0}));

} // namespace
