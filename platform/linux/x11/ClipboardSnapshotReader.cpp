#include "platform/linux/x11/ClipboardSnapshotReader.h"

#include "core/PasteboardTypes.h"
#include "platform/linux/x11/IncrementalTransfer.h"
#include "platform/linux/x11/XcbSelection.h"

#include <QHash>
#include <QSet>

#include <cstring>

using namespace XcbSelection;

namespace {

// Asking for these would make the owner act (delete or insert), not describe the entry.
bool isSideEffectTarget(const QString& name) {
    return name == QLatin1StringView("DELETE") || name == QLatin1StringView("INSERT_SELECTION")
           || name == QLatin1StringView("INSERT_PROPERTY");
}

// Answered by the restoring owner itself, not stored.
bool isMetaTarget(const QString& name) {
    return name == QLatin1StringView("TARGETS") || name == QLatin1StringView("MULTIPLE")
           || name == QLatin1StringView("TIMESTAMP") || name == QLatin1StringView("SAVE_TARGETS");
}

// Text is what the capture needs most and is cheap; images may be re-encoded per request.
bool isTextTarget(const QString& name) {
    return name == QLatin1StringView("UTF8_STRING") || name == QLatin1StringView("STRING")
           || name == QLatin1StringView("TEXT") || name == QLatin1StringView("COMPOUND_TEXT")
           || name.startsWith(QLatin1StringView("text/"));
}

using PropertyReply = std::unique_ptr<xcb_get_property_reply_t, FreeDeleter>;

// A target's data before its type atom is named.
struct RawTarget {
    xcb_atom_t type = XCB_ATOM_NONE;
    int format = 8;
    QByteArray data;
};

} // namespace

struct ClipboardSnapshotReader::Private {
    Limits limits;
    Connection connection;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t clipboard = XCB_ATOM_NONE;
    xcb_atom_t targets = XCB_ATOM_NONE;
    xcb_atom_t incr = XCB_ATOM_NONE;
    xcb_atom_t property = XCB_ATOM_NONE;

    xcb_connection_t* c() const { return connection.get(); }

    // A fresh requestor window per read: answers that arrive after a time-out then land on a
    // window that no longer exists instead of being taken for the next request's.
    struct Requestor {
        xcb_connection_t* connection;
        xcb_window_t window;
        ~Requestor() {
            xcb_destroy_window(connection, window);
            xcb_flush(connection);
        }
    };

    Requestor requestor() const { return {c(), createWindow(c(), root)}; }

    PropertyReply takeProperty(xcb_window_t window, qint64 byteCap) const {
        // One item more than the cap allows, so that an oversized property shows as bytes_after.
        const auto units = static_cast<uint32_t>(byteCap / 4 + 1);
        return PropertyReply(xcb_get_property_reply(
            c(), xcb_get_property(c(), 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, units),
            nullptr));
    }

    static QByteArray bytesOf(const xcb_get_property_reply_t* reply) {
        const int length = xcb_get_property_value_length(reply);
        return QByteArray(static_cast<const char*>(xcb_get_property_value(reply)), length);
    }

    std::optional<RawTarget> fetchOn(xcb_window_t window, xcb_atom_t target,
                                     const QDeadlineTimer& deadline, qint64 byteCap) const {
        xcb_delete_property(c(), window, property);
        xcb_convert_selection(c(), window, clipboard, target, property, XCB_CURRENT_TIME);
        bool answered = false;
        while (!answered) {
            Event event = waitForEvent(c(), deadline);
            if (!event)
                return std::nullopt;
            if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
                continue;
            const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event.get());
            if (notify->requestor != window || notify->selection != clipboard
                || notify->target != target)
                continue;
            if (notify->property == XCB_ATOM_NONE)
                return std::nullopt;
            answered = true;
        }
        PropertyReply reply = takeProperty(window, byteCap);
        if (!reply || reply->type == XCB_ATOM_NONE || reply->bytes_after > 0)
            return std::nullopt;
        if (reply->type == incr)
            return incremental(window, *reply, deadline, byteCap);
        if (reply->format != 8 && reply->format != 16 && reply->format != 32)
            return std::nullopt;
        QByteArray data = bytesOf(reply.get());
        if (data.size() > byteCap)
            return std::nullopt;
        return RawTarget{reply->type, reply->format, std::move(data)};
    }

    std::optional<RawTarget> incremental(xcb_window_t window,
                                         const xcb_get_property_reply_t& announcement,
                                         const QDeadlineTimer& deadline, qint64 byteCap) const {
        // The announced size is a lower bound of what follows.
        if (announcement.format == 32 && xcb_get_property_value_length(&announcement) >= 4) {
            uint32_t announced = 0;
            std::memcpy(&announced, xcb_get_property_value(&announcement), 4);
            if (announced > byteCap)
                return std::nullopt;
        }
        IncrementalTransfer transfer(byteCap, XCB_ATOM_NONE);
        // Deleting the INCR property (done by takeProperty) asked the owner for the first chunk.
        xcb_flush(c());
        while (Event event = waitForEvent(c(), deadline)) {
            if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                continue;
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
            if (notify->window != window || notify->atom != property
                || notify->state != XCB_PROPERTY_NEW_VALUE)
                continue;
            PropertyReply chunk = takeProperty(window, byteCap - transfer.data().size());
            if (!chunk)
                continue;
            const QByteArrayView value(
                static_cast<const char*>(xcb_get_property_value(chunk.get())),
                xcb_get_property_value_length(chunk.get()));
            switch (transfer.take({chunk->type, chunk->format, chunk->bytes_after, value})) {
            case IncrementalTransfer::Step::more:
                continue;
            case IncrementalTransfer::Step::tooLarge:
                return std::nullopt;
            case IncrementalTransfer::Step::done:
                return RawTarget{transfer.last().type, transfer.last().format, transfer.takeData()};
            }
        }
        return std::nullopt;
    }
};

