#include "platform/linux/x11/X11KeyboardEvents.h"

#include <QMutexLocker>

#include <X11/keysym.h>
#include <cstdlib>
#include <xcb/record.h>
#include <xcb/xtest.h>

X11KeyboardEvents::X11KeyboardEvents(const QByteArray& displayName) {
    int screenNumber = 0;
    xcb_connection_t* connection =
        xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    m_root = screens.data->root;
    m_keymap = X11Keymap::read(m_connection);
}

X11KeyboardEvents::~X11KeyboardEvents() {
    if (m_connection)
        xcb_disconnect(m_connection);
}

void X11KeyboardEvents::refreshAfterMappingChange() {
    if (X11Keymap::mappingChanged(m_connection) || m_keymap.isEmpty())
        m_keymap = X11Keymap::read(m_connection);
}

quint32 X11KeyboardEvents::modifiersNow() {
    QMutexLocker lock(&m_mutex);
    if (!m_connection || xcb_connection_has_error(m_connection))
        return 0;
    xcb_query_pointer_reply_t* pointer =
        xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
    if (!pointer)
        return 0;
    const quint16 state = pointer->mask;
    std::free(pointer);
    refreshAfterMappingChange();
    return m_keymap.hotKeyModsOf(state);
}

bool X11KeyboardEvents::postCopyKeystroke() {
    QMutexLocker lock(&m_mutex);
    if (!m_connection || xcb_connection_has_error(m_connection))
        return false;
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(m_connection, &xcb_test_id);
    if (!xtest || !xtest->present)
        return false;
    // A round trip first, so a mapping changed a moment ago is the one used.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    refreshAfterMappingChange();

    QList<xcb_keycode_t> control = m_keymap.keycodesOf(XK_Control_L);
    if (control.isEmpty())
        control = m_keymap.keycodesOf(XK_Control_R);
    const QList<xcb_keycode_t> c = m_keymap.keycodesOf(XK_c);
    if (control.isEmpty() || c.isEmpty())
        return false;
    const auto post = [this](uint8_t type, xcb_keycode_t key) {
        xcb_test_fake_input(m_connection, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    };
    post(XCB_KEY_PRESS, control.first());
    post(XCB_KEY_PRESS, c.first());
    post(XCB_KEY_RELEASE, c.first());
    post(XCB_KEY_RELEASE, control.first());
    // Answered only after the server has delivered all four events.
    xcb_get_input_focus_reply_t* done =
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr);
    const bool delivered = done != nullptr;
    std::free(done);
    return delivered;
}

bool X11KeyboardEvents::listenAccess() {
    QMutexLocker lock(&m_mutex);
    if (!m_connection || xcb_connection_has_error(m_connection))
        return false;
    const xcb_query_extension_reply_t* record =
        xcb_get_extension_data(m_connection, &xcb_record_id);
    return record && record->present;
}

quint32 X11KeyboardEvents::injectorId() const {
    return m_connection ? xcb_get_setup(m_connection)->resource_id_base : 0;
}
