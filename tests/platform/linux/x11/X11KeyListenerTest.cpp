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
#include <QThread>

#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <xcb/xtest.h>

void PrintTo(const KeyDownEvent& event, std::ostream* out) {
    *out << "{mods " << event.mods << (event.isCopyKey ? " copy" : "")
         << (event.isRepeat ? " repeat" : "") << (event.ownKeystroke ? " own" : "") << " at "
         << event.timestamp << "}";
}

namespace {

using namespace HotKeyMods;

XvfbServer* server = nullptr;

QByteArray display() {
    return server->displayName().toLatin1();
}

// Another client of the display: presses keys through XTest and reads the server's clock.
class OtherClient : public XTestTypist {
public:
    explicit OtherClient(const QByteArray& displayName = display())
        : XTestTypist(displayName) {
        clock = XcbSelection::createWindow(connection, root);
    }

    // The server's time now, in seconds: the stamp of a property change.
    double serverTime() {
        xcb_change_property(connection, XCB_PROP_MODE_APPEND, clock, XCB_ATOM_WM_NAME,
                            XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(connection);
        double time = -1;
        while (time < 0) {
            xcb_generic_event_t* event = xcb_wait_for_event(connection);
            if (!event)
                break;
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY)
                time = reinterpret_cast<xcb_property_notify_event_t*>(event)->time / 1000.0;
            std::free(event);
        }
        return time;
    }

