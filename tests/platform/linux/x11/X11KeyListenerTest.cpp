#include "platform/linux/x11/X11KeyListener.h"

#include "core/HotKeyMods.h"
#include "platform/linux/x11/X11KeyboardEvents.h"
#include "platform/linux/x11/XcbSelection.h"
#include "tests/platform/linux/x11/XTestTypist.h"
#include "tests/support/XvfbServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

using namespace HotKeyMods;

XvfbServer* server = nullptr;

QByteArray display() {
    return server->displayName().toLatin1();
}

// The key presses a listener delivered, from its thread.
class Received {
public:
    std::function<void(const KeyDownEvent&)> handler() {
        return [this](const KeyDownEvent& event) {
            std::lock_guard lock(m_mutex);
            m_events.append(event);
            m_arrived.notify_all();
        };
    }
    // Waits up to five seconds for `count` presses.
    QList<KeyDownEvent> waitFor(qsizetype count) {
        std::unique_lock lock(m_mutex);
        m_arrived.wait_for(lock, std::chrono::seconds(5), [&] { return m_events.size() >= count; });
        return m_events;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    QList<KeyDownEvent> m_events;
};

// Everything but the time.
QList<KeyDownEvent> untimed(QList<KeyDownEvent> events) {
    for (KeyDownEvent& event : events)
        event.timestamp = 0;
    return events;
}

KeyDownEvent down(quint32 mods, bool copyKey, bool own = false) {
    return {mods, copyKey, false, 0, own};
}

class X11KeyListenerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server && server->isReady());
        ASSERT_TRUE(listener.start(received.handler()));
    }

    // The server's time now, in seconds: the stamp of a property change.
    double serverTime() {
        xcb_connection_t* c = other.connection;
        const std::optional<xcb_timestamp_t> time = XcbSelection::serverTime(
            c, XcbSelection::createWindow(c, other.root), XCB_ATOM_WM_NAME, QDeadlineTimer(5000));
        return time ? *time / 1000.0 : -1;
    }

    XTestTypist other{display()};
    // The capture's copy keystroke, which the listener has to tell from the user's.
    X11KeyboardEvents ours{display()};
    Received received;
    X11KeyListener listener{display(), {ours.injectorId()}};
};

TEST_F(X11KeyListenerTest, PressesOfEveryClientArriveWithModifiersKeyServerTimeAndSender) {
    const double before = serverTime();
    other.press({XK_Control_L, XK_Shift_L, XK_c});
    // The locks never count.
    other.press({XK_Caps_Lock});
    other.press({XK_Num_Lock});
    ASSERT_TRUE(ours.postCopyKeystroke());
    other.press({XK_Control_L, XK_c});
    const double after = serverTime();
    const QList<KeyDownEvent> events = received.waitFor(9);
    EXPECT_EQ(
        untimed(events),
        QList<KeyDownEvent>({down(0, false), down(control, false), down(control | shift, true),
                             down(0, false), down(0, false), down(0, false, true),
                             down(control, true, true), down(0, false), down(control, true)}));
    // Control is let go after our keystroke.
    EXPECT_EQ(ours.modifiersNow(), 0u);
    ASSERT_GE(before, 0);
    for (const KeyDownEvent& event : events) {
        EXPECT_GE(event.timestamp, before);
        EXPECT_LE(event.timestamp, after);
    }
}

TEST_F(X11KeyListenerTest, FollowsTheCKeyToAnotherKeycode) {
    // F12 becomes a second C key, as xmodmap would make it.
    const xcb_keycode_t f12 = other.keymap.keycodesOf(XK_F12).value(0);
    const xcb_keysym_t asC[] = {XK_c, XK_C};
    const xcb_keysym_t asF12[] = {XK_F12, XK_F12};
    xcb_change_keyboard_mapping(other.connection, 1, f12, 2, asC);
    other.press({XK_F12});
    const QList<KeyDownEvent> events = received.waitFor(1);
    xcb_change_keyboard_mapping(other.connection, 1, f12, 2, asF12);
    xcb_flush(other.connection);
    EXPECT_EQ(untimed(events), QList<KeyDownEvent>({down(0, true)}));
}

TEST_F(X11KeyListenerTest, StopEndsDeliveryAndStartingAgainListensAfresh) {
    other.press({XK_a});
    ASSERT_EQ(received.waitFor(1).size(), 1);
    listener.stop();
    listener.stop();
    other.press({XK_b});
    // Nothing typed while stopped is delivered later; a second start replaces the handler.
    Received again;
    ASSERT_TRUE(listener.start(received.handler()));
    ASSERT_TRUE(listener.start(again.handler()));
    other.press({XK_c});
    EXPECT_EQ(untimed(again.waitFor(1)), QList<KeyDownEvent>({down(0, true)}));
    EXPECT_EQ(received.waitFor(1).size(), 1);
    listener.stop();
}

TEST(X11KeyListenerUnavailableTest, DoesNotStartWithoutADisplayOrWithoutRecord) {
    XvfbServer withoutRecord({QStringLiteral("-extension"), QStringLiteral("RECORD")});
    ASSERT_TRUE(withoutRecord.isReady());
    std::atomic<int> calls = 0;
    const auto count = [&](const KeyDownEvent&) { ++calls; };
    EXPECT_FALSE(X11KeyListener(QByteArrayLiteral(":4095")).start(count));
    X11KeyListener noRecord(withoutRecord.displayName().toLatin1());
    EXPECT_FALSE(noRecord.start(count));
    XTestTypist(withoutRecord.displayName().toLatin1()).press({XK_c});
    noRecord.stop();
    EXPECT_EQ(calls, 0);
}

} // namespace

int main(int argc, char* argv[]) {
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    XvfbServer display;
    server = &display;
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
