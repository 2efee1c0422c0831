#include "app/DoubleCopyMonitor.h"

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

void runEventLoop(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

class DoubleCopyMonitorTest : public testing::Test {
protected:
    void SetUp() override {
        monitor.onDoubleCopy = [this] { ++doubles; };
        monitor.start();
        ASSERT_TRUE(monitor.isListening());
    }

    // The calls of onDoubleCopy once every delayed call has had its time.
    int doublesAfterTheDelay() {
        runEventLoop(DoubleCopyMonitor::triggerDelay + std::chrono::milliseconds(150));
        return doubles;
    }

    std::shared_ptr<ScriptedKeys> keys = std::make_shared<ScriptedKeys>();
    qint64 runningCaptures = 0;
    DoubleCopyMonitor monitor{keys, [this] { return runningCaptures; }};
    int doubles = 0;
};

struct PressCase {
    const char* name;
    KeyDownEvent event;
    qint64 runningCaptures;
    bool counts;
};
void PrintTo(const PressCase& c, std::ostream* out) {
    *out << c.name;
}

class DoubleCopyFilterTest : public DoubleCopyMonitorTest,
                             public testing::WithParamInterface<PressCase> {};

TEST_P(DoubleCopyFilterTest, OnlyTheUsersOwnPlainCtrlCCounts) {
    runningCaptures = GetParam().runningCaptures;
    for (const double at : {10.0, 10.2}) {
        KeyDownEvent event = GetParam().event;
        event.timestamp = at;
        keys->press(event);
    }
    EXPECT_EQ(doublesAfterTheDelay(), GetParam().counts ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    , DoubleCopyFilterTest,
    testing::Values(PressCase{"CtrlC", ctrlC(0), 0, true},
                    PressCase{"CtrlShiftC", {control | shift, true, false, 0, false}, 0, false},
                    PressCase{"CtrlAltC", {control | option, true, false, 0, false}, 0, false},
                    PressCase{"CtrlSuperC", {control | command, true, false, 0, false}, 0, false},
                    PressCase{"PlainC", {0, true, false, 0, false}, 0, false},
                    PressCase{"CtrlOtherKey", {control, false, false, 0, false}, 0, false},
                    PressCase{"AutoRepeat", {control, true, true, 0, false}, 0, false},
                    PressCase{"OwnKeystroke", {control, true, false, 0, true}, 0, false},
                    PressCase{"WhileACaptureRuns", ctrlC(0), 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct GapCase {
    const char* name;
    double first;
    double second;
    bool counts;
};
void PrintTo(const GapCase& c, std::ostream* out) {
    *out << c.name;
}

class DoubleCopyGapTest : public DoubleCopyMonitorTest,
                          public testing::WithParamInterface<GapCase> {};

TEST_P(DoubleCopyGapTest, TheIntervalIncludesItsEnd) {
    keys->press(ctrlC(GetParam().first));
    keys->press(ctrlC(GetParam().second));
    EXPECT_EQ(doublesAfterTheDelay(), GetParam().counts ? 1 : 0);
}

// The "later clock" pairs differ by a hair more than 0.45 in binary: still the interval.
INSTANTIATE_TEST_SUITE_P(, DoubleCopyGapTest,
                         testing::Values(GapCase{"Exactly", 10.0, 10.45, true},
                                         GapCase{"ExactlyOnALaterClock", 100.0, 100.45, true},
                                         GapCase{"ExactlyInMilliseconds", 1234.567, 1235.017, true},
                                         GapCase{"JustLonger", 10.0, 10.46, false},
                                         GapCase{"JustLongerInMilliseconds", 1234.567, 1235.027,
                                                 false},
                                         GapCase{"ClockWentBack", 10.0, 9.9, false}),
                         [](const auto& info) { return std::string(info.param.name); });

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
    monitor.onDoubleCopy = [&] {
        ++doubles;
        calledOn = QThread::currentThread();
    };
    // Pressed on another thread, as a listener with a connection of its own does; counted on
    // the monitor's.
    std::thread([this] { keys->press(ctrlC(5.0)); }).join();
    EXPECT_FALSE(monitor.detector.last());
    QCoreApplication::processEvents();
    EXPECT_EQ(monitor.detector.last(), 5.0);
    std::thread([this] { keys->press(ctrlC(5.1)); }).join();
    QCoreApplication::processEvents();
    // The pair is complete, but the call waits for the application to copy.
    EXPECT_FALSE(monitor.detector.last());
    EXPECT_EQ(doubles, 0);
    QDeadlineTimer limit(5000);
    while (doubles == 0 && !limit.hasExpired())
        runEventLoop(std::chrono::milliseconds(20));
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(calledOn, monitor.thread());
}

TEST_F(DoubleCopyMonitorTest, StopAndStartAreHarmlessWhenRepeatedAndKeepThePendingPress) {
    keys->press(ctrlC(1.0));
    QCoreApplication::processEvents();
    monitor.start();
    monitor.stop();
    monitor.stop();
    EXPECT_FALSE(monitor.isListening());
    EXPECT_EQ(keys->starts, 1);
    EXPECT_EQ(keys->stops, 1);
    // Without listen access nothing listens, and there is nothing to stop.
    keys->access = false;
    monitor.start();
    EXPECT_FALSE(monitor.isListening());
    monitor.stop();
    EXPECT_EQ(keys->stops, 1);
    keys->access = true;
    monitor.start();
    ASSERT_TRUE(monitor.isListening());
    keys->press(ctrlC(1.3));
    EXPECT_EQ(doublesAfterTheDelay(), 1);
}

TEST_F(DoubleCopyMonitorTest, AMonitorGoneBeforeTheDelayCallsNothing) {
    auto other = std::make_shared<ScriptedKeys>();
    int called = 0;
    {
        DoubleCopyMonitor gone(other, [] { return qint64(0); });
        gone.onDoubleCopy = [&] { ++called; };
        gone.start();
        other->press(ctrlC(1.0));
        other->press(ctrlC(1.1));
        QCoreApplication::processEvents();
        // A pair still queued for the main thread, too.
        other->press(ctrlC(2.0));
        other->press(ctrlC(2.1));
    }
    EXPECT_FALSE(other->handler);
    runEventLoop(DoubleCopyMonitor::triggerDelay + std::chrono::milliseconds(150));
    EXPECT_EQ(called, 0);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
