#include "core/SupportNudge.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(SupportNudge, DueFromThresholdUntilDone) {
    // Count, done, shown.
    const std::tuple<qint64, bool, bool> cases[] = {{0, false, false},  {99, false, false},
                                                    {100, false, true}, {250, false, true},
                                                    {100, true, false}, {-1, false, false}};
    for (const auto& [count, done, shown] : cases)
        EXPECT_EQ(SupportNudge::shouldShow(count, done), shown) << count << (done ? " done" : "");
}

TEST(SupportNudge, IncrementNeverExceedsThreshold) {
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    const std::pair<qint64, qint64> cases[] = {{0, 1},      {98, 99},   {99, 100}, {100, 100},
                                               {5000, 100}, {max, 100}, {-5, -4},  {min, min + 1}};
    for (const auto& [count, expected] : cases)
        EXPECT_EQ(SupportNudge::increment(count), expected) << count;
}

} // namespace
