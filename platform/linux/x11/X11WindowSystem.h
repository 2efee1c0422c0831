#pragma once

#include "app/shell/WindowSystem.h"
#include "platform/linux/x11/XcbSelection.h"

#include <QByteArray>

// The window manager through EWMH on a connection of its own (so that the PropertyNotify giving a
// server timestamp reaches us, not Qt's event thread). Without a reachable display nothing is
// active, nothing can be activated and the taskbar is left alone.
class X11WindowSystem final : public WindowSystem {
public:
    // An empty name means DISPLAY.
    explicit X11WindowSystem(const QByteArray& displayName = {});

    std::optional<WindowId> activeWindow() override;
    bool activate(WindowId window) override;
    // _NET_WM_STATE_SKIP_TASKBAR only: a pager keeps showing the window, which is on screen. A
    // hidden window gets the state in its property, after the window manager has let go of it
    // (it erases the property then); a shown one through the window manager.
    void setShownInTaskbar(QWindow& window, bool shown) override;

private:
    xcb_window_t activeWindowOfAnyone();
    bool isOurs(xcb_window_t window);
    bool isManaged(xcb_window_t window);
    // Until the window manager has let go of a hidden window, for half a second at most.
    void waitUntilWithdrawn(xcb_window_t window);

    // Before the connection: connect() fills it in.
    xcb_window_t m_root = XCB_WINDOW_NONE;
    XcbSelection::Connection m_connection;
    xcb_window_t m_clock = XCB_WINDOW_NONE;
    xcb_atom_t m_activeWindow = XCB_ATOM_NONE;
    xcb_atom_t m_pid = XCB_ATOM_NONE;
    xcb_atom_t m_state = XCB_ATOM_NONE;
    xcb_atom_t m_skipTaskbar = XCB_ATOM_NONE;
    xcb_atom_t m_wmState = XCB_ATOM_NONE;
    xcb_atom_t m_timestamp = XCB_ATOM_NONE;
};
