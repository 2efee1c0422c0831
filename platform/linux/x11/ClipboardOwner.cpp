#include "platform/linux/x11/ClipboardOwner.h"

#include "platform/linux/x11/XcbSelection.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QList>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <future>
#include <list>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

using namespace XcbSelection;

namespace {

// Larger targets go out incrementally, in pieces of this size.
constexpr qsizetype chunkSize = 256 * 1024;
// A requestor that stops asking for the next piece for this long has gone.
constexpr qint64 stalledTransferMs = 10000;
// Timestamps of our own restores remembered for XFixes filtering.
constexpr int rememberedTimes = 32;

struct Served {
    ClipboardSnapshot snapshot;
    QList<xcb_atom_t> offered;
    QHash<xcb_atom_t, qsizetype> byTarget;
    QList<xcb_atom_t> types;
    xcb_timestamp_t since = 0;
};

struct Transfer {
    xcb_window_t requestor = XCB_WINDOW_NONE;
    xcb_atom_t property = XCB_ATOM_NONE;
    xcb_atom_t type = XCB_ATOM_NONE;
    uint8_t format = 8;
    // Shared with the served snapshot, so that a transfer outlives a new restore.
    std::shared_ptr<const Served> source;
    qsizetype index = 0;
    qsizetype offset = 0;
    QDeadlineTimer stalled;
};

struct Command {
    ClipboardSnapshot snapshot;
    std::promise<bool> done;
};

} // namespace

struct ClipboardOwner::Private {
    Connection connection;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_window_t window = XCB_WINDOW_NONE;
    int wake = -1;
    std::thread thread;

    xcb_atom_t clipboard = XCB_ATOM_NONE, targets = XCB_ATOM_NONE, timestamp = XCB_ATOM_NONE,
               multiple = XCB_ATOM_NONE, saveTargets = XCB_ATOM_NONE, incr = XCB_ATOM_NONE,
               atomPair = XCB_ATOM_NONE, null = XCB_ATOM_NONE, timeProperty = XCB_ATOM_NONE;

    std::mutex mutex;
    // Signalled whenever the thread may have stopped serving.
    std::condition_variable idle;
    std::deque<Command> commands;
    bool stopping = false;
    QList<xcb_timestamp_t> ownTimes;

    std::atomic<bool> owning{false};
    std::atomic<int> transferCount{0};

    // Thread-only state.
    std::shared_ptr<const Served> served;
    std::list<Transfer> transfers;

    xcb_connection_t* c() const { return connection.get(); }

    void run() {
        for (;;) {
            std::deque<Command> pending;
            {
                std::lock_guard lock(mutex);
                if (stopping)
                    break;
                pending.swap(commands);
            }
            for (Command& command : pending)
                command.done.set_value(take(command.snapshot));
            // After take()'s reply waits: events read along with a reply wait in xcb's queue,
            // where poll() below does not see them.
            xcb_flush(c());
            while (xcb_generic_event_t* raw = xcb_poll_for_event(c()))
                handle(Event(raw));
            if (xcb_connection_has_error(c()))
                break;
            dropStalledTransfers();
            transferCount = static_cast<int>(transfers.size());
            if (!owning && transfers.empty()) {
                // Taking the lock orders this after a waiter's check of the state.
                { std::lock_guard lock(mutex); }
                idle.notify_all();
            }
            xcb_flush(c());
            pollfd descriptors[2] = {{xcb_get_file_descriptor(c()), POLLIN, 0}, {wake, POLLIN, 0}};
            ::poll(descriptors, 2, transfers.empty() ? -1 : 1000);
            if (descriptors[1].revents & POLLIN) {
                uint64_t count = 0;
                [[maybe_unused]] const ssize_t read = ::read(wake, &count, sizeof count);
            }
        }
        owning = false;
        // A broken connection answers no more restores.
        std::lock_guard lock(mutex);
        stopping = true;
        for (Command& command : commands)
            command.done.set_value(false);
        commands.clear();
        idle.notify_all();
    }

    bool take(const ClipboardSnapshot& snapshot) {
        auto next = std::make_shared<Served>();
        next->snapshot = snapshot;
        if (!snapshot.isEmpty()) {
            next->offered = atoms(c(), snapshot.offered);
            QStringList names;
            QStringList typeNames;
            for (const ClipboardTarget& target : snapshot.targets) {
                names.append(target.name);
                typeNames.append(target.type);
            }
            const QList<xcb_atom_t> targetAtoms = atoms(c(), names);
            next->types = atoms(c(), typeNames);
            for (qsizetype i = 0; i < targetAtoms.size(); ++i)
                next->byTarget.insert(targetAtoms.at(i), i);
        }
        const std::optional<xcb_timestamp_t> time =
            serverTime(c(), window, timeProperty, QDeadlineTimer(1000),
                       [this](Event event) { handle(std::move(event)); });
        if (!time)
            return false;
        next->since = *time;
        {
            std::lock_guard lock(mutex);
            ownTimes.append(*time);
            if (ownTimes.size() > rememberedTimes)
                ownTimes.removeFirst();
        }
        const xcb_window_t newOwner = snapshot.isEmpty() ? xcb_window_t(XCB_WINDOW_NONE) : window;
        xcb_set_selection_owner(c(), newOwner, clipboard, *time);
        std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> reply(
            xcb_get_selection_owner_reply(c(), xcb_get_selection_owner(c(), clipboard), nullptr));
        const bool confirmed = reply && reply->owner == newOwner;
        served = confirmed && newOwner != XCB_WINDOW_NONE ? next : nullptr;
        owning = served != nullptr;
        return confirmed;
    }

