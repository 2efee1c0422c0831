#include "platform/linux/x11/ClipboardChangeWatcher.h"

#include "platform/linux/x11/ClipboardOwner.h"
#include "platform/linux/x11/XcbSelection.h"

#include <xcb/xfixes.h>

using namespace XcbSelection;

struct ClipboardChangeWatcher::Private {
    Connection connection;
    const ClipboardOwner* own = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_window_t window = XCB_WINDOW_NONE;
    xcb_atom_t timeProperty = XCB_ATOM_NONE;
    uint8_t firstEvent = 0;
    bool valid = false;
    xcb_timestamp_t since = 0;
    quint64 count = 0;

    xcb_connection_t* c() const { return connection.get(); }

    void consider(const xcb_generic_event_t* event) {
        if ((event->response_type & 0x7f) != firstEvent + XCB_XFIXES_SELECTION_NOTIFY)
            return;
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        // A vanished owner leaves the old selection time in place; the event's own time says
        // when it happened.
        const xcb_timestamp_t when =
            notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER
                ? notify->selection_timestamp
                : notify->timestamp;
        // Whatever arrives after the reset's own time stamp came later in the server's order,
        // even within the same millisecond; what came before was drained by reset().
        if (when != since && !isLater(when, since))
            return;
        if (own && notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER
            && own->isOwnChange(notify->owner, notify->selection_timestamp))
            return;
        ++count;
    }

    void drain() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c())) {
            consider(event);
            std::free(event);
        }
    }
};

ClipboardChangeWatcher::ClipboardChangeWatcher(const QByteArray& displayName,
                                               const ClipboardOwner* own)
    : d(std::make_unique<Private>()) {
    d->own = own;
    d->connection = connect(displayName, &d->root);
    if (!d->connection)
        return;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(d->c(), &xcb_xfixes_id);
    if (!extension || !extension->present)
        return;
    d->firstEvent = extension->first_event;
    std::unique_ptr<xcb_xfixes_query_version_reply_t, FreeDeleter> version(
        xcb_xfixes_query_version_reply(d->c(), xcb_xfixes_query_version(d->c(), 5, 0), nullptr));
    if (!version || version->major_version < 1)
        return;
    const QList<xcb_atom_t> names =
        atoms(d->c(), {QStringLiteral("CLIPBOARD"), QStringLiteral("VERDOLIN_TIMESTAMP")});
    d->timeProperty = names.at(1);
    d->window = createWindow(d->c(), d->root);
    xcb_xfixes_select_selection_input(d->c(), d->window, names.at(0),
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    d->valid = names.at(0) != XCB_ATOM_NONE && reset();
}

ClipboardChangeWatcher::~ClipboardChangeWatcher() = default;

bool ClipboardChangeWatcher::isValid() const {
    return d->valid;
}

bool ClipboardChangeWatcher::reset() {
    if (!d->connection || d->window == XCB_WINDOW_NONE)
        return false;
    const std::optional<xcb_timestamp_t> now =
        serverTime(d->c(), d->window, d->timeProperty, QDeadlineTimer(1000),
                   [this](Event event) { d->consider(event.get()); });
    if (!now)
        return false;
    d->since = *now;
    d->count = 0;
    // Notifications already queued are older than `since` and are dropped by consider().
    d->drain();
    d->count = 0;
    return true;
}

quint64 ClipboardChangeWatcher::changeCount() {
    if (d->valid) {
        xcb_flush(d->c());
        d->drain();
    }
    return d->count;
}
