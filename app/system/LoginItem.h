#pragma once

#include "app/system/LoginRegistration.h"

#include <QFuture>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class DefaultsStore;

// Starting the application at login, and renewing that registration after the executable has
// moved to another installed place.
class LoginItem {
public:
    using Status = LoginRegistration::Status;

    // On the command line of a launch by the login item.
    static constexpr QLatin1StringView launchFlag{"--login"};
    // The executable path that was registered last.
    static constexpr QLatin1StringView pathKey{"loginItemPath"};

    struct Setup {
        std::shared_ptr<LoginRegistration> registration;
        // Not owned; must outlive the item and its background work.
        DefaultsStore* defaults = nullptr;
        // Absolute path of the running executable; empty when unknown.
        QString executablePath;
        QString homePath;
        // A copy run from below one of these is throwaway.
        QStringList temporaryFolders;
    };

    explicit LoginItem(Setup setup);

    // The installed registration, the standard defaults store, the running executable.
    static LoginItem& shared();
    // Called once at start, before shared() is first used; until then starting at login is
    // unavailable.
    static void installSystem(std::shared_ptr<LoginRegistration> registration);
    // QDir::tempPath(), /tmp and /var/tmp.
    static QStringList defaultTemporaryFolders();

    Status status() const;
    // Returns the message to show when the desktop refuses. Enabling records the executable
    // path; disabling leaves the record as it is.
    std::optional<QString> set(bool enabled);
    // Renews an enabled registration when the installed executable is not the one registered
    // last. Returns at once; the work runs on the global thread pool and swallows its errors.
    QFuture<void> reRegisterIfMoved();

private:
    struct State;
    std::shared_ptr<State> m_state;
};
