#pragma once

#include "app/system/SoftwareCentre.h"

#include <QString>
#include <QStringList>

#include <optional>

// GNOME Software or KDE Discover, whichever is installed; the one of the running desktop when
// both are. Looked for on PATH at every call, so that one installed later is found.
class DesktopSoftwareCentre final : public SoftwareCentre {
public:
    struct Command {
        QString program; // absolute path
        QStringList arguments;
        QString name;

        bool operator==(const Command&) const = default;
    };

    // `desktop`: XDG_CURRENT_DESKTOP's colon-separated names ("ubuntu:GNOME", "KDE").
    explicit DesktopSoftwareCentre(QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP"));

    bool available() const override;
    QString name() const override;
    // Started detached, so that it outlives this program.
    bool openSearch(const QString& term) override;

    // What openSearch() would start; nothing when neither is installed.
    std::optional<Command> command(const QString& term) const;

private:
    QString m_desktop;
};
