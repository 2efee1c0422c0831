#include "platform/linux/x11/PrimarySelectionReader.h"

#include "platform/linux/x11/IncrementalTransfer.h"
#include "platform/linux/x11/XcbSelection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <poll.h>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;

using XcbSelection::Reply;

// The next event before `deadline`, or null when the time is up or the connection broke.
Reply<xcb_generic_event_t> nextEvent(xcb_connection_t* connection, Clock::time_point deadline) {
    xcb_flush(connection);
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(connection))
            return Reply<xcb_generic_event_t>(event);
        if (xcb_connection_has_error(connection))
            return nullptr;
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return nullptr;
        pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&descriptor, 1, static_cast<int>(left));
    }
}

// The property's value in bytes: format-8 data is the only kind text comes in.
QByteArray valueOf(const xcb_get_property_reply_t* reply) {
    const int length = xcb_get_property_value_length(reply);
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply)), length);
}

} // namespace

PrimarySelectionReader::PrimarySelectionReader(const QByteArray& displayName, std::int64_t sizeCap)
    : m_displayName(displayName)
    , m_sizeCap(sizeCap) {}

PrimarySelectionReader::~PrimarySelectionReader() {
    disconnect();
}

bool PrimarySelectionReader::connect() {
    if (m_connection && !xcb_connection_has_error(m_connection))
        return true;
    disconnect();
    xcb_window_t root = XCB_WINDOW_NONE;
    m_connection = XcbSelection::connect(m_displayName, &root).release();
    if (!m_connection)
        return false;
    // An unmapped input-only window is enough to receive the selection into a property; its
    // property changes drive incremental transfers.
    m_window = XcbSelection::createWindow(m_connection, root);
    m_property = XcbSelection::atom(m_connection, "VERDOLIN_PRIMARY");
    m_utf8String = XcbSelection::atom(m_connection, "UTF8_STRING");
    m_incr = XcbSelection::atom(m_connection, "INCR");
    if (m_property == XCB_ATOM_NONE || m_utf8String == XCB_ATOM_NONE || m_incr == XCB_ATOM_NONE) {
        disconnect();
        return false;
    }
    return true;
}

void PrimarySelectionReader::disconnect() {
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = nullptr;
    m_window = 0;
}

PrimarySelectionReader::Result
PrimarySelectionReader::read(std::chrono::milliseconds stepTimeout,
                             std::chrono::milliseconds totalTimeout) {
    const std::lock_guard guard(m_lock);
    if (!connect())
        return {Outcome::noDisplay, {}};
    const Result result = readLocked(stepTimeout, totalTimeout);
    // An owner that was left mid-answer may still write into our window later; a fresh
    // connection keeps its late events out of the next read.
    if (result.outcome == Outcome::timedOut || result.outcome == Outcome::tooLarge)
        disconnect();
    return result;
}

std::optional<QString> PrimarySelectionReader::selectedText() {
    Result result = read();
    if (result.outcome != Outcome::text)
        return std::nullopt;
    return std::move(result.text);
}

PrimarySelectionReader::Result
PrimarySelectionReader::readLocked(std::chrono::milliseconds stepTimeout,
                                   std::chrono::milliseconds totalTimeout) {
    xcb_connection_t* const c = m_connection;
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + totalTimeout;
    const auto stepDeadline = [&] { return std::min(end, Clock::now() + stepTimeout); };

    xcb_delete_property(c, m_window, m_property);
    xcb_convert_selection(c, m_window, XCB_ATOM_PRIMARY, m_utf8String, m_property,
                          XCB_CURRENT_TIME);

    // The server answers at once, with property None, when nobody owns the selection.
    xcb_atom_t answered = XCB_ATOM_NONE;
    for (bool notified = false; !notified;) {
        const Reply<xcb_generic_event_t> event = nextEvent(c, stepDeadline());
        if (!event)
            return {Outcome::timedOut, {}};
        if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event.get());
        if (notify->requestor != m_window || notify->selection != XCB_ATOM_PRIMARY)
            continue;
        notified = true;
        answered = notify->property;
    }
    if (answered == XCB_ATOM_NONE) {
        const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            c, xcb_get_selection_owner(c, XCB_ATOM_PRIMARY), nullptr));
        return {owner && owner->owner != XCB_WINDOW_NONE ? Outcome::refused : Outcome::noOwner, {}};
    }

    // One long more than the cap tells an oversized value from one exactly at the cap.
    const std::uint32_t longs = static_cast<std::uint32_t>(
        std::min<std::int64_t>(m_sizeCap / 4 + 1, std::numeric_limits<std::uint32_t>::max() / 4));
    const Reply<xcb_get_property_reply_t> first(xcb_get_property_reply(
        c, xcb_get_property(c, 0, m_window, answered, XCB_GET_PROPERTY_TYPE_ANY, 0, longs),
        nullptr));
    if (!first)
        return {Outcome::refused, {}};

    if (first->type != m_incr) {
        xcb_delete_property(c, m_window, answered);
        xcb_flush(c);
        const QByteArray bytes = valueOf(first.get());
        if (first->bytes_after > 0 || bytes.size() > m_sizeCap)
            return {Outcome::tooLarge, {}};
        return textOf(first->type, first->format, bytes, m_utf8String);
    }

    // Deleting the INCR marker asks the owner for the first chunk; each chunk arrives as a
    // new value of the property, and an empty one ends the transfer.
    xcb_delete_property(c, m_window, answered);
    IncrementalTransfer transfer(m_sizeCap, m_incr);
    for (;;) {
        const Reply<xcb_generic_event_t> event = nextEvent(c, stepDeadline());
        if (!event)
            return {Outcome::timedOut, {}};
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (notify->window != m_window || notify->atom != answered
            || notify->state != XCB_PROPERTY_NEW_VALUE)
            continue;
        const Reply<xcb_get_property_reply_t> chunk(xcb_get_property_reply(
            c, xcb_get_property(c, 1, m_window, answered, XCB_GET_PROPERTY_TYPE_ANY, 0, longs),
            nullptr));
        if (!chunk)
            return {Outcome::refused, {}};
        const QByteArrayView value(static_cast<const char*>(xcb_get_property_value(chunk.get())),
                                   xcb_get_property_value_length(chunk.get()));
        switch (transfer.take({chunk->type, chunk->format, chunk->bytes_after, value})) {
        case IncrementalTransfer::Step::more:
            continue;
        case IncrementalTransfer::Step::tooLarge:
            return {Outcome::tooLarge, {}};
        case IncrementalTransfer::Step::done:
            return textOf(transfer.first().type, transfer.first().format, transfer.takeData(),
                          m_utf8String);
        }
    }
}

PrimarySelectionReader::Result PrimarySelectionReader::textOf(std::uint32_t type, int format,
                                                              QByteArray bytes,
                                                              std::uint32_t utf8String) {
    // Some owners answer any target with their own type (xclip -t text/html does): only text
    // types are text.
    if (format != 8 || (type != utf8String && type != XCB_ATOM_STRING))
        return {Outcome::wrongType, {}};
    // A C string's terminator sometimes travels along.
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    return {Outcome::text,
            type == XCB_ATOM_STRING ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes)};
}
