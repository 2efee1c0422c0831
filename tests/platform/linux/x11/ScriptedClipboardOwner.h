#pragma once

#include "platform/linux/x11/XcbSelection.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <poll.h>
#include <thread>

// A selection owner on its own connection and thread: offers a scripted TARGETS list, answers
// with given types and formats, can be slow per target, sends targets over `incrChunk` bytes
// through INCR, refuses targets it has no data for, and logs what it was asked for.
class ScriptedClipboardOwner {
public:
    struct Target {
        QString name;
        QString type;
        int format = 8;
        QByteArray data;
        int delayMs = 0;
    };

    ScriptedClipboardOwner(const QByteArray& display, QStringList offered, QList<Target> targets,
                           int incrChunk = 64 * 1024, const QString& selection = "CLIPBOARD")
        : m_offered(std::move(offered))
        , m_targets(std::move(targets))
        , m_chunk(incrChunk) {
        xcb_window_t root = XCB_WINDOW_NONE;
        m_connection = XcbSelection::connect(display, &root);
        m_c = m_connection.get();
        m_window = XcbSelection::createWindow(m_c, root);
        const xcb_atom_t owned = XcbSelection::atom(m_c, selection.toLatin1());
        m_incr = XcbSelection::atom(m_c, "INCR");
        xcb_set_selection_owner(m_c, m_window, owned, XCB_CURRENT_TIME);
        const XcbSelection::Reply<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(m_c, xcb_get_selection_owner(m_c, owned), nullptr));
        m_owning = owner && owner->owner == m_window;
        m_thread = std::thread([this] { run(); });
    }

    ~ScriptedClipboardOwner() {
        m_stop = true;
        m_thread.join();
    }

    bool owning() const { return m_owning; }
    QStringList requested() const {
        std::lock_guard lock(m_mutex);
        return m_requested;
    }

private:
    struct Incr {
        xcb_window_t requestor;
        xcb_atom_t property, type;
        int format;
        QByteArray data;
        qsizetype offset = 0;
    };

    // A late answer waits here for its time while the loop goes on serving events.
    struct Deferred {
        std::chrono::steady_clock::time_point due;
        xcb_selection_request_event_t request;
    };

    void run() {
        while (!m_stop) {
            xcb_flush(m_c);
            // Short enough for a late answer to leave close to its time.
            pollfd descriptor{xcb_get_file_descriptor(m_c), POLLIN, 0};
            ::poll(&descriptor, 1, 5);
            while (XcbSelection::Event event{xcb_poll_for_event(m_c)})
                handle(event.get());
            const auto now = std::chrono::steady_clock::now();
            for (qsizetype i = 0; i < m_deferred.size();) {
                if (m_deferred[i].due > now)
                    ++i;
                else
                    answer(m_deferred.takeAt(i).request, true);
            }
        }
    }

    void put(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, int format,
             const char* data, qsizetype bytes) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, window, property, type,
                            static_cast<uint8_t>(format),
                            static_cast<uint32_t>(bytes / (format / 8)), data);
    }

    void handle(xcb_generic_event_t* event) {
        const uint8_t kind = event->response_type & 0x7f;
        if (kind == XCB_SELECTION_CLEAR)
            m_owning = false;
        if (kind == XCB_SELECTION_REQUEST)
            answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
        const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
        if (kind != XCB_PROPERTY_NOTIFY || notify->state != XCB_PROPERTY_DELETE)
            return;
        // The requestor took the last chunk: the next one, and an empty one at the end.
        for (qsizetype i = 0; i < m_transfers.size(); ++i) {
            Incr& t = m_transfers[i];
            if (t.requestor != notify->window || t.property != notify->atom)
                continue;
            const qsizetype length = std::min<qsizetype>(m_chunk, t.data.size() - t.offset);
            put(t.requestor, t.property, t.type, t.format, t.data.constData() + t.offset, length);
            t.offset += length;
            if (length == 0)
                m_transfers.removeAt(i);
            break;
        }
    }

    void answer(const xcb_selection_request_event_t& request, bool late = false) {
        const QString target = XcbSelection::atomNames(m_c, {request.target}).value(0);
        if (!late) {
            std::lock_guard lock(m_mutex);
            m_requested.append(target);
        }
        bool ok = false;
        if (target == QLatin1StringView("TARGETS")) {
            const QList<xcb_atom_t> atoms = XcbSelection::atoms(m_c, m_offered);
            put(request.requestor, request.property, XCB_ATOM_ATOM, 32,
                reinterpret_cast<const char*>(atoms.constData()), atoms.size() * 4);
            ok = true;
        }
        for (const Target& t : m_targets) {
            if (ok || t.name != target)
                continue;
            if (!late && t.delayMs > 0) {
                m_deferred.append(
                    {std::chrono::steady_clock::now() + std::chrono::milliseconds(t.delayMs),
                     request});
                return;
            }
            const xcb_atom_t type = XcbSelection::atom(m_c, t.type.toUtf8());
            if (t.data.size() > m_chunk) {
                const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(m_c, request.requestor, XCB_CW_EVENT_MASK, &mask);
                const auto size = static_cast<uint32_t>(t.data.size());
                put(request.requestor, request.property, m_incr, 32,
                    reinterpret_cast<const char*>(&size), 4);
                m_transfers.append({request.requestor, request.property, type, t.format, t.data});
            } else {
                put(request.requestor, request.property, type, t.format, t.data.constData(),
                    t.data.size());
            }
            ok = true;
        }
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = ok ? request.property : xcb_atom_t(XCB_ATOM_NONE);
        xcb_send_event(m_c, 0, request.requestor, 0, reinterpret_cast<const char*>(&notify));
        xcb_flush(m_c);
    }

    QStringList m_offered;
    QList<Target> m_targets;
    int m_chunk;
    XcbSelection::Connection m_connection;
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    xcb_atom_t m_incr = XCB_ATOM_NONE;
    QList<Incr> m_transfers;
    QList<Deferred> m_deferred;
    std::atomic<bool> m_owning{false};
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    QStringList m_requested;
    std::thread m_thread;
};
