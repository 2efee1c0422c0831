#pragma once

#include "app/shortcuts/SystemHotKeys.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The running desktop's own shortcuts: GNOME's key-binding settings through `gsettings`, KDE
// Plasma's kglobalshortcutsrc. Other desktops reserve nothing that can be read.
class DesktopHotKeys final : public SystemHotKeys {
public:
    // Runs gsettings with the arguments; its standard output, or absent when it fails.
    using Gsettings = std::function<std::optional<QString>(const QStringList& arguments)>;

    struct Environment {
        // XDG_CURRENT_DESKTOP, or DESKTOP_SESSION when that is unset.
        QString currentDesktop;
        QString kdeShortcutsFile;
        Gsettings gsettings;
    };

    // This session's desktop, its kglobalshortcutsrc and the real gsettings.
    DesktopHotKeys();
    explicit DesktopHotKeys(Environment environment);

    static Environment systemEnvironment();

    QList<ReservedHotKey> read() const override;

    static QString gnomeName() { return QStringLiteral("GNOME"); }
    static QString kdeName() { return QStringLiteral("KDE Plasma"); }

private:
    QList<ReservedHotKey> readGnome() const;
    QList<ReservedHotKey> readKde() const;

    Environment m_environment;
};
