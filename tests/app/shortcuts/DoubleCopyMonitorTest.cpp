#include "app/shortcuts/DoubleCopyMonitor.h"

#include "core/HotKeyMods.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace HotKeyMods;

// Delivers the key presses the test scripts.
class ScriptedKeys final : public GlobalKeyMonitor {
public:
    bool start(std::function<void(const KeyDownEvent&)> h) override {
        ++starts;
        if (access)
            handler = std::move(h);
        return access;
    }
    void stop() override {
        ++stops;
        handler = {};
    }
    void press(const KeyDownEvent& event) {
        if (handler)
            handler(event);
    }

    bool access = true;
    int starts = 0;
    int stops = 0;
    std::function<void(const KeyDownEvent&)> handler;
};

KeyDownEvent ctrlC(double at) {
    return {control, true, false, at, false};
}

// The monitor has no clock of its own: its delayed call needs the real delay to pass.
void runEventLoop(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

class DoubleCopyMonitorTest : public testing::Test {
protected:
    void SetUp() override { fresh(); }

    void fresh() {
        keys = std::make_shared<ScriptedKeys>();
        monitor = std::make_unique<DoubleCopyMonitor>(keys, [this] { return runningCaptures; });
        doubles = 0;
        monitor->onDoubleCopy = [this] { ++doubles; };
        monitor->start();
        ASSERT_TRUE(monitor->isListening());
    }

    // The calls of onDoubleCopy once every delayed call has had its time.
    int doublesAfterTheDelay() {
        runEventLoop(DoubleCopyMonitor::triggerDelay + std::chrono::milliseconds(150));
        return doubles;
    }

    std::shared_ptr<ScriptedKeys> keys;
    qint64 runningCaptures = 0;
    std::unique_ptr<DoubleCopyMonitor> monitor;
    int doubles = 0;
};

TEST_F(DoubleCopyMonitorTest, OnlyTheUsersOwnPlainCtrlCWithinTheIntervalCounts) {
    const struct {
        const char* name;
        KeyDownEvent first;
        double second; // when the same key comes again
        qint64 runningCaptures;
        bool counts;
    } cases[] = {
        {"CtrlC", ctrlC(10.0), 10.2, 0, true},
        {"CtrlShiftC", {control | shift, true, false, 10.0, false}, 10.2, 0, false},
        {"CtrlAltC", {control | option, true, false, 10.0, false}, 10.2, 0, false},
        {"CtrlSuperC", {control | command, true, false, 10.0, false}, 10.2, 0, false},
        {"PlainC", {0, true, false, 10.0, false}, 10.2, 0, false},
        {"CtrlOtherKey", {control, false, false, 10.0, false}, 10.2, 0, false},
        {"AutoRepeat", {control, true, true, 10.0, false}, 10.2, 0, false},
        {"OwnKeystroke", {control, true, false, 10.0, true}, 10.2, 0, false},
        {"WhileACaptureRuns", ctrlC(10.0), 10.2, 1, false},
        // The interval includes its end. The later-clock pairs differ by a hair more than 0.45
        // in binary: still the interval.
        {"Exactly", ctrlC(10.0), 10.45, 0, true},
        {"ExactlyOnALaterClock", ctrlC(100.0), 100.45, 0, true},
        {"ExactlyInMilliseconds", ctrlC(1234.567), 1235.017, 0, true},
        {"JustLonger", ctrlC(10.0), 10.46, 0, false},
        {"JustLongerInMilliseconds", ctrlC(1234.567), 1235.027, 0, false},
        {"ClockWentBack", ctrlC(10.0), 9.9, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        runningCaptures = c.runningCaptures;
        KeyDownEvent event = c.first;
        keys->press(event);
        event.timestamp = c.second;
        keys->press(event);
        EXPECT_EQ(doublesAfterTheDelay(), c.counts ? 1 : 0);
    }
}

TEST_F(DoubleCopyMonitorTest, APairIsUsedOnceAndIgnoredPressesLeaveThePendingOne) {
    keys->press(ctrlC(1.0));
    keys->press({control | shift, true, false, 1.1, false});
    keys->press(ctrlC(1.2));
    keys->press(ctrlC(1.4));
    EXPECT_EQ(doublesAfterTheDelay(), 1);
    keys->press(ctrlC(1.8));
    EXPECT_EQ(doublesAfterTheDelay(), 2);
}

TEST_F(DoubleCopyMonitorTest, CallsOnDoubleCopyLaterOnTheMonitorsThread) {
    QThread* calledOn = nullptr;
    monitor->onDoubleCopy = [&] {
        ++doubles;
        calledOn = QThread::currentThread();
    };
    // Pressed on another thread, as a listener with a connection of its own does; counted on
    // the monitor's.
    std::thread([this] { keys->press(ctrlC(5.0)); }).join();
    EXPECT_FALSE(monitor->detector.last());
    QCoreApplication::processEvents();
    EXPECT_EQ(monitor->detector.last(), 5.0);
    std::thread([this] { keys->press(ctrlC(5.1)); }).join();
    QCoreApplication::processEvents();
    // The pair is complete, but the call waits for the application to copy.
    EXPECT_FALSE(monitor->detector.last());
    EXPECT_EQ(doubles, 0);
    QDeadlineTimer limit(5000);
    while (doubles == 0 && !limit.hasExpired())
        runEventLoop(std::chrono::milliseconds(20));
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(calledOn, monitor->thread());
}

TEST_F(DoubleCopyMonitorTest, StopAndStartAreHarmlessWhenRepeatedAndKeepThePendingPress) {
    keys->press(ctrlC(1.0));
    QCoreApplication::processEvents();
    monitor->start();
    monitor->stop();
    monitor->stop();
    EXPECT_FALSE(monitor->isListening());
    EXPECT_EQ(keys->starts, 1);
    EXPECT_EQ(keys->stops, 1);
    // Without listen access nothing listens, and there is nothing to stop.
    keys->access = false;
    monitor->start();
    EXPECT_FALSE(monitor->isListening());
    monitor->stop();
    EXPECT_EQ(keys->stops, 1);
    keys->access = true;
    monitor->start();
    ASSERT_TRUE(monitor->isListening());
    keys->press(ctrlC(1.3));
    EXPECT_EQ(doublesAfterTheDelay(), 1);
}

TEST_F(DoubleCopyMonitorTest, AMonitorGoneBeforeTheDelayCallsNothing) {
    keys->press(ctrlC(1.0));
    keys->press(ctrlC(1.1));
    QCoreApplication::processEvents();
    // A pair still queued for the main thread, too.
    keys->press(ctrlC(2.0));
    keys->press(ctrlC(2.1));
    monitor.reset();
    EXPECT_FALSE(keys->handler);
    EXPECT_EQ(doublesAfterTheDelay(), 0);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