    void handle(Event event) {
        switch (event->response_type & 0x7f) {
        case 0:
            requestorFailed(reinterpret_cast<xcb_generic_error_t*>(event.get()));
            break;
        case XCB_SELECTION_REQUEST:
            answer(*reinterpret_cast<xcb_selection_request_event_t*>(event.get()));
            break;
        case XCB_SELECTION_CLEAR: {
            const auto* clear = reinterpret_cast<xcb_selection_clear_event_t*>(event.get());
            if (clear->selection == clipboard && served && !isLater(served->since, clear->time)) {
                // Running transfers keep their own reference and still finish.
                served = nullptr;
                owning = false;
            }
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
            if (notify->state == XCB_PROPERTY_DELETE)
                continueTransfer(notify->window, notify->atom);
            break;
        }
        case XCB_DESTROY_NOTIFY:
            dropTransfers(reinterpret_cast<xcb_destroy_notify_event_t*>(event.get())->window);
            break;
        default:
            break;
        }
    }

    void answer(const xcb_selection_request_event_t& request) {
        // Obsolete requestors name no property; ICCCM says to use the target's name then.
        const xcb_atom_t property =
            request.property == XCB_ATOM_NONE ? request.target : request.property;
        bool ok = served && request.selection == clipboard && request.owner == window
                  && (request.time == XCB_CURRENT_TIME || !isLater(served->since, request.time));
        if (ok && request.target == multiple)
            ok = request.property != XCB_ATOM_NONE && convertMultiple(request.requestor, property);
        else if (ok)
            ok = convert(request.requestor, request.target, property);
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = ok ? property : xcb_atom_t(XCB_ATOM_NONE);
        xcb_send_event(c(), 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&notify));
        xcb_flush(c());
    }

    bool convert(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property) {
        if (target == targets) {
            xcb_change_property(c(), XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                                static_cast<uint32_t>(served->offered.size()),
                                served->offered.constData());
            return true;
        }
        if (target == timestamp) {
            xcb_change_property(c(), XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER,
                                32, 1, &served->since);
            return true;
        }
        if (target == saveTargets) {
            // Nothing to hand to a clipboard manager beyond what we serve ourselves.
            xcb_change_property(c(), XCB_PROP_MODE_REPLACE, requestor, property, null, 32, 0,
                                nullptr);
            return true;
        }
        const auto found = served->byTarget.constFind(target);
        if (found == served->byTarget.cend())
            return false;
        const ClipboardTarget& stored = served->snapshot.targets.at(*found);
        const xcb_atom_t type = served->types.at(*found);
        const auto format = static_cast<uint8_t>(stored.format);
        const qsizetype unit = stored.format / 8;
        if (stored.data.size() > chunkSize) {
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(c(), requestor, XCB_CW_EVENT_MASK, &mask);
            const auto size = static_cast<uint32_t>(stored.data.size());
            xcb_change_property(c(), XCB_PROP_MODE_REPLACE, requestor, property, incr, 32, 1,
                                &size);
            dropTransfer(requestor, property);
            transfers.push_back({requestor, property, type, format, served, *found, 0,
                                 QDeadlineTimer(stalledTransferMs)});
            return true;
        }
        xcb_change_property(c(), XCB_PROP_MODE_REPLACE, requestor, property, type, format,
                            static_cast<uint32_t>(stored.data.size() / unit),
                            stored.data.constData());
        return true;
    }

    bool convertMultiple(xcb_window_t requestor, xcb_atom_t property) {
        std::unique_ptr<xcb_get_property_reply_t, FreeDeleter> reply(xcb_get_property_reply(
            c(), xcb_get_property(c(), 0, requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
            nullptr));
        if (!reply || reply->format != 32)
            return false;
        const int count = xcb_get_property_value_length(reply.get()) / 4;
        QList<xcb_atom_t> pairs(count);
        std::memcpy(pairs.data(), xcb_get_property_value(reply.get()),
                    static_cast<size_t>(count) * 4);
        for (int i = 0; i + 1 < count; i += 2) {
            const xcb_atom_t target = pairs.at(i);
            const xcb_atom_t pairProperty = pairs.at(i + 1);
            if (pairProperty == XCB_ATOM_NONE || target == multiple
                || !convert(requestor, target, pairProperty))
                pairs[i + 1] = XCB_ATOM_NONE;
        }
        xcb_change_property(c(), XCB_PROP_MODE_REPLACE, requestor, property,
                            reply->type == XCB_ATOM_NONE ? atomPair : reply->type, 32,
                            static_cast<uint32_t>(count), pairs.constData());
        return true;
    }

    void continueTransfer(xcb_window_t requestor, xcb_atom_t property) {
        const auto found = std::find_if(transfers.begin(), transfers.end(), [&](const Transfer& t) {
            return t.requestor == requestor && t.property == property;
        });
        if (found == transfers.end())
            return;
        const QByteArray& data = found->source->snapshot.targets.at(found->index).data;
        const qsizetype unit = found->format / 8;
        const qsizetype length = std::min(chunkSize, data.size() - found->offset);
        xcb_change_property(c(), XCB_PROP_MODE_REPLACE, requestor, property, found->type,
                            found->format, static_cast<uint32_t>(length / unit),
                            data.constData() + found->offset);
        found->offset += length;
        found->stalled = QDeadlineTimer(stalledTransferMs);
        // The empty piece written last ends the transfer.
        if (length == 0)
            finish(found);
    }

    void finish(std::list<Transfer>::iterator transfer) {
        const xcb_window_t requestor = transfer->requestor;
        transfers.erase(transfer);
        const bool stillUsed =
            std::any_of(transfers.begin(), transfers.end(),
                        [&](const Transfer& t) { return t.requestor == requestor; });
        if (!stillUsed) {
            const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
            xcb_change_window_attributes(c(), requestor, XCB_CW_EVENT_MASK, &none);
        }
    }

    void dropTransfer(xcb_window_t requestor, xcb_atom_t property) {
        transfers.remove_if(
            [&](const Transfer& t) { return t.requestor == requestor && t.property == property; });
    }

    void dropTransfers(xcb_window_t requestor) {
        transfers.remove_if([&](const Transfer& t) { return t.requestor == requestor; });
    }

    // A requestor that vanished mid-transfer makes our requests to its window fail.
    void requestorFailed(const xcb_generic_error_t* error) {
        if (error->error_code == XCB_WINDOW)
            dropTransfers(reinterpret_cast<const xcb_window_error_t*>(error)->bad_value);
    }

    void dropStalledTransfers() {
        transfers.remove_if([](const Transfer& t) { return t.stalled.hasExpired(); });
    }
};

