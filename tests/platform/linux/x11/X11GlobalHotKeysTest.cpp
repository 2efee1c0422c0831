#include "platform/linux/x11/X11GlobalHotKeys.h"

#include "app/shortcuts/HotKeyManager.h"
#include "core/HotKeyMods.h"
#include "platform/linux/x11/X11Keymap.h"
#include "tests/platform/linux/x11/XTestTypist.h"
#include "tests/support/XvfbServer.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <cstdlib>
#include <xcb/xtest.h>

namespace {

using namespace HotKeyMods;

XvfbServer* server = nullptr;

// Another client of the display: presses keys through XTest and grabs keys of its own.
class OtherClient : public XTestTypist {
public:
    OtherClient()
        : XTestTypist(server->displayName().toLatin1()) {}

    // Whether this client could grab the key with the modifiers (and then lets it go).
    bool canGrab(xcb_keysym_t keysym, quint16 modifiers) {
        const xcb_keycode_t keycode = keymap.keycodesOf(keysym).value(0);
        xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_grab_key_checked(connection, 0, root, modifiers, keycode,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        xcb_ungrab_key(connection, keycode, root, modifiers);
        sync();
        return !error;
    }
};

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

    // Processes events until `count` triggers arrived or five seconds passed.
    bool waitForTriggers(int count) {
        QDeadlineTimer limit(5000);
        while (triggers < count && !limit.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return triggers >= count;
    }

    OtherClient other;
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

TEST_F(X11GlobalHotKeysTest, AKeyMovedToAnotherKeycodeIsGrabbedAgain) {
    ASSERT_EQ(manager.registerHotKey(ctrlAltT), 0);
    // F12 becomes a second T; the old T key types F12 instead.
    const xcb_keycode_t t = other.keymap.keycodesOf(XK_t).value(0);
    const xcb_keycode_t f12 = other.keymap.keycodesOf(XK_F12).value(0);
    const xcb_keysym_t newT[] = {XK_t, XK_T};
    const xcb_keysym_t newF12[] = {XK_F12, XK_F12};
    xcb_change_keyboard_mapping(other.connection, 1, f12, 2, newT);
    xcb_change_keyboard_mapping(other.connection, 1, t, 2, newF12);
    other.sync();
    // The old keycode is let go once the mapping notification has been handled.
    QDeadlineTimer limit(5000);
    while (!other.canGrab(XK_t, ctrlAlt) && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    other.keymap = X11Keymap::read(other.connection);
    ASSERT_EQ(other.keymap.keycodesOf(XK_t).value(0), f12);
    other.press({XK_Control_L, XK_Alt_L, XK_t});
    EXPECT_TRUE(waitForTriggers(1));
    xcb_change_keyboard_mapping(other.connection, 1, t, 2, newT);
    xcb_change_keyboard_mapping(other.connection, 1, f12, 2, newF12);
    other.sync();
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
