#pragma once

#include <QtGlobal>

#include <optional>

class QWindow;

// What the desktop's window manager does around the translator window: which window of another
// application had the focus before it came up, giving the focus back to that window, and whether
// the window has a taskbar entry. Main thread only.
class WindowSystem {
public:
    using WindowId = quint64;

    virtual ~WindowSystem() = default;

    // The window the desktop reports as active, when it belongs to another process; none when no
    // window is active, it is one of ours, or the desktop does not say.
    virtual std::optional<WindowId> activeWindow() = 0;
    // Asks the window manager to activate `window`; false when the window no longer exists or is
    // not shown, and nothing is asked then.
    virtual bool activate(WindowId window) = 0;
    // Puts the window on the taskbar or keeps it off. Called before every show: a hidden window's
    // state is built anew when it is shown again.
    virtual void setShownInTaskbar(QWindow& window, bool shown) = 0;
};
