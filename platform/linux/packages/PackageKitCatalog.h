#pragma once

#include "platform/linux/packages/PackageCatalog.h"

#include <QDBusConnection>
#include <QThread>

#include <optional>

// Pair packages through PackageKit on the system bus: listing with SearchNames, installing
// with Resolve then InstallPackages, which shows the desktop's own authentication prompt.
// The D-Bus conversation runs on a thread of its own, so callers may block on the futures.
class PackageKitCatalog final : public PackageCatalog {
public:
    // PackageKit's enumerations, as far as they are used here.
    static constexpr quint64 filterNone = 0;
    static constexpr quint64 filterInstalled = 4;
    static constexpr quint64 filterNotInstalled = 8;
    static constexpr quint64 filterNewest = 65536;
    static constexpr quint64 transactionOnlyTrusted = 2;
    static constexpr uint infoInstalled = 1;
    static constexpr uint infoAvailable = 2;
    static constexpr uint exitSuccess = 1;
    static constexpr uint exitFailed = 2;
    static constexpr uint exitCancelled = 3;
    static constexpr uint errorNoNetwork = 2;
    static constexpr uint errorPackageNotFound = 8;
    static constexpr uint errorPackageAlreadyInstalled = 9;
    static constexpr uint errorPackageDownloadFailed = 10;
    static constexpr uint errorTransactionCancelled = 17;
    static constexpr uint errorNoCache = 18;
    static constexpr uint errorCannotGetLock = 26;
    static constexpr uint errorRepoNotAvailable = 37;
    static constexpr uint errorAllPackagesAlreadyInstalled = 41;
    static constexpr uint errorNoMoreMirrorsToTry = 43;
    static constexpr uint errorNoSpaceOnDevice = 46;
    static constexpr uint errorNotAuthorized = 48;

    explicit PackageKitCatalog(const QDBusConnection& bus = QDBusConnection::systemBus());
    ~PackageKitCatalog() override;

    QFuture<Listing> packages() override;
    using PackageCatalog::install;
    QFuture<PrepareResult> install(const QStringList& packages) override;

    // Whether PackageKit is on this bus or can be started there, asked with a short time-out.
    static bool answers(const QDBusConnection& bus, int timeoutMs);

    // The name in a package id "name;version;arch;data"; nothing for a malformed id.
    static std::optional<QString> nameFromId(const QString& packageId);

    // How an InstallPackages transaction ended, for the user. `errorCode` is the last
    // ErrorCode signal, if any; `failure` a reason the transaction could not run at all.
    static PrepareResult installResult(const QString& package, uint exit,
                                       std::optional<uint> errorCode, const QString& details,
                                       const QString& failure = {});

private:
    template <typename Job>
    void post(Job job);

    QDBusConnection m_bus;
    QThread m_thread;
    // Parent of every running transaction; lives in m_thread.
    QObject* m_root = nullptr;
};
