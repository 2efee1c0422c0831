#include "app/capture/PermissionWatcher.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>

// The watcher's state rules against a scripted desktop, with the remembered grant in a real
// defaults file.

namespace {

class ScriptedProbe final : public PermissionProbe {
public:
    std::atomic<bool> granted{false};
    std::atomic<bool> listening{false};
    bool accessibility() override { return granted; }
    bool inputMonitoring() override { return listening; }
};

class PermissionWatcherTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::shared_ptr<ScriptedProbe> probe = std::make_shared<ScriptedProbe>();
    DefaultsStore defaults{QStringLiteral("permissions-test"), dir.path()};
    bool storedGrant() const {
        return DefaultsStore(QStringLiteral("permissions-test"), dir.path())
            .boolean(QString(PermissionWatcher::wasGrantedKey));
    }

    // Runs the event loop until `condition` holds, at most a few poll intervals.
    static bool eventually(const std::function<bool()>& condition) {
        QDeadlineTimer limit(5000);
        while (!condition() && !limit.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return condition();
    }
};

TEST_F(PermissionWatcherTest, AFirstLaunchWithoutPermissionPollsUntilItIsGranted) {
    PermissionWatcher watcher(probe, defaults);
    EXPECT_FALSE(watcher.accessibility());
    EXPECT_FALSE(watcher.needsAttention());
    EXPECT_TRUE(watcher.isPolling());
    EXPECT_FALSE(defaults.contains(QString(PermissionWatcher::wasGrantedKey)));
    int granted = 0;
    QObject::connect(&watcher, &PermissionWatcher::accessibilityChanged, [&] { ++granted; });
    probe->granted = true;
    // Noticed by the poll, without anybody asking.
    ASSERT_TRUE(eventually([&] { return watcher.accessibility(); }));
    EXPECT_EQ(granted, 1);
    EXPECT_TRUE(watcher.wasGranted());
    EXPECT_TRUE(storedGrant());
    // No more polling once granted.
    EXPECT_FALSE(watcher.isPolling());
}

TEST_F(PermissionWatcherTest, AGrantThatNoLongerAppliesNeedsAttentionUntilGrantedAgain) {
    defaults.setBool(QString(PermissionWatcher::wasGrantedKey), true);
    PermissionWatcher watcher(probe, defaults);
    EXPECT_TRUE(watcher.wasGranted());
    EXPECT_TRUE(watcher.needsAttention());
    EXPECT_TRUE(watcher.isPolling());
    probe->granted = true;
    watcher.request();
    EXPECT_TRUE(watcher.accessibility());
    EXPECT_FALSE(watcher.needsAttention());
    EXPECT_FALSE(watcher.isPolling());

    // Lost again: the poll resumes, and the grant stays remembered.
    probe->granted = false;
    watcher.resetAndRequest();
    EXPECT_FALSE(watcher.accessibility());
    EXPECT_TRUE(watcher.isPolling());
    EXPECT_TRUE(storedGrant());
}

TEST_F(PermissionWatcherTest, ARefreshClearsARefusedCapturesAttentionAndReadsInputMonitoring) {
    probe->granted = true;
    PermissionWatcher watcher(probe, defaults);
    EXPECT_FALSE(watcher.needsAttention());
    EXPECT_FALSE(watcher.inputMonitoring());
    watcher.setNeedsAttention(true);
    EXPECT_TRUE(watcher.needsAttention());
    probe->listening = true;
    watcher.refresh();
    EXPECT_FALSE(watcher.needsAttention());
    EXPECT_TRUE(watcher.inputMonitoring());
    // Input monitoring never starts the poll.
    EXPECT_FALSE(watcher.isPolling());
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
