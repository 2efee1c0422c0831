#pragma once

#include "app/shortcuts/GlobalKeyMonitor.h"
#include "platform/linux/x11/X11Keymap.h"
#include "platform/linux/x11/XcbSelection.h"

#include <QByteArray>
#include <QList>
#include <QMutex>

#include <atomic>
#include <bitset>
#include <deque>
#include <functional>
#include <memory>
#include <thread>
#include <xcb/xcb.h>

// Key presses of every client of an X display, through the RECORD extension: a context on a
// control connection of its own, enabled on a data connection that a thread of its own reads.
// XTest keystrokes look exactly like typed ones, so the XTest requests are recorded too: the
// request arrives just before the event it causes, with the resource id base of the client that
// sent it, which tells keystrokes posted by our own connections from everyone else's.
class X11KeyListener final : public GlobalKeyMonitor {
public:
    // The display named by DISPLAY, or `displayName`. `ownInjectors` are the resource id bases
    // of our connections that post keystrokes (KeyboardEvents::injectorId()).
    explicit X11KeyListener(const QByteArray& displayName = {}, QList<quint32> ownInjectors = {});
    ~X11KeyListener() override;

    // False without a display or without RECORD. Returns once recording has begun, so every
    // key pressed after it is reported.
    bool start(std::function<void(const KeyDownEvent&)> handler) override;
    // Ends recording and waits for the listening thread; no handler call runs after it.
    void stop() override;

private:
    using Handler = std::function<void(const KeyDownEvent&)>;

    // An XTest request whose event has not been seen yet.
    struct PendingFake {
        quint8 type;
        xcb_keycode_t keycode;
        bool own;
    };

    void stop(bool dropHandler);
    void listen(quint32 sequence);
    void readRequests(const quint8* data, int size, quint32 idBase, bool swapped);
    void readEvents(const quint8* data, int size);
    void reloadKeymapAfterMappingChange();
    void loadKeymap();
    void closeConnections();

    const QByteArray m_displayName;
    const QList<quint32> m_ownInjectors;

    QMutex m_handlerMutex;
    std::shared_ptr<const Handler> m_handler;

    XcbSelection::Connection m_control;
    XcbSelection::Connection m_data;
    quint32 m_context = 0;
    std::thread m_thread;
    std::atomic<bool> m_ended{false};

    // Owned by the listening thread while it runs.
    quint8 m_xtestOpcode = 0;
    X11Keymap m_keymap;
    QList<xcb_keycode_t> m_copyKeys;
    std::bitset<256> m_down;
    std::deque<PendingFake> m_pendingFakes;
};
