#include "platform/linux/x11/X11KeyboardEvents.h"

#include "core/HotKeyMods.h"
#include "tests/platform/linux/x11/XTestTypist.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <cstdlib>
#include <xcb/xtest.h>

namespace {

using namespace HotKeyMods;

class X11KeyboardEventsTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.isReady()); }

    XvfbServer server;
    XTestTypist other{server.displayName().toLatin1()};
    X11KeyboardEvents events{server.displayName().toLatin1()};
};

TEST_F(X11KeyboardEventsTest, ModifiersHeldNowIgnoreTheLocks) {
    EXPECT_TRUE(events.listenAccess());
    // The injector is a connection of its own.
    EXPECT_NE(events.injectorId(), 0u);
    EXPECT_NE(events.injectorId(), xcb_get_setup(other.connection)->resource_id_base);
    EXPECT_EQ(events.modifiersNow(), 0u);
    other.key(XCB_KEY_PRESS, XK_Control_L);
    other.key(XCB_KEY_PRESS, XK_Alt_L);
    EXPECT_EQ(events.modifiersNow(), control | option);
    other.tap(XK_Caps_Lock);
    other.tap(XK_Num_Lock);
    other.key(XCB_KEY_PRESS, XK_Shift_L);
    other.key(XCB_KEY_PRESS, XK_Super_L);
    EXPECT_EQ(events.modifiersNow(), control | option | shift | command);
    for (const xcb_keysym_t key : {XK_Control_L, XK_Alt_L, XK_Shift_L, XK_Super_L})
        other.key(XCB_KEY_RELEASE, key);
    EXPECT_EQ(events.modifiersNow(), 0u);
}

TEST_F(X11KeyboardEventsTest, FollowsAModifierMovedToAnotherBit) {
    ASSERT_EQ(events.modifiersNow(), 0u);
    // Alt moves from Mod1 to Mod3, as xmodmap would do it.
    X11Keymap before = other.keymap;
    const xcb_get_modifier_mapping_reply_t* reply = xcb_get_modifier_mapping_reply(
        other.connection, xcb_get_modifier_mapping(other.connection), nullptr);
    ASSERT_TRUE(reply);
    const int per = reply->keycodes_per_modifier;
    QList<xcb_keycode_t> map(xcb_get_modifier_mapping_keycodes(reply),
                             xcb_get_modifier_mapping_keycodes(reply) + 8 * per);
    std::free(const_cast<xcb_get_modifier_mapping_reply_t*>(reply));
    for (int slot = 0; slot < per; ++slot) {
        std::swap(map[3 * per + slot], map[5 * per + slot]);
    }
    xcb_set_modifier_mapping_reply_t* set = xcb_set_modifier_mapping_reply(
        other.connection, xcb_set_modifier_mapping(other.connection, per, map.constData()),
        nullptr);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->status, XCB_MAPPING_STATUS_SUCCESS);
    std::free(set);
    other.key(XCB_KEY_PRESS, XK_Alt_L);
    EXPECT_EQ(events.modifiersNow(), option);
    other.key(XCB_KEY_RELEASE, XK_Alt_L);
    EXPECT_EQ(X11Keymap::read(other.connection).altMask(), XCB_MOD_MASK_3);
    EXPECT_EQ(before.altMask(), XCB_MOD_MASK_1);
}

TEST_F(X11KeyboardEventsTest, TheCopyKeystrokeReachesTheFocusedWindowOfAnotherClient) {
    const xcb_window_t window = xcb_generate_id(other.connection);
    const uint32_t values[] = {XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE};
    xcb_create_window(other.connection, XCB_COPY_FROM_PARENT, window, other.root, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      values);
    xcb_map_window(other.connection, window);
    other.sync();
    xcb_set_input_focus(other.connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    other.tap(XK_Num_Lock);

    ASSERT_TRUE(events.postCopyKeystroke());
    other.sync();
    const xcb_keycode_t c = other.keymap.keycodesOf(XK_c).value(0);
    QStringList seen;
    while (xcb_generic_event_t* event = xcb_poll_for_event(other.connection)) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
            const auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
            if (key->detail == c) {
                seen << QStringLiteral("%1 c %2")
                            .arg(type == XCB_KEY_PRESS ? "press" : "release")
                            .arg(X11Keymap::read(other.connection).hotKeyModsOf(key->state));
            }
        }
        std::free(event);
    }
    EXPECT_EQ(seen, QStringList({QStringLiteral("press c %1").arg(control),
                                 QStringLiteral("release c %1").arg(control)}));
    // Control is let go again.
    EXPECT_EQ(events.modifiersNow(), 0u);
}

TEST(X11KeyboardEventsNoDisplayTest, AnswersNothing) {
    X11KeyboardEvents events(QByteArrayLiteral(":4095"));
    EXPECT_EQ(events.modifiersNow(), 0u);
    EXPECT_FALSE(events.postCopyKeystroke());
    EXPECT_FALSE(events.listenAccess());
    EXPECT_EQ(events.injectorId(), 0u);
}

} // namespace
