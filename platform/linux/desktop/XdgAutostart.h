#pragma once

#include "app/system/LoginRegistration.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

#include <optional>

// Starting at login through a freedesktop.org autostart entry in the user's configuration
// folder. Only that folder counts: entries in the system folders are not the user's choice.
class XdgAutostart final : public LoginRegistration {
public:
    static constexpr QLatin1StringView fileName{"com.korvane.Verdolin.desktop"};

    // $XDG_CONFIG_HOME/autostart, with ~/.config when the variable is unset or relative.
    static QString defaultFolder();

    // The running executable, in the default folder.
    XdgAutostart();
    XdgAutostart(const QString& folder, const QString& executablePath);

    QString filePath() const;

    // The entry that starts `executablePath` with the login flag; nullopt when the path
    // cannot be written into an entry.
    static std::optional<QByteArray> entryFor(const QString& executablePath);

    // Enabled while our entry is there and the user has not switched it off in the desktop's
    // start-up settings (Hidden=true, X-GNOME-Autostart-enabled=false).
    Status status() const override;
    // Replaces whatever entry is there with ours, atomically.
    std::optional<QString> registerApp() override;
    // Removes the entry; one that starts another program is left alone.
    std::optional<QString> unregisterApp() override;

private:
    // The program an entry's Exec starts, and whether it passes the login flag; nullopt when
    // the file cannot be read or has no usable Exec.
    struct Launch {
        QString program;
        bool loginFlag = false;
    };
    std::optional<Launch> readLaunch(bool* disabled) const;
    bool isOurProgram(const QString& program) const;

    QString m_folder;
    QString m_executablePath;
};
