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
}

TEST(X11KeyboardEventsNoDisplayTest, AnswersNothing) {
    X11KeyboardEvents events(QByteArrayLiteral(":4095"));
    EXPECT_EQ(events.modifiersNow(), 0u);
    EXPECT_FALSE(events.postCopyKeystroke());
    EXPECT_FALSE(events.listenAccess());
    EXPECT_EQ(events.injectorId(), 0u);
}

} // namespace
