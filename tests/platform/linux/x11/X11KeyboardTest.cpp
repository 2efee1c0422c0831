#include "app/settings/AppSettings.h"
#include "app/shell/ShortcutRecorder.h"
#include "app/shortcuts/HotKeyManager.h"
#include "core/HotKeyMods.h"
#include "platform/linux/x11/X11GlobalHotKeys.h"
#include "platform/linux/x11/X11KeyListener.h"
#include "platform/linux/x11/X11KeyboardEvents.h"
#include "platform/linux/x11/XcbSelection.h"
#include "tests/platform/linux/x11/XTestTypist.h"
#include "tests/support/XvfbServer.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>

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

TEST_F(X11KeyListenerTest, ModifiersHeldNowIgnoreTheLocks) {
    EXPECT_TRUE(ours.listenAccess());
    other.key(XCB_KEY_PRESS, XK_Control_L);
    other.key(XCB_KEY_PRESS, XK_Alt_L);
    EXPECT_EQ(ours.modifiersNow(), control | option);
    other.tap(XK_Caps_Lock);
    other.tap(XK_Num_Lock);
    other.key(XCB_KEY_PRESS, XK_Shift_L);
    other.key(XCB_KEY_PRESS, XK_Super_L);
    EXPECT_EQ(ours.modifiersNow(), control | option | shift | command);
    for (const xcb_keysym_t key : {XK_Control_L, XK_Alt_L, XK_Shift_L, XK_Super_L})
        other.key(XCB_KEY_RELEASE, key);
    EXPECT_EQ(ours.modifiersNow(), 0u);
}

TEST(X11KeyListenerUnavailableTest, NothingWorksWithoutADisplayOrWithoutRecord) {
    XvfbServer withoutRecord({QStringLiteral("-extension"), QStringLiteral("RECORD")});
    ASSERT_TRUE(withoutRecord.isReady());
    std::atomic<int> calls = 0;
    const auto count = [&](const KeyDownEvent&) { ++calls; };
    EXPECT_FALSE(X11KeyListener(QByteArrayLiteral(":4095")).start(count));
    X11KeyboardEvents noDisplay(QByteArrayLiteral(":4095"));
    EXPECT_EQ(noDisplay.modifiersNow(), 0u);
    EXPECT_FALSE(noDisplay.postCopyKeystroke());
    EXPECT_FALSE(noDisplay.listenAccess());
    EXPECT_EQ(noDisplay.injectorId(), 0u);
    X11KeyListener noRecord(withoutRecord.displayName().toLatin1());
    EXPECT_FALSE(noRecord.start(count));
    XTestTypist(withoutRecord.displayName().toLatin1()).press({XK_c});
    noRecord.stop();
    EXPECT_EQ(calls, 0);
}

const HotKeySpec ctrlAltT{XK_t, control | option, QStringLiteral("Ctrl+Alt+T")};
const HotKeySpec ctrlAltY{XK_y, control | option, QStringLiteral("Ctrl+Alt+Y")};
constexpr quint16 ctrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

