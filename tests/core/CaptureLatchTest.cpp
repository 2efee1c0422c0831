#include "core/CaptureLatch.h"

#include <gtest/gtest.h>

namespace {

TEST(CaptureLatchTest, OnlyTheNewestCapturesReleaseOpensIt) {
    CaptureLatch latch;
    const std::optional<qint64> first = latch.begin();
    ASSERT_TRUE(first.has_value());
    // A second press while the first runs is refused, not queued.
    EXPECT_EQ(latch.begin(), std::nullopt);
    latch.release(*first);
    EXPECT_FALSE(latch.capturing());

    const std::optional<qint64> second = latch.begin();
    ASSERT_TRUE(second.has_value());
    EXPECT_NE(second, first);
    // The first capture's time-out (or a late end) arrives now: the second keeps the latch.
    latch.release(*first);
    EXPECT_TRUE(latch.capturing());
    EXPECT_EQ(latch.begin(), std::nullopt);
    // Its end and its time-out both release; the second does nothing.
    latch.release(*second);
    latch.release(*second);
    EXPECT_FALSE(latch.capturing());
    EXPECT_TRUE(latch.begin().has_value());
}

} // namespace
