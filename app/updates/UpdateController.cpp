#include "app/updates/UpdateController.h"

#include "app/settings/AppSettings.h"
#include "app/settings/DefaultsStore.h"

#include <QLocale>
#include <QUuid>

UpdateController::UpdateController(Updater& standard, AppSettings& settings, DefaultsStore& store,
                                   QObject* parent)
    : QObject(parent)
    , m_standard(standard)
    , m_settings(settings)
    , m_store(store) {}

void UpdateController::start(const UpdatePolicy& policy) {
    if (m_started)
        return;
    m_started = true;
    apply(policy);
    installID();
    m_standard.feedParameters = [this] {
        QList<std::pair<QString, QString>> items;
        for (const QVariantMap& parameter : feedParameters())
            items.append({parameter.value(QStringLiteral("key")).toString(),
                          parameter.value(QStringLiteral("value")).toString()});
        return items;
    };
    m_standard.didFinishUpdateCycle = [this](Updater::CycleEnd end) { didFinishUpdateCycle(end); };
    m_standard.setSendsSystemProfile(true);
    m_standard.startUpdater();
    pingIfNeverReached(policy);
    setCanCheck(m_standard.canCheckForUpdates());
    connect(&m_standard, &Updater::canCheckForUpdatesChanged, this,
            [this] { setCanCheck(m_standard.canCheckForUpdates()); });
    // A choice made in the update dialog shows in the settings, unless checks are off.
    connect(&m_standard, &Updater::automaticallyDownloadsUpdatesChanged, this, [this] {
        const bool downloads = m_standard.automaticallyDownloadsUpdates();
        if (m_settings.updateFrequency() != UpdateFrequency::never
            && downloads != m_settings.autoInstallUpdates())
            m_settings.setAutoInstallUpdates(downloads);
    });
    refreshLastChecked();
}

void UpdateController::apply(const UpdatePolicy& policy) {
    if (m_standard.automaticallyChecksForUpdates() != policy.checksAutomatically)
        m_standard.setAutomaticallyChecksForUpdates(policy.checksAutomatically);
    if (m_standard.updateCheckInterval() != policy.interval)
        m_standard.setUpdateCheckInterval(policy.interval);
    if (m_standard.automaticallyDownloadsUpdates() != policy.downloadsAutomatically)
        m_standard.setAutomaticallyDownloadsUpdates(policy.downloadsAutomatically);
}

void UpdateController::pingIfNeverReached(const UpdatePolicy& policy) {
    if (policy.checksAutomatically && !m_store.boolean(updateServerReachedKey))
        m_standard.checkForUpdatesInBackground();
}

QString UpdateController::installID() {
    const std::optional<QString> stored = m_store.string(installIDKey);
    if (stored && !stored->isEmpty())
        return *stored;
    const QString made = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    m_store.setString(installIDKey, made);
    return made;
}

QList<QVariantMap> UpdateController::feedParameters() {
    const QString id = installID();
    QString version = m_standard.currentVersion();
    if (version.isEmpty())
        version = QStringLiteral("?");
    const auto parameter = [](const QString& key, const QString& value, const QString& display) {
        return QVariantMap{{QStringLiteral("key"), key},
                           {QStringLiteral("value"), value},
                           {QStringLiteral("displayKey"), display},
                           {QStringLiteral("displayValue"), value}};
    };
    return {parameter(QStringLiteral("iid"), id, QStringLiteral("Install ID")),
            parameter(QStringLiteral("ver"), version, QStringLiteral("Version"))};
}

void UpdateController::didFinishUpdateCycle(Updater::CycleEnd end) {
    // The server answered with a feed that could be read, whether or not it held an update.
    if (end != Updater::CycleEnd::failed)
        m_store.setBool(updateServerReachedKey, true);
    refreshLastChecked();
}

void UpdateController::checkForUpdates() {
    m_standard.checkForUpdates();
}

QString UpdateController::lastCheckedText() const {
    if (!m_lastChecked)
        return tr("Last checked: never");
    return tr("Last checked: %1")
        .arg(QLocale().toString(m_lastChecked->toLocalTime(), QLocale::ShortFormat));
}

QString UpdateController::serverHost() const {
    return m_standard.feedRequest().host();
}

void UpdateController::setCanCheck(bool value) {
    if (m_canCheck == value)
        return;
    m_canCheck = value;
    emit canCheckChanged();
}

void UpdateController::refreshLastChecked() {
    const std::optional<QDateTime> last = m_standard.lastUpdateCheckDate();
    if (last == m_lastChecked)
        return;
    m_lastChecked = last;
    emit lastCheckedChanged();
}
