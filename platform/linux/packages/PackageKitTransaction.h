#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

class QDBusPendingCallWatcher;

// One PackageKit transaction: created, given its hints and its one method, then followed
// through its signals until Finished. Lives in a thread with an event loop and deletes
// itself once `finished` has been called.
class PackageKitTransaction : public QObject {
    Q_OBJECT

public:
    struct Handlers {
        std::function<void(uint info, const QString& packageId, const QString& summary)> package;
        // Overall progress 0-100; ItemProgress counts only while no overall figure is known.
        std::function<void(int percent)> progress;
        std::function<void(uint code, const QString& details)> error;
        // Called exactly once: PackageKit's exit code, or 0 with `failure` when the transaction
        // could not be run or vanished without finishing.
        std::function<void(uint exit, const QString& failure)> finished;
    };

    PackageKitTransaction(const QDBusConnection& bus, Handlers handlers, QObject* parent = nullptr);
    ~PackageKitTransaction() override;

    // Every call must come from the same connection as CreateTransaction, or PackageKit
    // refuses it.
    void run(const QStringList& hints, const QString& method, const QVariantList& arguments,
             int methodTimeoutMs = -1);
    void cancel();

private slots:
    void onPackage(uint info, const QString& packageId, const QString& summary);
    void onItemProgress(const QString& packageId, uint status, uint percentage);
    void onErrorCode(uint code, const QString& details);
    void onFinished(uint exit, uint runtime);
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);
    void onDestroy();
    void onServiceGone();

private:
    void created(const QString& path);
    void callMethod();
    bool connectSignals();
    void disconnectSignals();
    void fail(const QString& failure);
    void end(uint exit, const QString& failure);
    // Follows a call's reply; on an error the transaction fails with the error's text.
    void expectReply(QDBusPendingCallWatcher* watcher, std::function<void()> next);

    QDBusConnection m_bus;
    Handlers m_handlers;
    QStringList m_hints;
    QString m_method;
    QVariantList m_arguments;
    int m_methodTimeoutMs = -1;
    QString m_path;
    bool m_ended = false;
    bool m_overallKnown = false;
    bool m_cancelRequested = false;
};
