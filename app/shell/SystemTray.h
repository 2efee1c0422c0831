#pragma once

#include "app/shell/TrayMenuItem.h"

#include <QList>

#include <functional>

// The icon in the desktop's system tray.
class SystemTray {
public:
    virtual ~SystemTray() = default;

    // `items` is asked each time the menu opens, so it always shows the current shortcut;
    // `clicked` runs when the icon itself is clicked.
    virtual void setMenu(std::function<QList<TrayMenuItem>()> items,
                         std::function<void()> clicked) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
    // Whether the desktop shows tray icons at all.
    virtual bool isAvailable() const = 0;
};
