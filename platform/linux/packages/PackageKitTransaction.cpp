#include "platform/linux/packages/PackageKitTransaction.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcTransaction, "verdolin.packages.packagekit")

const QString service = QStringLiteral("org.freedesktop.PackageKit");
const QString managerPath = QStringLiteral("/org/freedesktop/PackageKit");
const QString transactionInterface = QStringLiteral("org.freedesktop.PackageKit.Transaction");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

constexpr uint unknownPercentage = 101;

struct SignalSlot {
    QString interface;
    QString name;
    const char* slot;
};

const QList<SignalSlot>& transactionSignals() {
    static const QList<SignalSlot> list{
        {transactionInterface, QStringLiteral("Package"), SLOT(onPackage(uint, QString, QString))},
        {transactionInterface, QStringLiteral("ItemProgress"),
         SLOT(onItemProgress(QString, uint, uint))},
        {transactionInterface, QStringLiteral("ErrorCode"), SLOT(onErrorCode(uint, QString))},
        {transactionInterface, QStringLiteral("Finished"), SLOT(onFinished(uint, uint))},
        {transactionInterface, QStringLiteral("Destroy"), SLOT(onDestroy())},
        {propertiesInterface, QStringLiteral("PropertiesChanged"),
         SLOT(onPropertiesChanged(QString, QVariantMap, QStringList))},
    };
    return list;
}

} // namespace

PackageKitTransaction::PackageKitTransaction(const QDBusConnection& bus, Handlers handlers,
                                             QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_handlers(std::move(handlers)) {
    auto* watcher =
        new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &PackageKitTransaction::onServiceGone);
}

PackageKitTransaction::~PackageKitTransaction() {
    // Whoever waits on this transaction hears of its end even when it is torn down early.
    if (!m_ended) {
        m_ended = true;
        disconnectSignals();
        if (m_handlers.finished) {
            m_handlers.finished(
                0, QCoreApplication::translate("PackageKitTransaction",
                                               "The request to the package service was stopped."));
        }
    }
}

void PackageKitTransaction::run(const QStringList& hints, const QString& method,
                                const QVariantList& arguments, int methodTimeoutMs) {
    m_hints = hints;
    m_method = method;
    m_arguments = arguments;
    m_methodTimeoutMs = methodTimeoutMs;

    const QDBusMessage call = QDBusMessage::createMethodCall(service, managerPath, service,
                                                             QStringLiteral("CreateTransaction"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    expectReply(watcher, [this, watcher] {
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        created(reply.value().path());
    });
}

void PackageKitTransaction::cancel() {
    m_cancelRequested = true;
    if (m_path.isEmpty() || m_ended) {
        return;
    }
    const QDBusMessage call = QDBusMessage::createMethodCall(service, m_path, transactionInterface,
                                                             QStringLiteral("Cancel"));
    // A refused cancel changes nothing: the transaction still finishes on its own.
    m_bus.asyncCall(call);
}

void PackageKitTransaction::created(const QString& path) {
    m_path = path;
    if (!connectSignals()) {
        fail(QCoreApplication::translate("PackageKitTransaction",
                                         "The package service's progress could not be followed."));
        return;
    }
    if (m_hints.isEmpty()) {
        callMethod();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, m_path, transactionInterface,
                                                       QStringLiteral("SetHints"));
    call << m_hints;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    expectReply(watcher, [this] { callMethod(); });
}

void PackageKitTransaction::callMethod() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, m_path, transactionInterface, m_method);
    call.setArguments(m_arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_methodTimeoutMs), this);
    expectReply(watcher, [this] {
        if (m_cancelRequested) {
            cancel();
        }
    });
}

bool PackageKitTransaction::connectSignals() {
    for (const SignalSlot& signal : transactionSignals()) {
        if (!m_bus.connect(service, m_path, signal.interface, signal.name, this, signal.slot)) {
            qCWarning(lcTransaction)
                << "cannot follow" << signal.name << m_bus.lastError().message();
            return false;
        }
    }
    return true;
}

void PackageKitTransaction::disconnectSignals() {
    if (m_path.isEmpty()) {
        return;
    }
    for (const SignalSlot& signal : transactionSignals()) {
        m_bus.disconnect(service, m_path, signal.interface, signal.name, this, signal.slot);
    }
}

void PackageKitTransaction::expectReply(QDBusPendingCallWatcher* watcher,
                                        std::function<void()> next) {
    // A call on a closed connection never reports back.
    if (!m_bus.isConnected()) {
        watcher->deleteLater();
        QMetaObject::invokeMethod(
            this,
            [this] {
                fail(QCoreApplication::translate("PackageKitTransaction",
                                                 "The package service does not answer."));
            },
            Qt::QueuedConnection);
        return;
    }
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, next = std::move(next)] {
                watcher->deleteLater();
                if (m_ended) {
                    return;
                }
                if (watcher->isError()) {
                    const QDBusError error = watcher->error();
                    qCWarning(lcTransaction) << error.name() << error.message();
                    fail(error.type() == QDBusError::ServiceUnknown
                                 || error.type() == QDBusError::NoReply
                                 || error.type() == QDBusError::Disconnected
                             ? QCoreApplication::translate("PackageKitTransaction",
                                                           "The package service does not answer.")
                             : error.message());
                    return;
                }
                next();
            });
}

void PackageKitTransaction::onPackage(uint info, const QString& packageId, const QString& summary) {
    if (m_handlers.package) {
        m_handlers.package(info, packageId, summary);
    }
}

void PackageKitTransaction::onItemProgress(const QString&, uint, uint percentage) {
    if (!m_overallKnown && percentage < unknownPercentage && m_handlers.progress) {
        m_handlers.progress(int(percentage));
    }
}

void PackageKitTransaction::onErrorCode(uint code, const QString& details) {
    qCInfo(lcTransaction) << "error" << code << details;
    if (m_handlers.error) {
        m_handlers.error(code, details);
    }
}

void PackageKitTransaction::onFinished(uint exit, uint runtime) {
    qCDebug(lcTransaction) << m_method << "finished" << exit << "after" << runtime << "ms";
    end(exit, QString());
}

void PackageKitTransaction::onPropertiesChanged(const QString& interface,
                                                const QVariantMap& changed, const QStringList&) {
    if (interface != transactionInterface) {
        return;
    }
    const auto percentage = changed.constFind(QStringLiteral("Percentage"));
    if (percentage == changed.constEnd()) {
        return;
    }
    const uint value = percentage->toUInt();
    if (value < unknownPercentage) {
        m_overallKnown = true;
        if (m_handlers.progress) {
            m_handlers.progress(int(value));
        }
    }
}

void PackageKitTransaction::onDestroy() {
    fail(QCoreApplication::translate(
        "PackageKitTransaction", "The package service ended the installation without a result."));
}

void PackageKitTransaction::onServiceGone() {
    fail(QCoreApplication::translate("PackageKitTransaction", "The package service stopped."));
}

void PackageKitTransaction::fail(const QString& failure) {
    end(0, failure);
}

void PackageKitTransaction::end(uint exit, const QString& failure) {
    if (m_ended) {
        return;
    }
    m_ended = true;
    disconnectSignals();
    if (m_handlers.finished) {
        m_handlers.finished(exit, failure);
    }
    deleteLater();
}
