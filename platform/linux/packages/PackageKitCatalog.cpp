#include "platform/linux/packages/PackageKitCatalog.h"

#include "platform/linux/packages/ApertiumPackages.h"
#include "platform/linux/packages/PackageKitTransaction.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QFutureWatcher>
#include <QHash>
#include <QLoggingCategory>
#include <QPromise>
#include <QSet>

#include <algorithm>
#include <limits>
#include <memory>

namespace {

Q_LOGGING_CATEGORY(lcPackageKit, "verdolin.packages.packagekit")

const QString service = QStringLiteral("org.freedesktop.PackageKit");
const QString managerPath = QStringLiteral("/org/freedesktop/PackageKit");
const QString incompleteNote = QStringLiteral("not available, or the lists need refreshing");

// Whoever waits on a future gets a result, also when the work is dropped half-way.
template <typename T>
class Completion {
public:
    explicit Completion(T fallback)
        : m_fallback(std::move(fallback)) {
        m_promise.start();
    }
    ~Completion() { complete(m_fallback); }
    Completion(const Completion&) = delete;
    Completion& operator=(const Completion&) = delete;

    QFuture<T> future() { return m_promise.future(); }
    QPromise<T>& promise() { return m_promise; }

    void complete(const T& result) {
        if (m_done) {
            return;
        }
        m_done = true;
        m_promise.addResult(result);
        m_promise.finish();
    }

private:
    QPromise<T> m_promise;
    T m_fallback;
    bool m_done = false;
};

PrepareResult failedResult(const QString& message) {
    return PrepareResult{PrepareResult::Outcome::failed, message, {}};
}

struct LastError {
    std::optional<uint> code;
    QString details;
};

} // namespace

PackageKitCatalog::PackageKitCatalog(const QDBusConnection& bus)
    : m_bus(bus) {
    m_thread.setObjectName(QStringLiteral("PackageKit"));
    m_root = new QObject;
    m_root->moveToThread(&m_thread);
    m_thread.start();
}