ClipboardSnapshotReader::ClipboardSnapshotReader(const QByteArray& displayName)
    : ClipboardSnapshotReader(displayName, Limits()) {}

ClipboardSnapshotReader::ClipboardSnapshotReader(const QByteArray& displayName, Limits limits)
    : d(std::make_unique<Private>()) {
    d->limits = limits;
    d->connection = connect(displayName, &d->root);
    if (!d->connection)
        return;
    const QList<xcb_atom_t> names =
        atoms(d->c(), {QStringLiteral("CLIPBOARD"), QStringLiteral("TARGETS"),
                       QStringLiteral("INCR"), QStringLiteral("VERDOLIN_CLIPBOARD")});
    d->clipboard = names.at(0);
    d->targets = names.at(1);
    d->incr = names.at(2);
    d->property = names.at(3);
}

ClipboardSnapshotReader::~ClipboardSnapshotReader() = default;

bool ClipboardSnapshotReader::isValid() const {
    return d->connection && d->property != XCB_ATOM_NONE;
}

std::optional<QStringList> ClipboardSnapshotReader::offeredTargets(const QDeadlineTimer& deadline) {
    if (!isValid())
        return std::nullopt;
    const Private::Requestor requestor = d->requestor();
    // A TARGETS list far beyond any real one is a broken owner.
    const std::optional<RawTarget> raw = d->fetchOn(requestor.window, d->targets, deadline, 65536);
    if (!raw || raw->format != 32)
        return std::nullopt;
    const QList<xcb_atom_t> offered = targetAtoms(raw->data);
    return atomNames(d->c(), offered);
}

std::optional<ClipboardTarget> ClipboardSnapshotReader::fetch(const QString& target,
                                                              const QDeadlineTimer& deadline,
                                                              qint64 byteCap) {
    if (!isValid())
        return std::nullopt;
    const Private::Requestor requestor = d->requestor();
    std::optional<RawTarget> raw =
        d->fetchOn(requestor.window, atom(d->c(), target.toUtf8()), deadline, byteCap);
    if (!raw)
        return std::nullopt;
    const QStringList type = atomNames(d->c(), {raw->type});
    if (type.isEmpty())
        return std::nullopt;
    return ClipboardTarget{target, type.first(), raw->format, std::move(raw->data)};
}

QStringList ClipboardSnapshotReader::fetchOrder(const QStringList& offered) {
    QStringList order;
    for (const QString& name : offered) {
        if (!isSideEffectTarget(name) && !isMetaTarget(name) && isTextTarget(name)
            && !order.contains(name))
            order.append(name);
    }
    for (const QString& name : offered) {
        if (!isSideEffectTarget(name) && !isMetaTarget(name) && !order.contains(name))
            order.append(name);
    }
    return order;
}

ClipboardSnapshotReader::Result ClipboardSnapshotReader::read() {
    if (!isValid())
        return {};
    const QDeadlineTimer deadline(d->limits.budget);
    Result busy{Status::Busy, {}};

    std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> owner(
        xcb_get_selection_owner_reply(d->c(), xcb_get_selection_owner(d->c(), d->clipboard),
                                      nullptr));
    if (!owner)
        return busy;
    if (owner->owner == XCB_WINDOW_NONE)
        return {Status::Taken, {}};

    std::optional<QStringList> offered = offeredTargets(deadline);
    if (!offered)
        return busy;
    for (const QString& name : *offered) {
        if (PasteboardTypes::isPromised(name))
            return busy;
    }

    const Private::Requestor requestor = d->requestor();
    QHash<QString, RawTarget> fetched;
    qint64 total = 0;
    auto fetchInto = [&](const QString& name) {
        if (deadline.hasExpired())
            return false;
        std::optional<RawTarget> raw = d->fetchOn(requestor.window, atom(d->c(), name.toUtf8()),
                                                  deadline, d->limits.byteCap - total);
        if (!raw)
            return false;
        total += raw->data.size();
        fetched.insert(name, std::move(*raw));
        return true;
    };

    // Only the marker is read from a concealed entry, never the secret next to it.
    const QString concealed = QString(PasteboardTypes::concealedTarget);
    if (offered->contains(concealed)) {
        if (!fetchInto(concealed))
            return busy;
        if (PasteboardTypes::isConcealed(concealed, fetched.value(concealed).data))
            return {Status::Concealed, {}};
    }

    const QStringList order = fetchOrder(*offered);
    for (const QString& name : std::as_const(order)) {
        if (!fetched.contains(name) && !fetchInto(name))
            return busy;
    }

    Result result{Status::Taken, {}};
    result.snapshot.offered = *offered;
    QList<xcb_atom_t> types;
    for (const QString& name : std::as_const(order))
        types.append(fetched.value(name).type);
    const QStringList typeNames = atomNames(d->c(), types);
    if (typeNames.size() != types.size())
        return busy;
    // Kept in the owner's order, whatever order they were fetched in.
    for (const QString& name : *offered) {
        const qsizetype index = order.indexOf(name);
        if (index < 0 || result.snapshot.find(name))
            continue;
        RawTarget& raw = fetched[name];
        result.snapshot.targets.append(
            ClipboardTarget{name, typeNames.at(index), raw.format, std::move(raw.data)});
    }
    return result;
}
