#include "platform/linux/x11/X11KeyListener.h"

#include "app/shortcuts/DoubleCopyMonitor.h"
#include "core/HotKeyMods.h"
#include "platform/linux/x11/X11KeyboardEvents.h"
#include "platform/linux/x11/XcbSelection.h"
#include "tests/platform/linux/x11/XTestTypist.h"
#include "tests/support/XvfbServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

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
    // Waits up to five seconds for `count` presses (of the copy key only, when asked).
    QList<KeyDownEvent> waitFor(qsizetype count, bool copyKeysOnly = false) {
        std::unique_lock lock(m_mutex);
        QList<KeyDownEvent> found;
        m_arrived.wait_for(lock, std::chrono::seconds(5), [&] {
            found.clear();
            for (const KeyDownEvent& event : m_events) {
                if (!copyKeysOnly || event.isCopyKey)
                    found.append(event);
            }
            return found.size() >= count;
        });
        return found;
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

KeyDownEvent down(quint32 mods, bool copyKey) {
    return {mods, copyKey, false, 0, false};
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
    Received received;
    X11KeyListener listener{display()};
};

TEST_F(X11KeyListenerTest, PressesOfAnotherClientArriveWithModifiersKeyAndServerTime) {
    const double before = serverTime();
    other.press({XK_Control_L, XK_Shift_L, XK_c});
    // The locks never count.
    other.press({XK_Caps_Lock});
    other.press({XK_Num_Lock});
    other.press({XK_Control_L, XK_c});
    const double after = serverTime();
    const QList<KeyDownEvent> events = received.waitFor(7);
    EXPECT_EQ(
        untimed(events),
        QList<KeyDownEvent>({down(0, false), down(control, false), down(control | shift, true),
                             down(0, false), down(0, false), down(0, false), down(control, true)}));
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

// The monitor over RECORD, with a second listener as witness of what arrived: our own copy
// keystrokes never count, the user's pair right after them does.
TEST(DoubleCopyOverRecordTest, OurOwnCopyKeystrokesNeverCountTheUsersDo) {
    ASSERT_TRUE(server && server->isReady());
    X11KeyboardEvents ours{display()};
    Received seen;
    X11KeyListener witness{display()};
    ASSERT_TRUE(witness.start(seen.handler()));
    int doubles = 0;
    DoubleCopyMonitor monitor{
        std::make_shared<X11KeyListener>(display(), QList<quint32>{ours.injectorId()}),
        [] { return qint64(0); }};
    monitor.onDoubleCopy = [&] { ++doubles; };
    monitor.start();
    ASSERT_TRUE(monitor.isListening());
    // The onDoubleCopy calls once `copies` C presses have arrived, `expected` calls came (however
    // late) and the trigger's delay has passed once more for any extra call to show.
    const auto doublesAfter = [&](qsizetype copies, int expected) {
        EXPECT_GE(seen.waitFor(copies, true).size(), copies);
        const auto pump = [&](std::chrono::milliseconds time, const std::function<bool()>& done) {
            for (QDeadlineTimer limit(time); !done() && !limit.hasExpired();)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        };
        pump(std::chrono::milliseconds(5000), [&] { return doubles >= expected; });
        pump(DoubleCopyMonitor::triggerDelay + std::chrono::milliseconds(400),
             [] { return false; });
        return doubles;
    };
    ASSERT_TRUE(ours.postCopyKeystroke());
    ASSERT_TRUE(ours.postCopyKeystroke());
    EXPECT_EQ(doublesAfter(2, 0), 0);
    QProcess xdotool;
    xdotool.setProcessEnvironment(server->environment());
    xdotool.start(QStringLiteral("xdotool"), {"key", "ctrl+c", "key", "ctrl+c"});
    ASSERT_TRUE(xdotool.waitForFinished(10000));
    EXPECT_EQ(doublesAfter(4, 1), 1);
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
