#include "platform/linux/packages/PackageKitFileInstaller.h"

#include "platform/linux/packages/PackageKitCatalog.h"
#include "platform/linux/packages/PackageKitTransaction.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QPromise>

#include <limits>
#include <memory>
#include <optional>

PackageKitFileInstaller::PackageKitFileInstaller(std::optional<QDBusConnection> bus,
                                                 QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus)) {}

QFuture<PrepareResult> PackageKitFileInstaller::installFile(const QString& path) {
    auto promise = std::make_shared<QPromise<PrepareResult>>();
    promise->start();
    QFuture<PrepareResult> future = promise->future();
    struct LastError {
        std::optional<uint> code;
        QString details;
    };
    auto lastError = std::make_shared<LastError>();
    const QString name = QFileInfo(path).fileName();
    PackageKitTransaction::Handlers handlers;
    handlers.error = [lastError](uint code, const QString& details) {
        *lastError = {code, details};
    };
    handlers.finished = [promise, lastError, name](uint exit, const QString& failure) {
        promise->addResult(PackageKitCatalog::installResult(name, exit, lastError->code,
                                                            lastError->details, failure));
        promise->finish();
    };
    if (!m_bus)
        m_bus = QDBusConnection::systemBus();
    auto* transaction = new PackageKitTransaction(*m_bus, std::move(handlers), this);
    auto* watcher = new QFutureWatcher<PrepareResult>(transaction);
    connect(watcher, &QFutureWatcherBase::canceled, transaction, &PackageKitTransaction::cancel);
    watcher->setFuture(future);
    // The password prompt may stay open for as long as the user likes.
    constexpr int noTimeout = std::numeric_limits<int>::max();
    transaction->run(
        {QStringLiteral("interactive=true")}, QStringLiteral("InstallFiles"),
        {QVariant::fromValue(qulonglong(0)), QStringList{QFileInfo(path).absoluteFilePath()}},
        noTimeout);
    return future;
}
