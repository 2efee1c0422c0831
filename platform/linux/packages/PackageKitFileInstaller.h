#pragma once

#include "app/updates/UpdateInstaller.h"

#include <QDBusConnection>
#include <QObject>

#include <optional>

// Installs a package file with PackageKit's InstallFiles, which asks for the user's password
// through the desktop's own prompt. The file's signature was checked before; apt's repository
// trust does not cover a file from the update server, so the transaction is not limited to
// trusted packages. Main thread only.
class PackageKitFileInstaller final : public QObject, public UpdateInstaller {
    Q_OBJECT

public:
    // Without a bus, the system bus, reached on the first installation.
    explicit PackageKitFileInstaller(std::optional<QDBusConnection> bus = std::nullopt,
                                     QObject* parent = nullptr);

    QFuture<PrepareResult> installFile(const QString& path) override;

private:
    std::optional<QDBusConnection> m_bus;
};
