#include "platform/linux/common/BootTimeClock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using namespace std::chrono_literals;

// Runs the event loop until `done` holds; the limit only guards against a hang.
bool pumpUntil(const std::function<bool()>& done) {
    QDeadlineTimer limit(30s);
    QTimer wake; // so that the limit is looked at even when nothing fires
    wake.start(10ms);
    while (!done() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

TEST(BootTimeClock, FiresOnceAfterTheDelayAndNotAtAllWhenCancelled) {
    BootTimeClock clock;
    int fired = 0;
    int cancelled = 0;
    std::unique_ptr<DelayClock::Pending> pending;
    // A callback may destroy its own handle.
    pending = clock.after(20ms, [&pending, &fired] {
        ++fired;
        pending.reset();
    });
    auto dropped = clock.after(20ms, [&cancelled] { ++cancelled; });
    // Never from within after() itself, not even for no delay at all.
    auto immediate = clock.after(0ms, [&fired] { fired += 10; });
    EXPECT_EQ(fired, 0);
    dropped.reset();
    // The cancelled one was due no later than the last of these.
    EXPECT_TRUE(pumpUntil([&fired] { return fired == 11; }));
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(pending, nullptr);
}

TEST(BootTimeClock, ManyDelaysDoNotRunOutOfDescriptors) {
    BootTimeClock clock;
    int fired = 0;
    for (int i = 0; i < 3000; ++i) {
        auto pending = clock.after(1h, [&fired] { ++fired; });
    }
    auto last = clock.after(1ms, [&fired] { ++fired; });
    EXPECT_TRUE(pumpUntil([&fired] { return fired == 1; }));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
