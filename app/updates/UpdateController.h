#pragma once

#include "app/updates/Updater.h"
#include "core/UpdatePolicy.h"

#include <QDateTime>
#include <QObject>
#include <QVariantMap>

#include <optional>

class AppSettings;
class DefaultsStore;

// Puts the user's update settings into the updater, tells the settings screen whether a
// check can start and when the last one ran, names this installation and version in each
// request, and has a fresh installation reach the update server once without waiting a
// whole interval. Main thread only.
class UpdateController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheck READ canCheck NOTIFY canCheckChanged)
    // Invalid while no check has run.
    Q_PROPERTY(QDateTime lastChecked READ lastCheckedDate NOTIFY lastCheckedChanged)
    // "Last checked: never", or the date and time in the interface's short formats.
    Q_PROPERTY(QString lastCheckedText READ lastCheckedText NOTIFY lastCheckedChanged)
    Q_PROPERTY(Updater* updater READ updater CONSTANT)
    // The update server's host name, for the settings' explanation.
    Q_PROPERTY(QString serverHost READ serverHost CONSTANT)

public:
    static constexpr QLatin1StringView installIDKey{"installID"};
    static constexpr QLatin1StringView updateServerReachedKey{"updateServerReached"};

    // The updater, settings and store must outlive the controller.
    UpdateController(Updater& standard, AppSettings& settings, DefaultsStore& store,
                     QObject* parent = nullptr);

    // Once at launch.
    void start(const UpdatePolicy& policy);
    // At start and whenever the frequency or auto-install changes; writes only what differs.
    void apply(const UpdatePolicy& policy);
    // A background check now, until a check has once reached the server.
    void pingIfNeverReached(const UpdatePolicy& policy);

    // This installation's random identifier, made and stored on first need.
    QString installID();
    // The two query items of each request, with their display names: "iid" and "ver".
    QList<QVariantMap> feedParameters();
    void didFinishUpdateCycle(Updater::CycleEnd end);

    // A check the user asked for ("Check Now", "Check for Updates…").
    Q_INVOKABLE void checkForUpdates();

    bool canCheck() const { return m_canCheck; }
    std::optional<QDateTime> lastChecked() const { return m_lastChecked; }
    QDateTime lastCheckedDate() const { return m_lastChecked.value_or(QDateTime()); }
    QString lastCheckedText() const;
    Updater* updater() const { return &m_standard; }
    QString serverHost() const;

signals:
    void canCheckChanged();
    void lastCheckedChanged();

private:
    void setCanCheck(bool value);
    void refreshLastChecked();

    Updater& m_standard;
    AppSettings& m_settings;
    DefaultsStore& m_store;
    bool m_canCheck = false;
    std::optional<QDateTime> m_lastChecked;
    bool m_started = false;
};
