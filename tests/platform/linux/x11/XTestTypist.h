#pragma once

#include "platform/linux/x11/X11Keymap.h"

#include <QByteArray>

#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

// Another client of a display that types through XTest, as xdotool would.
class XTestTypist {
public:
    explicit XTestTypist(const QByteArray& displayName) {
        connection = xcb_connect(displayName.constData(), nullptr);
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        keymap = X11Keymap::read(connection);
    }
    ~XTestTypist() { xcb_disconnect(connection); }
    XTestTypist(const XTestTypist&) = delete;
    XTestTypist& operator=(const XTestTypist&) = delete;

    // One press or release of the first key that types `keysym`, carried out before it returns.
    void key(uint8_t type, xcb_keysym_t keysym) {
        xcb_test_fake_input(connection, type, keymap.keycodesOf(keysym).value(0), XCB_CURRENT_TIME,
                            XCB_NONE, 0, 0, 0);
        sync();
    }
    void tap(xcb_keysym_t keysym) {
        key(XCB_KEY_PRESS, keysym);
        key(XCB_KEY_RELEASE, keysym);
    }
    // The keys pressed in order and released in reverse, as a chord is typed.
    void press(std::initializer_list<xcb_keysym_t> chord) {
        for (const xcb_keysym_t keysym : chord)
            key(XCB_KEY_PRESS, keysym);
        for (auto it = std::rbegin(chord); it != std::rend(chord); ++it)
            key(XCB_KEY_RELEASE, *it);
    }
    // Whether this client could grab the key with the modifiers on the root window (and then
    // lets it go).
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
    // A round trip: everything sent before has been carried out.
    void sync() {
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }

    xcb_connection_t* connection;
    xcb_window_t root;
    X11Keymap keymap;
};
