#include "platform/linux/x11/XcbSelection.h"

#include <cstring>
#include <poll.h>

namespace XcbSelection {

Connection connect(const QByteArray& displayName, xcb_window_t* root) {
    int screenNumber = 0;
    Connection connection(
        xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber));
    if (xcb_connection_has_error(connection.get()))
        return nullptr;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem <= 0)
        return nullptr;
    *root = screens.data->root;
    return connection;
}

xcb_window_t createWindow(xcb_connection_t* connection, xcb_window_t root) {
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, root, -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    return window;
}

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name) {
    return atoms(connection, {QString::fromUtf8(name)}).value(0, XCB_ATOM_NONE);
}

QList<xcb_atom_t> atoms(xcb_connection_t* connection, const QStringList& names) {
    QList<xcb_intern_atom_cookie_t> cookies;
    cookies.reserve(names.size());
    for (const QString& name : names) {
        const QByteArray bytes = name.toUtf8();
        cookies.append(
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(bytes.size()), bytes.constData()));
    }
    QList<xcb_atom_t> result;
    result.reserve(names.size());
    for (const xcb_intern_atom_cookie_t& cookie : cookies) {
        std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr));
        result.append(reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE));
    }
    return result;
}

QStringList atomNames(xcb_connection_t* connection, const QList<xcb_atom_t>& atoms) {
    QList<xcb_get_atom_name_cookie_t> cookies;
    cookies.reserve(atoms.size());
    for (xcb_atom_t atom : atoms)
        cookies.append(xcb_get_atom_name(connection, atom));
    QStringList names;
    names.reserve(atoms.size());
    for (const xcb_get_atom_name_cookie_t& cookie : cookies) {
        std::unique_ptr<xcb_get_atom_name_reply_t, FreeDeleter> reply(
            xcb_get_atom_name_reply(connection, cookie, nullptr));
        if (reply) {
            names.append(QString::fromUtf8(xcb_get_atom_name_name(reply.get()),
                                           xcb_get_atom_name_name_length(reply.get())));
        }
    }
    return names;
}

QList<xcb_atom_t> targetAtoms(QByteArrayView data) {
    QList<xcb_atom_t> atoms;
    for (qsizetype i = 0; i + 4 <= data.size(); i += 4) {
        xcb_atom_t atom = XCB_ATOM_NONE;
        std::memcpy(&atom, data.data() + i, 4);
        if (atom != XCB_ATOM_NONE)
            atoms.append(atom);
    }
    return atoms;
}

Event waitForEvent(xcb_connection_t* connection, const QDeadlineTimer& deadline) {
    xcb_flush(connection);
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(connection))
            return Event(event);
        if (xcb_connection_has_error(connection))
            return nullptr;
        const qint64 remaining = deadline.remainingTime();
        if (remaining == 0)
            return nullptr;
        pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&descriptor, 1, static_cast<int>(remaining < 0 ? -1 : remaining));
    }
}

std::optional<xcb_timestamp_t> serverTime(xcb_connection_t* connection, xcb_window_t window,
                                          xcb_atom_t property, const QDeadlineTimer& deadline,
                                          const std::function<void(Event)>& other) {
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, property, XCB_ATOM_INTEGER, 8, 0,
                        nullptr);
    while (Event event = waitForEvent(connection, deadline)) {
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
            if (notify->window == window && notify->atom == property
                && notify->state == XCB_PROPERTY_NEW_VALUE)
                return notify->time;
        }
        if (other)
            other(std::move(event));
    }
    return std::nullopt;
}

} // namespace XcbSelection
