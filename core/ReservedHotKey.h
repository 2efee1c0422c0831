#pragma once

#include <QString>

// A shortcut the desktop keeps for itself; name says who owns it ("GNOME", "KDE Plasma").
struct ReservedHotKey {
    quint32 code = 0;
    quint32 mods = 0;
    QString name;

    bool operator==(const ReservedHotKey&) const = default;
};
