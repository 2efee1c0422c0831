#include "platform/linux/common/BootTimeClock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;

void pumpFor(std::chrono::milliseconds span) {
    QDeadlineTimer limit(span);
    while (!limit.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

TEST(BootTimeClock, FiresOnceAfterTheDelayAndNotAtAllWhenCancelled) {
    BootTimeClock clock;
    int fired = 0;
    int cancelled = 0;
    auto pending = clock.after(20ms, [&fired] { ++fired; });
    auto dropped = clock.after(20ms, [&cancelled] { ++cancelled; });
    // Never from within after() itself, not even for no delay at all.
    auto immediate = clock.after(0ms, [&fired] { fired += 10; });
    EXPECT_EQ(fired, 0);
    dropped.reset();
    pumpFor(200ms);
    EXPECT_EQ(fired, 11);
    EXPECT_EQ(cancelled, 0);
}

TEST(BootTimeClock, ACallbackMayDestroyItsOwnHandle) {
    BootTimeClock clock;
    std::unique_ptr<DelayClock::Pending> pending;
    int fired = 0;
    pending = clock.after(5ms, [&pending, &fired] {
        ++fired;
        pending.reset();
    });
    pumpFor(100ms);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(pending, nullptr);
}

TEST(BootTimeClock, ManyDelaysDoNotRunOutOfDescriptors) {
    BootTimeClock clock;
    int fired = 0;
    for (int i = 0; i < 3000; ++i) {
        auto pending = clock.after(1h, [&fired] { ++fired; });
    }
    auto last = clock.after(1ms, [&fired] { ++fired; });
    pumpFor(50ms);
    EXPECT_EQ(fired, 1);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
