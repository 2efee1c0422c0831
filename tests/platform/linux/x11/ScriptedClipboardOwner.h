#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <poll.h>
#include <thread>
#include <xcb/xcb.h>

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
        int screen = 0;
        m_c = xcb_connect(display.constData(), &screen);
        xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(m_c));
        m_window = xcb_generate_id(m_c);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, roots.data->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &mask);
        m_clipboard = intern(selection);
        m_targetsAtom = intern("TARGETS");
        m_incr = intern("INCR");
        xcb_set_selection_owner(m_c, m_window, m_clipboard, XCB_CURRENT_TIME);
        xcb_get_selection_owner_reply_t* owner =
            xcb_get_selection_owner_reply(m_c, xcb_get_selection_owner(m_c, m_clipboard), nullptr);
        m_owning = owner && owner->owner == m_window;
        std::free(owner);
        m_thread = std::thread([this] { run(); });
    }

    ~ScriptedClipboardOwner() {
        m_stop = true;
        m_thread.join();
        xcb_disconnect(m_c);
    }

    bool owning() const { return m_owning; }
    QStringList requested() const {
        std::lock_guard lock(m_mutex);
        return m_requested;
    }

private:
    struct Incr {
        xcb_window_t requestor;
        xcb_atom_t property;
        xcb_atom_t type;
        int format;
        QByteArray data;
        qsizetype offset = 0;
    };

    xcb_atom_t intern(const QString& name) {
        const QByteArray bytes = name.toUtf8();
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(bytes.size()), bytes.constData()),
            nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    QString nameOf(xcb_atom_t atom) {
        xcb_get_atom_name_reply_t* reply =
            xcb_get_atom_name_reply(m_c, xcb_get_atom_name(m_c, atom), nullptr);
        const QString name = reply ? QString::fromUtf8(xcb_get_atom_name_name(reply),
                                                       xcb_get_atom_name_name_length(reply))
                                   : QString();
        std::free(reply);
        return name;
    }

    void run() {
        while (!m_stop) {
            xcb_flush(m_c);
            pollfd descriptor{xcb_get_file_descriptor(m_c), POLLIN, 0};
            ::poll(&descriptor, 1, 20);
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_c)) {
                handle(event);
                std::free(event);
            }
        }
    }

    void handle(xcb_generic_event_t* event) {
        switch (event->response_type & 0x7f) {
        case XCB_SELECTION_CLEAR:
            m_owning = false;
            break;
        case XCB_SELECTION_REQUEST:
            answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
            break;
        case XCB_PROPERTY_NOTIFY: {
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (notify->state != XCB_PROPERTY_DELETE)
                break;
            for (qsizetype i = 0; i < m_transfers.size(); ++i) {
                Incr& t = m_transfers[i];
                if (t.requestor != notify->window || t.property != notify->atom)
                    continue;
                const qsizetype length = std::min<qsizetype>(m_chunk, t.data.size() - t.offset);
                xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, t.requestor, t.property, t.type,
                                    static_cast<uint8_t>(t.format),
                                    static_cast<uint32_t>(length / (t.format / 8)),
                                    t.data.constData() + t.offset);
                t.offset += length;
                if (length == 0)
                    m_transfers.removeAt(i);
                break;
            }
            break;
        }
        default:
            break;
        }
    }

    void answer(const xcb_selection_request_event_t& request) {
        const QString target = nameOf(request.target);
        {
            std::lock_guard lock(m_mutex);
            m_requested.append(target);
        }
        bool ok = false;
        if (request.target == m_targetsAtom) {
            QList<xcb_atom_t> atoms;
            for (const QString& name : m_offered)
                atoms.append(intern(name));
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                XCB_ATOM_ATOM, 32, static_cast<uint32_t>(atoms.size()),
                                atoms.constData());
            ok = true;
        }
        for (const Target& t : m_targets) {
            if (ok || t.name != target)
                continue;
            if (t.delayMs > 0)
                QThread::msleep(static_cast<unsigned long>(t.delayMs));
            const xcb_atom_t type = intern(t.type);
            if (t.data.size() > m_chunk) {
                const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(m_c, request.requestor, XCB_CW_EVENT_MASK, &mask);
                const auto size = static_cast<uint32_t>(t.data.size());
                xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    m_incr, 32, 1, &size);
                m_transfers.append({request.requestor, request.property, type, t.format, t.data});
            } else {
                xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    type, static_cast<uint8_t>(t.format),
                                    static_cast<uint32_t>(t.data.size() / (t.format / 8)),
                                    t.data.constData());
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
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE, m_targetsAtom = XCB_ATOM_NONE, m_incr = XCB_ATOM_NONE;
    QList<Incr> m_transfers;
    std::atomic<bool> m_owning{false};
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    QStringList m_requested;
    std::thread m_thread;
};
