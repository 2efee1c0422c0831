#include "core/DoubleTapDetector.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(DoubleTap, PairsPressesWithinInterval) {
    const struct {
        const char* name;
        double interval;
        std::vector<double> presses;
        std::vector<bool> doubles;
        std::optional<double> pendingAfter;
    } cases[] = {
        // clang-format off
        {"Single", 0.45, {3.0}, {false}, 3.0},
        {"GapEqualToIntervalCounts", 0.5, {1.0, 1.5}, {false, true}, {}},
        {"TooSlowStartsNewPair", 0.45, {0.0, 0.46}, {false, false}, 0.46},
        // 100.45 - 100.0 is 0.45000000000000284 in binary.
        {"ExactlyAtFromKeyClock", 0.45, {100.0, 100.45}, {false, true}, {}},
        {"AMillisecondLate", 0.45, {100.0, 100.451}, {false, false}, 100.451},
        {"ThirdPressIsPending", 0.5, {1.0, 1.25, 1.5}, {false, true, false}, 1.5},
        {"FourQuickPressesMakeTwoPairs", 0.5, {1.0, 1.25, 1.5, 1.75}, {false, true, false, true},
         {}},
        {"ClockWentBack", 0.45, {10.0, 9.9}, {false, false}, 9.9},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DoubleTapDetector detector(c.interval);
        std::vector<bool> doubles;
        for (const double at : c.presses)
            doubles.push_back(detector.press(at));
        EXPECT_EQ(doubles, c.doubles);
        EXPECT_EQ(detector.last(), c.pendingAfter);
    }
}

} // namespace
