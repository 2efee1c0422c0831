#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QStringList>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

// Small blocking helpers for the clipboard's own X connections (xcb, so that no process-wide
// Xlib error handler is involved: errors simply arrive as events on the connection).
namespace XcbSelection {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;
using Event = Reply<xcb_generic_event_t>;

struct Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

// Opens a connection (an empty name means $DISPLAY); null when the display is unreachable.
Connection connect(const QByteArray& displayName, xcb_window_t* root);

// An unmapped window of our own that receives property changes.
xcb_window_t createWindow(xcb_connection_t* connection, xcb_window_t root);

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name);
// Pipelined: one round trip for the whole list.
QList<xcb_atom_t> atoms(xcb_connection_t* connection, const QStringList& names);
// Names of the atoms; atoms without a name are dropped.
QStringList atomNames(xcb_connection_t* connection, const QList<xcb_atom_t>& atoms);

// The atoms a TARGETS answer lists (format 32: four bytes each in this machine's order);
// None entries and a trailing partial item are dropped.
QList<xcb_atom_t> targetAtoms(QByteArrayView data);

// The next event, or null when the deadline passes or the connection breaks.
Event waitForEvent(xcb_connection_t* connection, const QDeadlineTimer& deadline);

// A real server timestamp: appends nothing to a property of `window` and waits for the
// PropertyNotify that the server stamps. Other events met meanwhile go to `other`.
std::optional<xcb_timestamp_t> serverTime(xcb_connection_t* connection, xcb_window_t window,
                                          xcb_atom_t property, const QDeadlineTimer& deadline,
                                          const std::function<void(Event)>& other = {});

// X timestamps wrap after 49 days; compare them as the server does.
inline bool isLater(xcb_timestamp_t time, xcb_timestamp_t than) {
    return static_cast<qint32>(time - than) > 0;
}

} // namespace XcbSelection
