#include "app/shortcuts/HotKeyManager.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

namespace {

// Records the calls in order and lets the test press the held combination.
class FakeHotKeys final : public GlobalHotKeys {
public:
    int grab(const HotKeySpec& spec) override {
        calls << QStringLiteral("grab %1").arg(spec.code);
        if (nextStatus == 0)
            held = spec;
        return nextStatus;
    }
    void release() override {
        calls << QStringLiteral("release");
        held.reset();
    }
    void setPressHandler(std::function<void()> h) override {
        calls << QStringLiteral("handler");
        handler = std::move(h);
    }
    void press() {
        if (held && handler)
            handler();
    }
    int nextStatus = 0;
    std::optional<HotKeySpec> held;
    std::function<void()> handler;
    QStringList calls;
};

const HotKeySpec ctrlAltT{0x74, 0x1800, QStringLiteral("Ctrl+Alt+T")};
const HotKeySpec ctrlAltY{0x79, 0x1800, QStringLiteral("Ctrl+Alt+Y")};

class HotKeyManagerTest : public testing::Test {
protected:
    std::shared_ptr<FakeHotKeys> keys = std::make_shared<FakeHotKeys>();
    HotKeyManager manager{keys};
};

TEST_F(HotKeyManagerTest, RegisteringAgainReleasesTheOldShortcutFirstAndInstallsOneHandler) {
    EXPECT_EQ(manager.registerHotKey(ctrlAltT), 0);
    EXPECT_EQ(manager.registerHotKey(ctrlAltT), 0);
    EXPECT_EQ(manager.registerHotKey(ctrlAltY), 0);
    EXPECT_EQ(keys->calls,
              QStringList({"handler", "grab 116", "release", "grab 116", "release", "grab 121"}));
    EXPECT_TRUE(manager.isRegistered());
}

TEST_F(HotKeyManagerTest, AFailedAttemptLeavesNoShortcutAndPublishesTheStatus) {
    QList<int> statuses;
    QObject::connect(&manager, &HotKeyManager::lastStatusChanged,
                     [&](int status) { statuses << status; });
    ASSERT_EQ(manager.registerHotKey(ctrlAltT), 0);
    keys->nextStatus = 10;
    EXPECT_EQ(manager.registerHotKey(ctrlAltY), 10);
    EXPECT_FALSE(manager.isRegistered());
    EXPECT_FALSE(keys->held);
    EXPECT_EQ(manager.lastStatus(), 10);
    // A failed attempt holds nothing, so the next one has nothing to release.
    EXPECT_EQ(manager.registerHotKey(ctrlAltY), 10);
    EXPECT_EQ(keys->calls.count(QStringLiteral("release")), 1);
    keys->nextStatus = 0;
    EXPECT_EQ(manager.registerHotKey(ctrlAltY), 0);
    EXPECT_EQ(manager.lastStatus(), 0);
    EXPECT_EQ(statuses, QList<int>({0, 10, 10, 0}));
}

TEST_F(HotKeyManagerTest, APressRunsOnTriggerLaterOnTheManagersThread) {
    int triggered = 0;
    QThread* thread = nullptr;
    manager.onTrigger = [&] {
        ++triggered;
        thread = QThread::currentThread();
    };
    ASSERT_EQ(manager.registerHotKey(ctrlAltT), 0);
    // Pressed on another thread, as a service with its own connection would.
    std::thread([this] { keys->press(); }).join();
    EXPECT_EQ(triggered, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(triggered, 1);
    EXPECT_EQ(thread, manager.thread());
}

TEST_F(HotKeyManagerTest, APressWithoutOnTriggerOrAfterTheManagerIsGoneDoesNothing) {
    ASSERT_EQ(manager.registerHotKey(ctrlAltT), 0);
    keys->press();
    QCoreApplication::processEvents();
    auto other = std::make_shared<FakeHotKeys>();
    int triggered = 0;
    {
        HotKeyManager gone(other);
        gone.onTrigger = [&] { ++triggered; };
        ASSERT_EQ(gone.registerHotKey(ctrlAltT), 0);
        other->press();
    }
    // The destructor gave the key back and dropped its handler.
    EXPECT_FALSE(other->held);
    EXPECT_FALSE(other->handler);
    QCoreApplication::processEvents();
    EXPECT_EQ(triggered, 0);
}

TEST(HotKeyManagerSharedTest, WithoutAnInstalledServiceEveryAttemptFails) {
    EXPECT_EQ(HotKeyManager::shared().registerHotKey(ctrlAltT), HotKeyManager::noService);
    EXPECT_EQ(HotKeyManager::shared().lastStatus(), HotKeyManager::noService);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
