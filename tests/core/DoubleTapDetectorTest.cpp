#include "core/DoubleTapDetector.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TapCase {
    const char* name;
    double interval;
    std::vector<double> presses;
    std::vector<bool> doubles;
    std::optional<double> pendingAfter;
};

void PrintTo(const TapCase& c, std::ostream* os) {
    *os << c.name;
}

class DoubleTap : public testing::TestWithParam<TapCase> {};

TEST_P(DoubleTap, PairsPressesWithinInterval) {
    const TapCase& c = GetParam();
    DoubleTapDetector detector(c.interval);
    std::vector<bool> doubles;
    for (const double at : c.presses)
        doubles.push_back(detector.press(at));
    EXPECT_EQ(doubles, c.doubles);
    EXPECT_EQ(detector.last(), c.pendingAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, DoubleTap,
    testing::Values(TapCase{"Single", 0.45, {3.0}, {false}, 3.0},
                    TapCase{"GapEqualToIntervalCounts", 0.5, {1.0, 1.5}, {false, true}, {}},
                    TapCase{"ExactlyAtZeroBased", 0.45, {0.0, 0.45}, {false, true}, {}},
                    TapCase{"TooSlowStartsNewPair", 0.45, {0.0, 0.46}, {false, false}, 0.46},
                    // 100.45 - 100.0 is 0.45000000000000284 in binary.
                    TapCase{"ExactlyAtFromKeyClock", 0.45, {100.0, 100.45}, {false, true}, {}},
                    TapCase{"AMillisecondLate", 0.45, {100.0, 100.451}, {false, false}, 100.451},
                    TapCase{"TooSlowThenQuick", 0.5, {0.0, 1.0, 1.25}, {false, false, true}, {}},
                    TapCase{
                        "ThirdPressIsPending", 0.5, {1.0, 1.25, 1.5}, {false, true, false}, 1.5},
                    TapCase{"FourQuickPressesMakeTwoPairs",
                            0.5,
                            {1.0, 1.25, 1.5, 1.75},
                            {false, true, false, true},
                            {}},
                    TapCase{"SameInstant", 0.45, {2.0, 2.0}, {false, true}, {}},
                    TapCase{"ClockWentBack", 0.45, {10.0, 9.9}, {false, false}, 9.9}),
    [](const testing::TestParamInfo<TapCase>& info) { return std::string(info.param.name); });

} // namespace