PackageKitCatalog::~PackageKitCatalog() {
    // Deleting the running transactions gives their waiting futures a result.
    QObject* root = m_root;
    QMetaObject::invokeMethod(
        root, [root] { delete root; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

template <typename Job>
void PackageKitCatalog::post(Job job) {
    QObject* root = m_root;
    QMetaObject::invokeMethod(
        root, [root, job = std::move(job)]() mutable { job(root); }, Qt::QueuedConnection);
}

QFuture<PackageCatalog::Listing> PackageKitCatalog::packages() {
    auto completion = std::make_shared<Completion<Listing>>(Listing{
        {},
        QCoreApplication::translate("PackageKitCatalog", "The package manager did not answer.")});
    QFuture<Listing> future = completion->future();
    post([bus = m_bus, completion](QObject* root) {
        auto found = std::make_shared<QList<ApertiumPackages::Found>>();
        auto lastError = std::make_shared<LastError>();
        PackageKitTransaction::Handlers handlers;
        handlers.package = [found](uint info, const QString& id, const QString& summary) {
            if (const std::optional<QString> name = nameFromId(id)) {
                found->append({*name, summary, info == infoInstalled});
            }
        };
        handlers.error = [lastError](uint code, const QString& details) {
            *lastError = {code, details};
        };
        handlers.finished = [completion, found, lastError](uint exit, const QString& failure) {
            Listing listing;
            if (exit == exitSuccess) {
                listing.packages = ApertiumPackages::collect(*found);
                if (std::none_of(listing.packages.cbegin(), listing.packages.cend(),
                                 [](const LanguagePackage& p) { return !p.installed; })) {
                    listing.note = incompleteNote;
                }
            } else {
                listing.note = !failure.isEmpty()              ? failure
                               : !lastError->details.isEmpty() ? lastError->details
                                                               : incompleteNote;
                qCWarning(lcPackageKit) << "listing failed:" << listing.note;
            }
            completion->complete(listing);
        };
        auto* transaction = new PackageKitTransaction(bus, std::move(handlers), root);
        transaction->run({}, QStringLiteral("SearchNames"),
                         {QVariant::fromValue(qulonglong(filterNone)),
                          QStringList{QStringLiteral("apertium-")}});
    });
    return future;
}

QFuture<PrepareResult> PackageKitCatalog::install(const QStringList& packages) {
    const QString named = packages.join(QStringLiteral(", "));
    auto completion = std::make_shared<Completion<PrepareResult>>(failedResult(
        QCoreApplication::translate("PackageKitCatalog", "The installation of %1 was interrupted.")
            .arg(named)));
    QFuture<PrepareResult> future = completion->future();
    if (packages.isEmpty()
        || !std::all_of(packages.cbegin(), packages.cend(), &ApertiumPackages::isPackageName)) {
        completion->complete(failedResult(QCoreApplication::translate(
            "PackageKitCatalog", "There is no package to install for this pair.")));
        return future;
    }
    completion->promise().setProgressRange(0, 100);

    post([bus = m_bus, completion, packages, named](QObject* root) {
        // Per name: whether it is installed, else the id it would be installed by.
        auto installed = std::make_shared<QSet<QString>>();
        auto availableIds = std::make_shared<QHash<QString, QString>>();
        auto lastError = std::make_shared<LastError>();

        // Second step: the installation itself, one transaction for every package, with the
        // desktop's password prompt.
        auto installIds = [bus, completion, named, lastError, root](const QStringList& ids) {
            PackageKitTransaction::Handlers handlers;
            handlers.progress = [completion](int percent) {
                completion->promise().setProgressValue(percent);
            };
            handlers.error = [lastError](uint code, const QString& details) {
                *lastError = {code, details};
            };
            handlers.finished = [completion, named, lastError](uint exit, const QString& failure) {
                completion->complete(
                    installResult(named, exit, lastError->code, lastError->details, failure));
            };
            auto* transaction = new PackageKitTransaction(bus, std::move(handlers), root);
            auto* watcher = new QFutureWatcher<PrepareResult>(transaction);
            QObject::connect(watcher, &QFutureWatcherBase::canceled, transaction,
                             &PackageKitTransaction::cancel);
            watcher->setFuture(completion->future());
            // The prompt may stay open for as long as the user likes.
            constexpr int noTimeout = std::numeric_limits<int>::max();
            transaction->run(
                {QStringLiteral("interactive=true")}, QStringLiteral("InstallPackages"),
                {QVariant::fromValue(qulonglong(transactionOnlyTrusted)), ids}, noTimeout);
        };

        // First step: the exact ids of the packages, as PackageKit names them.
        PackageKitTransaction::Handlers handlers;
        handlers.package = [packages, installed, availableIds](uint info, const QString& id,
                                                               const QString&) {
            const std::optional<QString> name = nameFromId(id);
            if (!name || !packages.contains(*name)) {
                return;
            }
            if (info == infoInstalled) {
                installed->insert(*name);
            } else if (info == infoAvailable && !availableIds->contains(*name)) {
                availableIds->insert(*name, id);
            }
        };
        handlers.error = [lastError](uint code, const QString& details) {
            *lastError = {code, details};
        };
        handlers.finished = [=](uint exit, const QString& failure) {
            if (exit != exitSuccess) {
                completion->complete(
                    installResult(named, exit, lastError->code, lastError->details, failure));
                return;
            }
            QStringList ids;
            QStringList missing;
            for (const QString& package : packages) {
                if (installed->contains(package)) {
                    continue;
                }
                if (availableIds->contains(package)) {
                    ids.append(availableIds->value(package));
                } else {
                    missing.append(package);
                }
            }
            if (!missing.isEmpty()) {
                // All or nothing: half a chain translates nothing.
                completion->complete(installResult(missing.join(QStringLiteral(", ")), exitFailed,
                                                   errorPackageNotFound, {}));
            } else if (ids.isEmpty()) {
                completion->complete(installResult(named, exitSuccess, std::nullopt, {}));
            } else if (completion->future().isCanceled()) {
                completion->complete(installResult(named, exitCancelled, std::nullopt, {}));
            } else {
                installIds(ids);
            }
        };
        auto* transaction = new PackageKitTransaction(bus, std::move(handlers), root);
        transaction->run({}, QStringLiteral("Resolve"),
                         {QVariant::fromValue(qulonglong(filterNewest)), packages});
    });
    return future;
}

bool PackageKitCatalog::answers(const QDBusConnection& bus, int timeoutMs) {
    if (!bus.isConnected()) {
        return false;
    }
    // Starts PackageKit when the bus only knows how to; a refusal or no answer means no.
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        service, managerPath, QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    const QDBusMessage reply = bus.call(ping, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCInfo(lcPackageKit) << "PackageKit does not answer:" << reply.errorMessage();
        return false;
    }
    return true;
}

std::optional<QString> PackageKitCatalog::nameFromId(const QString& packageId) {
    const QStringList parts = packageId.split(QLatin1Char(';'));
    if (parts.size() != 4 || parts.at(0).isEmpty()) {
        return std::nullopt;
    }
    return parts.at(0);
}

PrepareResult PackageKitCatalog::installResult(const QString& package, uint exit,
                                               std::optional<uint> errorCode,
                                               const QString& details, const QString& failure) {
    using Outcome = PrepareResult::Outcome;
    if (exit == exitSuccess) {
        return {Outcome::installed, {}, {}};
    }
    if (exit == exitCancelled || errorCode == errorTransactionCancelled) {
        return {Outcome::cancelled,
                QCoreApplication::translate("PackageKitCatalog",
                                            "The installation of %1 was cancelled.")
                    .arg(package),
                {}};
    }
    if (!errorCode) {
        return failedResult(!failure.isEmpty() ? failure
                                               : QCoreApplication::translate(
                                                     "PackageKitCatalog", "Installing %1 failed.")
                                                     .arg(package));
    }
    switch (*errorCode) {
    case errorPackageAlreadyInstalled:
    case errorAllPackagesAlreadyInstalled:
        return {Outcome::installed, {}, {}};
    case errorNotAuthorized:
        // The same code for a refused and a cancelled password prompt.
        return failedResult(QCoreApplication::translate(
                                "PackageKitCatalog",
                                "Installing %1 was not allowed: the system refused permission, or "
                                "the password prompt was cancelled.")
                                .arg(package));
    case errorNoNetwork:
    case errorPackageDownloadFailed:
    case errorRepoNotAvailable:
    case errorNoMoreMirrorsToTry:
        return failedResult(
            QCoreApplication::translate(
                "PackageKitCatalog",
                "%1 could not be downloaded. Check the network connection and try again.")
                .arg(package));
    case errorPackageNotFound:
    case errorNoCache:
        return failedResult(
            QCoreApplication::translate(
                "PackageKitCatalog", "%1 is not available, or the package lists need refreshing.")
                .arg(package));
    case errorCannotGetLock:
        return failedResult(QCoreApplication::translate(
            "PackageKitCatalog", "Another program is installing software. Try again "
                                 "when it has finished."));
    case errorNoSpaceOnDevice:
        return failedResult(
            QCoreApplication::translate("PackageKitCatalog",
                                        "There is not enough disk space to install %1.")
                .arg(package));
    default:
        return failedResult(
            details.trimmed().isEmpty()
                ? QCoreApplication::translate("PackageKitCatalog", "Installing %1 failed.")
                      .arg(package)
                : QCoreApplication::translate("PackageKitCatalog", "Installing %1 failed: %2")
                      .arg(package, details.trimmed()));
    }
}
