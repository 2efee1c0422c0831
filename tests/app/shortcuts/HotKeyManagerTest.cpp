#include "app/shortcuts/HotKeyManager.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

// Counts the releases and lets the test press the held combination.
class FakeHotKeys final : public GlobalHotKeys {
public:
    int grab(const HotKeySpec& spec) override {
        if (nextStatus == 0)
            held = spec;
        return nextStatus;
    }
    void release() override {
        ++releases;
        held.reset();
    }
    void setPressHandler(std::function<void()> h) override { handler = std::move(h); }
    int nextStatus = 0, releases = 0;
    std::optional<HotKeySpec> held;
    std::function<void()> handler;
};

const HotKeySpec ctrlAltT{0x74, 0x1800, QStringLiteral("Ctrl+Alt+T")};

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
        keys->handler();
    }
    // The destructor gave the key back and dropped its handler.
    EXPECT_FALSE(keys->held);
    EXPECT_FALSE(keys->handler);
    QCoreApplication::processEvents();
    EXPECT_EQ(triggered, 0);
}

} // namespace