    xcb_window_t clock;
};

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
    // Waits up to five seconds for `count` presses (those `which` accepts, when given).
    QList<KeyDownEvent> waitFor(qsizetype count,
                                const std::function<bool(const KeyDownEvent&)>& which = {}) {
        std::unique_lock lock(m_mutex);
        QList<KeyDownEvent> found;
        m_arrived.wait_for(lock, std::chrono::seconds(5), [&] {
            found.clear();
            for (const KeyDownEvent& event : m_events) {
                if (!which || which(event))
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

bool isCopyKey(const KeyDownEvent& event) {
    return event.isCopyKey;
}

KeyDownEvent down(quint32 mods, bool copyKey, bool repeat = false, bool own = false) {
    return {mods, copyKey, repeat, 0, own};
}

// Everything but the time.
QList<KeyDownEvent> untimed(QList<KeyDownEvent> events) {
    for (KeyDownEvent& event : events)
        event.timestamp = 0;
    return events;
}

class X11KeyListenerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server && server->isReady());
        ASSERT_TRUE(listener.start(received.handler()));
    }

    OtherClient other;
    Received received;
    X11KeyListener listener{display()};
};

TEST_F(X11KeyListenerTest, PressesOfAnotherClientArriveWithModifiersKeyAndServerTime) {
    const double before = other.serverTime();
    other.press({XK_Control_L, XK_Shift_L, XK_c});
    other.press({XK_Control_L, XK_v});
    // The locks never count.
    other.press({XK_Caps_Lock});
    other.press({XK_Num_Lock});
    other.press({XK_Control_L, XK_c});
    other.press({XK_Caps_Lock});
    other.press({XK_Num_Lock});
    const double after = other.serverTime();
    const QList<KeyDownEvent> events = received.waitFor(11);
    EXPECT_EQ(
        untimed(events),
        QList<KeyDownEvent>({down(0, false), down(control, false), down(control | shift, true),
                             down(0, false), down(control, false), down(0, false), down(0, false),
                             down(0, false), down(control, true), down(0, false), down(0, false)}));
    ASSERT_GE(before, 0);
    for (const KeyDownEvent& event : events) {
        EXPECT_GE(event.timestamp, before);
        EXPECT_LE(event.timestamp, after);
    }
}

TEST_F(X11KeyListenerTest, AHeldKeyRepeatsUntilReleased) {
    other.key(XCB_KEY_PRESS, XK_Control_L);
    other.key(XCB_KEY_PRESS, XK_c);
    // Held past the server's repeat delay (660 ms unless changed): repeated presses, and no
    // release between them.
    QThread::msleep(1500);
    other.key(XCB_KEY_RELEASE, XK_c);
    other.press({XK_c});
    other.key(XCB_KEY_RELEASE, XK_Control_L);
    received.waitFor(2,
                     [](const KeyDownEvent& event) { return event.isCopyKey && !event.isRepeat; });
    QList<KeyDownEvent> events = untimed(received.waitFor(0));
    ASSERT_GE(events.size(), 4);
    EXPECT_EQ(events.takeFirst(), down(0, false));
    EXPECT_EQ(events.takeFirst(), down(control, true));
    EXPECT_EQ(events.takeLast(), down(control, true));
    for (const KeyDownEvent& event : events)
        EXPECT_EQ(event, down(control, true, true));
}

TEST_F(X11KeyListenerTest, KeystrokesOfOurOwnInjectorAreMarkedAndNoOneElses) {
    X11KeyboardEvents ours(display());
    X11KeyboardEvents theirs(display());
    ASSERT_NE(ours.injectorId(), 0u);
    Received marked;
    X11KeyListener marking(display(), {ours.injectorId()});
    ASSERT_TRUE(marking.start(marked.handler()));

    ASSERT_TRUE(ours.postCopyKeystroke());
    ASSERT_TRUE(theirs.postCopyKeystroke());
    other.press({XK_Control_L, XK_c});
    ASSERT_TRUE(ours.postCopyKeystroke());
    const KeyDownEvent ownControl = down(0, false, false, true);
    const KeyDownEvent ownC = down(control, true, false, true);
    EXPECT_EQ(untimed(marked.waitFor(8)),
              QList<KeyDownEvent>({ownControl, ownC, down(0, false), down(control, true),
                                   down(0, false), down(control, true), ownControl, ownC}));
    // A listener that knows no injector of ours marks nothing.
    for (const KeyDownEvent& event : received.waitFor(8))
        EXPECT_FALSE(event.ownKeystroke);
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
    X11KeyListener noDisplay(QByteArrayLiteral(":4095"));
    EXPECT_FALSE(noDisplay.start(count));
    X11KeyListener noRecord(withoutRecord.displayName().toLatin1());
    EXPECT_FALSE(noRecord.start(count));
    OtherClient(withoutRecord.displayName().toLatin1()).press({XK_c});
    noRecord.stop();
    EXPECT_EQ(calls, 0);
}

// The monitor over RECORD, with a second listener as witness of what arrived.
class DoubleCopyOverRecordTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server && server->isReady());
        ASSERT_TRUE(witness.start(seen.handler()));
        monitor.onDoubleCopy = [this] { ++doubles; };
        monitor.start();
        ASSERT_TRUE(monitor.isListening());
    }

    // Types with xdotool, a client of its own.
    static void xdotool(const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(server->environment());
        process.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(process.waitForFinished(10000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }

    // The onDoubleCopy calls once `copies` C presses have arrived and the delay has passed.
    int doublesAfter(qsizetype copies) {
        EXPECT_GE(seen.waitFor(copies, isCopyKey).size(), copies);
        QDeadlineTimer limit(DoubleCopyMonitor::triggerDelay + std::chrono::milliseconds(400));
        while (!limit.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return doubles;
    }
    double gapOfTheTwoCopies() {
        const QList<KeyDownEvent> copies = seen.waitFor(2, isCopyKey);
        return copies.size() == 2 ? copies[1].timestamp - copies[0].timestamp : -1;
    }

    X11KeyboardEvents ours{display()};
    Received seen;
    X11KeyListener witness{display()};
    DoubleCopyMonitor monitor{
        std::make_shared<X11KeyListener>(display(), QList<quint32>{ours.injectorId()}),
        [] { return qint64(0); }};
    int doubles = 0;
};

TEST_F(DoubleCopyOverRecordTest, TwoQuickCopiesOfAnotherClientTriggerOnce) {
    xdotool({"key", "ctrl+c", "sleep", "0.3", "key", "ctrl+c"});
    const int calls = doublesAfter(2);
    if (gapOfTheTwoCopies() > DoubleCopyMonitor::interval)
        GTEST_SKIP() << "the display was too busy to keep the gap";
    EXPECT_EQ(calls, 1);
}

TEST_F(DoubleCopyOverRecordTest, OurOwnCopyKeystrokesNeverCount) {
    ASSERT_TRUE(ours.postCopyKeystroke());
    ASSERT_TRUE(ours.postCopyKeystroke());
    EXPECT_EQ(doublesAfter(2), 0);
    // The user's own pair right after is still heard.
    xdotool({"key", "ctrl+c", "key", "ctrl+c"});
    EXPECT_EQ(doublesAfter(4), 1);
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