ClipboardOwner::ClipboardOwner(const QByteArray& displayName)
    : d(std::make_unique<Private>()) {
    d->connection = connect(displayName, &d->root);
    if (!d->connection)
        return;
    const QList<xcb_atom_t> names =
        atoms(d->c(),
              {QStringLiteral("CLIPBOARD"), QStringLiteral("TARGETS"), QStringLiteral("TIMESTAMP"),
               QStringLiteral("MULTIPLE"), QStringLiteral("SAVE_TARGETS"), QStringLiteral("INCR"),
               QStringLiteral("ATOM_PAIR"), QStringLiteral("NULL"),
               QStringLiteral("VERDOLIN_TIMESTAMP")});
    if (names.contains(XCB_ATOM_NONE)) {
        d->connection.reset();
        return;
    }
    d->clipboard = names.at(0);
    d->targets = names.at(1);
    d->timestamp = names.at(2);
    d->multiple = names.at(3);
    d->saveTargets = names.at(4);
    d->incr = names.at(5);
    d->atomPair = names.at(6);
    d->null = names.at(7);
    d->timeProperty = names.at(8);
    d->window = createWindow(d->c(), d->root);
    d->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (d->wake < 0) {
        d->connection.reset();
        return;
    }
    d->thread = std::thread([this] { d->run(); });
}

ClipboardOwner::~ClipboardOwner() {
    if (d->thread.joinable()) {
        {
            std::lock_guard lock(d->mutex);
            d->stopping = true;
        }
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(d->wake, &one, sizeof one);
        d->thread.join();
    }
    if (d->wake >= 0)
        ::close(d->wake);
}

bool ClipboardOwner::isValid() const {
    return d->thread.joinable();
}

bool ClipboardOwner::restore(const ClipboardSnapshot& snapshot) {
    if (!isValid())
        return false;
    std::future<bool> result;
    {
        std::lock_guard lock(d->mutex);
        if (d->stopping)
            return false;
        Command command{snapshot, {}};
        result = command.done.get_future();
        d->commands.push_back(std::move(command));
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(d->wake, &one, sizeof one);
    return result.get();
}

bool ClipboardOwner::isOwner() const {
    return d->owning;
}

bool ClipboardOwner::isOwnChange(quint32 owner, quint32 selectionTime) const {
    if (owner != XCB_WINDOW_NONE)
        return owner == d->window;
    std::lock_guard lock(d->mutex);
    return d->ownTimes.contains(selectionTime);
}

void ClipboardOwner::waitUntilReleased() const {
    std::unique_lock lock(d->mutex);
    d->idle.wait(lock, [this] { return d->stopping || (!d->owning && d->transferCount == 0); });
}

int ClipboardOwner::pendingTransfers() const {
    return d->transferCount;
}
