#include "core/WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowPlacementTest, NextToThePointerAndInsideTheScreen) {
    // A 1280 × 1024 screen whose work area leaves a 30 px panel at the top.
    const QRect available(0, 30, 1280, 994);
    const QSize window(400, 450);
    const struct {
        const char* name;
        QPoint pointer;
        QSize size;
        QPoint topLeft;
    } cases[] = {
        {"middle", {500, 400}, window, {514, 414}},
        {"right edge", {1200, 400}, window, {1280 - 400 - 8, 414}},
        {"bottom edge", {500, 1000}, window, {514, 1024 - 450 - 8}},
        {"bottom right corner", {1279, 1023}, window, {872, 566}},
        {"left of the work area", {-50, 400}, window, {8, 414}},
        {"above the work area", {500, 0}, window, {514, 38}},
        {"exactly at the far limit", {1280 - 400 - 8 - 14, 400}, window, {872, 414}},
        // Too large: the far edges win, the top-left goes off screen.
        {"wider and taller than the screen", {500, 400}, {1400, 1100}, {1280 - 1400 - 8, -84}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WindowPlacement::nearPointer(c.pointer, c.size, available), c.topLeft);
    }
    // A second screen to the left of the first.
    EXPECT_EQ(WindowPlacement::nearPointer({-100, 100}, window, QRect(-1920, 0, 1920, 1080)),
              QPoint(-400 - 8, 114));
}

} // namespace
