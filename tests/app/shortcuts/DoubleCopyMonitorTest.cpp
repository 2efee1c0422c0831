#include "app/shortcuts/DoubleCopyMonitor.h"

#include "app/shortcuts/HotKeyManager.h"
#include "core/HotKeyMods.h"
#include "tests/app/shortcuts/FakeHotKeys.h"
#include "tests/support/ManualClock.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

using namespace HotKeyMods;

// The calls of onDoubleCopy once the trigger delay has passed, none before it.
int doublesAfter(const KeyDownEvent& first, double second, qint64 runningCaptures = 0,
                 bool monitorGoneFirst = false) {
    auto keys = std::make_shared<ScriptedKeys>();
    auto clock = std::make_shared<ManualClock>();
    auto monitor = std::make_unique<DoubleCopyMonitor>(
        keys, [=] { return runningCaptures; }, clock);
    int doubles = 0;
    monitor->onDoubleCopy = [&] { ++doubles; };
    monitor->start();
    KeyDownEvent event = first;
    keys->handler(event);
    event.timestamp = second;
    keys->handler(event);
    // The presses reach the monitor through the event loop.
    QCoreApplication::processEvents();
    if (monitorGoneFirst) {
        monitor.reset();
        EXPECT_FALSE(keys->handler);
    }
    clock->advance(DoubleCopyMonitor::triggerDelay - std::chrono::milliseconds(1));
    EXPECT_EQ(doubles, 0) << "called before the delay";
    clock->advance(std::chrono::milliseconds(1));
    return doubles;
}

TEST(DoubleCopyMonitorTest, OnlyTheUsersOwnPlainCtrlCWithinTheIntervalCounts) {
    // clang-format off
    const struct { const char* name; KeyDownEvent first; double second; qint64 runningCaptures;
        bool gone; int doubles; } cases[] = {
        {"CtrlC", {control, true, false, 1234.567, false}, 1235.017, 0, false, 1},
        {"CtrlShiftC", {control | shift, true, false, 10.0, false}, 10.2, 0, false, 0},
        {"CtrlOtherKey", {control, false, false, 10.0, false}, 10.2, 0, false, 0},
        {"AutoRepeat", {control, true, true, 10.0, false}, 10.2, 0, false, 0},
        {"OwnKeystroke", {control, true, false, 10.0, true}, 10.2, 0, false, 0},
        {"WhileACaptureRuns", {control, true, false, 10.0, false}, 10.2, 1, false, 0},
        {"MonitorGoneBeforeTheDelay", {control, true, false, 1.0, false}, 1.1, 0, true, 0},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(doublesAfter(c.first, c.second, c.runningCaptures, c.gone), c.doubles);
    }
}

const HotKeySpec ctrlAltT{0x74, 0x1800, "Ctrl+Alt+T"};

TEST(HotKeyManagerTest, AFailedAttemptHoldsNothingAndPublishesTheStatus) {
    auto keys = std::make_shared<FakeHotKeys>();
    HotKeyManager manager{keys};
    ASSERT_EQ(manager.registerHotKey(ctrlAltT), 0);
    keys->nextStatus = 10;
    EXPECT_EQ(manager.registerHotKey(ctrlAltT), 10);
    EXPECT_FALSE(manager.isRegistered());
    // A failed attempt holds nothing, so the next one has nothing to release.
    manager.registerHotKey(ctrlAltT);
    EXPECT_EQ(keys->releases, 1);
}

TEST(HotKeyManagerTest, APressAfterTheManagerIsGoneDoesNothing) {
    auto keys = std::make_shared<FakeHotKeys>();
    int triggered = 0;
    {
        HotKeyManager gone(keys);
        gone.onTrigger = [&] { ++triggered; };
        ASSERT_EQ(gone.registerHotKey(ctrlAltT), 0);
        keys->press();
    }
    // The destructor gave the key back and dropped its handler.
    EXPECT_FALSE(keys->held);
    EXPECT_FALSE(keys->press);
    QCoreApplication::processEvents();
    EXPECT_EQ(triggered, 0);
}

} // namespace
