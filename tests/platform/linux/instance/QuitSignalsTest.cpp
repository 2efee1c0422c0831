#include "platform/linux/instance/QuitSignals.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

namespace {

TEST(QuitSignalsTest, ArriveOnTheEventLoopWithTheirNumbers) {
    QuitSignals quit;
    ASSERT_TRUE(quit.install());
    EXPECT_FALSE(QuitSignals().install());
    QSignalSpy spy(&quit, &QuitSignals::quitRequested);
    // Signals raised before the loop runs arrive too, in order.
    const std::vector<std::vector<int>> rows = {{SIGTERM}, {SIGINT}, {SIGINT, SIGTERM}};
    for (const std::vector<int>& raised : rows) {
        SCOPED_TRACE(raised.size());
        spy.clear();
        for (const int number : raised)
            std::raise(number);
        while (spy.size() < qsizetype(raised.size()) && spy.wait(30'000)) {
        }
        std::vector<int> arrived;
        for (const QList<QVariant>& arguments : std::as_const(spy))
            arrived.push_back(arguments.at(0).toInt());
        EXPECT_EQ(arrived, raised);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
