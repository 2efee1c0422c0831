#include "platform/linux/x11/X11WindowSystem.h"

#include <QGuiApplication>
#include <QWindow>

#include <array>
#include <cstdlib>
#include <unistd.h>

namespace {

using XcbSelection::Reply;

// EWMH source indication: a pager, that is a direct request of the user, which window managers
// honour even when they prevent focus stealing.
constexpr uint32_t sourcePager = 2;
constexpr uint32_t sourceApplication = 1;
constexpr uint32_t stateRemove = 0;
constexpr uint32_t stateAdd = 1;
// ICCCM WM_STATE: 0 is WithdrawnState; Normal and Iconic mean the window manager holds it.
constexpr uint32_t withdrawnState = 0;
// How long a window manager may take to let go of a window that was just hidden.
constexpr int withdrawalLimitMs = 500;

// The first 32-bit value of a property, when it has one of `type`.
std::optional<uint32_t> cardinal(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                 xcb_atom_t type) {
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1), nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    return *static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
}

void sendToRoot(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                std::array<uint32_t, 5> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    for (int i = 0; i < 5; ++i)
        message.data.data32[i] = data[i];
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
}

// A round trip: what was sent before it has been done by the server when it returns, so that a
// request on Qt's own connection afterwards sees it.
void sync(xcb_connection_t* c) {
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

} // namespace

X11WindowSystem::X11WindowSystem(const QByteArray& displayName)
    : m_connection(XcbSelection::connect(displayName, &m_root)) {
    xcb_connection_t* c = m_connection.get();
    if (!c)
        return;
    const QList<xcb_atom_t> atoms = XcbSelection::atoms(
        c, {QStringLiteral("_NET_ACTIVE_WINDOW"), QStringLiteral("_NET_WM_PID"),
            QStringLiteral("_NET_WM_STATE"), QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR"),
            QStringLiteral("WM_STATE"), QStringLiteral("_VERDOLIN_TIMESTAMP")});
    m_activeWindow = atoms.value(0);
    m_pid = atoms.value(1);
    m_state = atoms.value(2);
    m_skipTaskbar = atoms.value(3);
    m_wmState = atoms.value(4);
    m_timestamp = atoms.value(5);
    m_clock = XcbSelection::createWindow(c, m_root);
}

std::optional<WindowSystem::WindowId> X11WindowSystem::activeWindow() {
    const xcb_window_t window = activeWindowOfAnyone();
    if (window == XCB_WINDOW_NONE || isOurs(window))
        return std::nullopt;
    return window;
}

bool X11WindowSystem::activate(WindowId window) {
    xcb_connection_t* c = m_connection.get();
    if (!c || window == XCB_WINDOW_NONE || window > UINT32_MAX)
        return false;
    const auto target = static_cast<xcb_window_t>(window);
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, target), nullptr));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return false;
    // Qt 6.4 offers no server time in its public API: a zero-length append to a window of ours
    // has the server stamp a PropertyNotify. CurrentTime if that never comes.
    const xcb_timestamp_t time =
        XcbSelection::serverTime(c, m_clock, m_timestamp, QDeadlineTimer(1000))
            .value_or(XCB_CURRENT_TIME);
    sendToRoot(c, m_root, target, m_activeWindow,
               {sourcePager, time, activeWindowOfAnyone(), 0, 0});
    return true;
}

void X11WindowSystem::setShownInTaskbar(QWindow& window, bool shown) {
    xcb_connection_t* c = m_connection.get();
    if (!c)
        return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    if (window.isVisible()) {
        // A managed window's state belongs to the window manager: it is asked to change it.
        sendToRoot(c, m_root, id, m_state,
                   {shown ? stateRemove : stateAdd, m_skipTaskbar, 0, sourceApplication, 0});
        return;
    }
    // A withdrawn window carries its initial state in the property, which Qt merges with its own
    // atoms when it maps the window. Right after hide() the window manager may still hold the
    // window, and erases the property as it lets go (EWMH): written before that, it would be lost.
    waitUntilWithdrawn(id);
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, id, m_state, XCB_ATOM_ATOM, 0, 1024), nullptr));
    QList<xcb_atom_t> states;
    if (reply && reply->format == 32) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        states = QList<xcb_atom_t>(values, values + xcb_get_property_value_length(reply.get()) / 4);
    }
    states.removeAll(m_skipTaskbar);
    if (!shown)
        states.append(m_skipTaskbar);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, m_state, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.constData());
    sync(c);
}

xcb_window_t X11WindowSystem::activeWindowOfAnyone() {
    xcb_connection_t* c = m_connection.get();
    if (!c)
        return XCB_WINDOW_NONE;
    return cardinal(c, m_root, m_activeWindow, XCB_ATOM_WINDOW).value_or(XCB_WINDOW_NONE);
}

bool X11WindowSystem::isOurs(xcb_window_t window) {
    if (qGuiApp) {
        for (QWindow* ours : QGuiApplication::allWindows()) {
            // handle(): winId() would create a native window for one that has none yet.
            if (ours->handle() && ours->winId() == window)
                return true;
        }
    }
    // Also windows of this process that are not QWindows, such as Qt's client leader.
    return cardinal(m_connection.get(), window, m_pid, XCB_ATOM_CARDINAL)
           == static_cast<uint32_t>(::getpid());
}

bool X11WindowSystem::isManaged(xcb_window_t window) {
    return cardinal(m_connection.get(), window, m_wmState, m_wmState).value_or(withdrawnState)
           != withdrawnState;
}

void X11WindowSystem::waitUntilWithdrawn(xcb_window_t window) {
    xcb_connection_t* c = m_connection.get();
    uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
    // Looked at after asking for the changes, so that the last one cannot slip in between.
    for (QDeadlineTimer limit(withdrawalLimitMs); isManaged(window);) {
        if (!XcbSelection::waitForEvent(c, limit))
            break;
    }
    mask = 0;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
}
