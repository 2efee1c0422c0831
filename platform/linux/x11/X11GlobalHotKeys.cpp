#include "platform/linux/x11/X11GlobalHotKeys.h"

#include "platform/linux/x11/X11Keymap.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>

namespace {

// xcb/xkb.h does not compile as C++ (a member is named `explicit`).
constexpr char xkbExtension[] = "XKEYBOARD";
constexpr uint8_t xkbNewKeyboardNotify = 0;
constexpr uint8_t xkbMapNotify = 1;

} // namespace

X11GlobalHotKeys::X11GlobalHotKeys() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    m_connection = x11->connection();
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    if (screens.rem == 0) {
        m_connection = nullptr;
        return;
    }
    m_root = screens.data->root;
    // Qt follows layout changes through XKB; the core MappingNotify may then be all we get,
    // or XKB's map notification may be.
    xcb_query_extension_reply_t* xkb = xcb_query_extension_reply(
        m_connection, xcb_query_extension(m_connection, sizeof xkbExtension - 1, xkbExtension),
        nullptr);
    if (xkb && xkb->present)
        m_xkbEventBase = xkb->first_event;
    std::free(xkb);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11GlobalHotKeys::~X11GlobalHotKeys() {
    if (!m_connection)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    ungrabAll();
    xcb_flush(m_connection);
}

int X11GlobalHotKeys::grab(const HotKeySpec& spec) {
    release();
    if (!m_connection)
        return noDisplay;
    m_spec = spec;
    const int status = grabHeld();
    if (status != 0)
        m_spec.reset();
    return status;
}

void X11GlobalHotKeys::release() {
    m_spec.reset();
    if (!m_connection)
        return;
    ungrabAll();
    // Checked, so the keys are free for other clients once this returns.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

void X11GlobalHotKeys::setPressHandler(std::function<void()> handler) {
    m_handler = std::move(handler);
}

int X11GlobalHotKeys::grabHeld() {
    const X11Keymap keymap = X11Keymap::read(m_connection);
    const QList<xcb_keycode_t> keycodes = keymap.keycodesOf(m_spec->code);
    if (keycodes.isEmpty())
        return noKey;
    const quint16 modifiers = keymap.stateOf(m_spec->mods);

    struct Pending {
        Grab grab;
        xcb_void_cookie_t cookie;
    };
    QList<Pending> pending;
    for (const xcb_keycode_t keycode : keycodes) {
        for (const quint16 locks : keymap.lockCombinations()) {
            const Grab grab{keycode, quint16(modifiers | locks)};
            // Events go to the root window even while one of our own windows has the focus.
            pending.append(
                {grab, xcb_grab_key_checked(m_connection, 0, m_root, grab.modifiers, keycode,
                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
        }
    }
    int status = 0;
    for (const Pending& request : pending) {
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, request.cookie)) {
            if (status == 0)
                status = error->error_code;
            std::free(error);
        } else {
            m_grabs.append(request.grab);
        }
    }
    if (status != 0) {
        // A combination held only with some lock states would fire now and then: hold none.
        ungrabAll();
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    return status;
}

void X11GlobalHotKeys::ungrabAll() {
    for (const Grab& grab : std::as_const(m_grabs))
        xcb_ungrab_key(m_connection, grab.keycode, m_root, grab.modifiers);
    m_grabs.clear();
}

bool X11GlobalHotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS) {
        const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
        // Pointer buttons held at the time do not change which grab fired.
        const Grab fired{press->detail, quint16(press->state & 0xff)};
        if (press->event != m_root || !m_grabs.contains(fired))
            return false;
        if (m_handler)
            m_handler();
        return true;
    }
    bool remapped = false;
    if (type == XCB_MAPPING_NOTIFY) {
        const auto* notify = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        remapped = notify->request != XCB_MAPPING_POINTER;
    } else if (m_xkbEventBase != 0 && type == m_xkbEventBase) {
        // XKB events share one event code; the kind is the second byte.
        const uint8_t kind = reinterpret_cast<const uint8_t*>(event)[1];
        remapped = kind == xkbMapNotify || kind == xkbNewKeyboardNotify;
    }
    if (remapped && m_spec) {
        // The key or a modifier may sit elsewhere now.
        ungrabAll();
        if (grabHeld() != 0)
            m_spec.reset();
    }
    return false;
}