class X11GlobalHotKeysTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server && server->isReady());
        manager.onTrigger = [this] {
            ++triggers;
            onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
        };
    }

    // Processes events until `done` holds or five seconds passed.
    static bool waitUntil(const std::function<bool()>& done) {
        for (QDeadlineTimer limit(5000); !done() && !limit.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    bool waitForTriggers(int count) {
        return waitUntil([&] { return triggers >= count; });
    }

    XTestTypist other{display()};
    std::shared_ptr<X11GlobalHotKeys> keys = std::make_shared<X11GlobalHotKeys>();
    HotKeyManager manager{keys};
    int triggers = 0;
    bool onMainThread = true;
};

TEST_F(X11GlobalHotKeysTest, APressArrivesOnTheMainThreadWhateverTheLocks) {
    ASSERT_EQ(manager.registerHotKey(ctrlAltT), 0);
    // Caps and NumLock (Mod2 on this server), each on and off.
    EXPECT_EQ(keys->grabCount(), 4);
    // Pressed with no lock, Caps, Caps and NumLock, NumLock.
    const xcb_keysym_t taps[] = {XK_Caps_Lock, XK_Num_Lock, XK_Caps_Lock, XK_Num_Lock};
    for (int i = 0; i < 4; ++i) {
        other.press({XK_Control_L, XK_Alt_L, XK_t});
        ASSERT_TRUE(waitForTriggers(i + 1)) << i;
        other.tap(taps[i]);
    }
    EXPECT_TRUE(onMainThread);
    // Other combinations of the key still reach the others.
    EXPECT_TRUE(other.canGrab(XK_t, XCB_MOD_MASK_CONTROL));
}

TEST_F(X11GlobalHotKeysTest, AMissingKeyOrACombinationHeldByAnotherClientGivesAStatusAndNoGrab) {
    // The other client holds only the variant with Caps Lock on.
    const xcb_keycode_t t = other.keymap.keycodesOf(XK_t).value(0);
    xcb_grab_key(other.connection, 0, other.root, ctrlAlt | XCB_MOD_MASK_LOCK, t,
                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    other.sync();
    EXPECT_EQ(manager.registerHotKey({0x1234567, control, QString()}), X11GlobalHotKeys::noKey);
    EXPECT_EQ(manager.registerHotKey(ctrlAltT), 10); // BadAccess
    EXPECT_EQ(manager.lastStatus(), 10);
    EXPECT_FALSE(manager.isRegistered());
    EXPECT_EQ(keys->grabCount(), 0);
    xcb_ungrab_key(other.connection, t, other.root, ctrlAlt | XCB_MOD_MASK_LOCK);
    other.sync();
    // Every variant was given back.
    for (const quint16 locks : other.keymap.lockCombinations())
        EXPECT_TRUE(other.canGrab(XK_t, ctrlAlt | locks)) << locks;
}

TEST_F(X11GlobalHotKeysTest, RegisteringAgainReplacesTheCombination) {
    ASSERT_EQ(manager.registerHotKey(ctrlAltT), 0);
    EXPECT_FALSE(other.canGrab(XK_t, ctrlAlt));
    ASSERT_EQ(manager.registerHotKey(ctrlAltY), 0);
    for (const quint16 locks : other.keymap.lockCombinations())
        EXPECT_TRUE(other.canGrab(XK_t, ctrlAlt | locks)) << locks;
    EXPECT_FALSE(other.canGrab(XK_y, ctrlAlt));
    other.press({XK_Control_L, XK_Alt_L, XK_y});
    ASSERT_TRUE(waitForTriggers(1));
    keys->release();
    EXPECT_TRUE(other.canGrab(XK_y, ctrlAlt));
}

// The settings screen's recorder on these hot keys, the default shortcut held: Qt's key events
// from the X server carry what the recorder reads (its rules are tested on a fake).
class ShortcutRecorderX11Test : public X11GlobalHotKeysTest {
protected:
    void SetUp() override {
        X11GlobalHotKeysTest::SetUp();
        ASSERT_EQ(manager.registerHotKey(settings.hotKey()), 0);
    }

    QTemporaryDir dir;
    DefaultsStore store{QStringLiteral("com.korvane.verdolin"), dir.path()};
    AppSettings settings{store, QStringList(), QStringList()};
    ShortcutRecorder recorder{settings, manager, [] { return QList<ReservedHotKey>(); }};
};

TEST_F(ShortcutRecorderX11Test, TypedCombinationsReachTheRecorderTheHeldOneIncluded) {
    QWindow window;
    window.resize(100, 100);
    window.show();
    window.requestActivate();
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == &window; }));
    recorder.start();
    other.press({XK_Control_L, XK_Alt_L, XK_t});
    ASSERT_TRUE(waitUntil([&] { return !recorder.recording(); }));
    EXPECT_EQ(triggers, 0);
    EXPECT_FALSE(other.canGrab(XK_t, ctrlAlt));
    recorder.start();
    other.press({XK_Control_L, XK_Shift_L, XK_a});
    ASSERT_TRUE(waitUntil([&] { return !recorder.recording(); }));
    EXPECT_EQ(settings.hotKey(),
              (HotKeySpec{XK_a, control | shift, QStringLiteral("Ctrl+Shift+A")}));
    EXPECT_FALSE(other.canGrab(XK_a, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT));
    EXPECT_TRUE(other.canGrab(XK_t, ctrlAlt));
}

} // namespace

int main(int argc, char* argv[]) {
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    XvfbServer display;
    server = &display;
    qputenv("DISPLAY", display.displayName().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
