#include "app/capture/PermissionWatcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>

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
    EXPECT_FALSE(watcher.needsAttention());
    EXPECT_TRUE(watcher.isPolling());
    probe->granted = true;
    // Noticed by the poll, without anybody asking.
    ASSERT_TRUE(eventually([&] { return watcher.accessibility(); }));
    EXPECT_TRUE(storedGrant());
    EXPECT_FALSE(watcher.isPolling());
}

TEST_F(PermissionWatcherTest, AGrantThatNoLongerAppliesNeedsAttentionUntilGrantedAgain) {
    defaults.setBool(QString(PermissionWatcher::wasGrantedKey), true);
    PermissionWatcher watcher(probe, defaults);
    EXPECT_TRUE(watcher.needsAttention());
    probe->granted = true;
    watcher.request();
    EXPECT_FALSE(watcher.needsAttention());
    EXPECT_FALSE(watcher.isPolling());

    // A refused capture asks for attention; a refresh that finds the grant clears it.
    watcher.setNeedsAttention(true);
    probe->listening = true;
    watcher.refresh();
    EXPECT_FALSE(watcher.needsAttention());
    EXPECT_TRUE(watcher.inputMonitoring());

    // Lost again: the poll resumes, and the grant stays remembered.
    probe->granted = false;
    watcher.resetAndRequest();
    EXPECT_TRUE(watcher.isPolling());
    EXPECT_TRUE(storedGrant());
}

} // namespace
