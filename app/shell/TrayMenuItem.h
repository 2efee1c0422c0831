#pragma once

#include <QString>

#include <functional>

// One row of the tray icon's menu; a row without a title is a separator.
struct TrayMenuItem {
    QString title;
    std::function<void()> action;
    // Shown at the row's end, e.g. "Ctrl+Q".
    QString shortcut;

    bool isSeparator() const { return title.isEmpty(); }
};
