#pragma once

#include <QObject>
#include <QString>

// The global shortcut: X11 keysym of the key, HotKeyMods set and the label shown to the user.
// The label is recorded with the shortcut and never rebuilt from code and mods.
struct HotKeySpec {
    Q_GADGET
    Q_PROPERTY(QString label MEMBER label)

public:
    quint32 code = 0;
    quint32 mods = 0;
    QString label;

    // Ctrl+Alt+T.
    static HotKeySpec defaultSpec();

    bool operator==(const HotKeySpec&) const = default;
};
