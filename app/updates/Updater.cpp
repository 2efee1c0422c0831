#include "app/updates/Updater.h"

#include "app/settings/DefaultsStore.h"
#include "app/translation/Futures.h"
#include "app/updates/UpdateInstaller.h"
#include "app/updates/UpdateVerifier.h"
#include "core/AppcastFeed.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QUrlQuery>

#include <algorithm>

Q_LOGGING_CATEGORY(updatesLog, "verdolin.updates")

Updater::Updater(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services)) {}

Updater::~Updater() {
    m_download.cancel();
}

void Updater::setAutomaticallyChecksForUpdates(bool on) {
    if (m_checksAutomatically == on)
        return;
    m_checksAutomatically = on;
    schedule();
}

void Updater::setUpdateCheckInterval(double seconds) {
    if (m_interval == seconds || seconds <= 0)
        return;
    m_interval = seconds;
    schedule();
}

void Updater::setAutomaticallyDownloadsUpdates(bool on) {
    if (m_downloadsAutomatically == on)
        return;
    m_downloadsAutomatically = on;
    emit automaticallyDownloadsUpdatesChanged();
}

bool Updater::canCheckForUpdates() const {
    // An offer on screen is an update session too: it ends with Install or Later.
    return m_started && !m_busy && m_stage != Stage::available;
}

std::optional<QDateTime> Updater::lastUpdateCheckDate() const {
    const std::optional<QString> stored = m_services.store->string(lastCheckKey);
    if (!stored)
        return std::nullopt;
    const QDateTime date = QDateTime::fromString(*stored, Qt::ISODateWithMs);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

QUrl Updater::feedRequest() const {
    QUrl url = m_services.feed;
    if (m_sendsSystemProfile && feedParameters) {
        QUrlQuery query(url);
        for (const auto& [key, value] : feedParameters())
            query.addQueryItem(key, QString::fromUtf8(QUrl::toPercentEncoding(value)));
        url.setQuery(query);
    }
    return url;
}

void Updater::startUpdater() {
    if (m_started)
        return;
    m_started = true;
    emit canCheckForUpdatesChanged();
    schedule();
}

void Updater::schedule() {
    m_timer.reset();
    if (!m_started || !m_checksAutomatically)
        return;
    // A clock that runs through suspend, so a week is a week of calendar time, not of uptime.
    qint64 delayMs = qint64(m_interval * 1000);
    if (const std::optional<QDateTime> last = lastUpdateCheckDate()) {
        const qint64 since = last->msecsTo(m_services.now());
        delayMs = std::clamp<qint64>(delayMs - std::max<qint64>(since, 0), 0, delayMs);
    }
    QPointer<Updater> self(this);
    m_timer = m_services.clock->after(DelayClock::Duration(delayMs), [self] {
        if (self)
            self->checkForUpdatesInBackground();
    });
}

void Updater::checkForUpdates() {
    check(true);
}

void Updater::checkForUpdatesInBackground() {
    check(false);
}

void Updater::check(bool userInitiated) {
    if (!canCheckForUpdates()) {
        // An offer left open or an installation under way: this check is skipped, not retried
        // at once, which would spin for as long as the offer stays open.
        if (!userInitiated && m_started && m_checksAutomatically) {
            QPointer<Updater> self(this);
            m_timer =
                m_services.clock->after(DelayClock::Duration(qint64(m_interval * 1000)), [self] {
                    if (self)
                        self->checkForUpdatesInBackground();
                });
        }
        return;
    }
    setBusy(true);
    if (userInitiated)
        setStage(Stage::checking);
    const QUrl url = feedRequest();
    qCInfo(updatesLog) << "looking for updates at" << url.toDisplayString(QUrl::RemoveQuery);
    Futures::whenFinished(
        m_services.network->get(url, feedLimit), this,
        [this, userInitiated](const QFuture<UpdateNetwork::Response>& reply) {
            feedArrived(Futures::resultOr(reply, UpdateNetwork::Response{{}, tr("Cancelled.")}),
                        userInitiated);
        });
}

void Updater::feedArrived(const UpdateNetwork::Response& reply, bool userInitiated) {
    if (!reply.error.isEmpty()) {
        qCWarning(updatesLog) << "the update check failed:" << reply.error;
        endCycle(CycleEnd::failed);
        if (userInitiated)
            setStage(Stage::failed, tr("Could not look for updates: %1").arg(reply.error));
        return;
    }
    const AppcastFeed feed = AppcastFeed::parse(reply.body, m_services.feed);
    if (!feed.error.isEmpty()) {
        qCWarning(updatesLog) << "the update feed could not be read:" << feed.error;
        endCycle(CycleEnd::failed);
        if (userInitiated)
            setStage(Stage::failed, tr("The update information could not be read."));
        return;
    }
    const std::optional<VersionNumber> current = VersionNumber::parse(m_services.currentVersion);
    const std::optional<AppcastItem> newest =
        feed.newestAbove(current.value_or(VersionNumber{{0}}));
    if (!newest) {
        endCycle(CycleEnd::noUpdate);
        if (userInitiated)
            setStage(Stage::upToDate);
        return;
    }
    endCycle(CycleEnd::updateFound);
    found(*newest, userInitiated);
}

void Updater::endCycle(CycleEnd end) {
    m_services.store->setString(lastCheckKey, m_services.now().toUTC().toString(Qt::ISODateWithMs));
    setBusy(false);
    emit lastUpdateCheckDateChanged();
    if (didFinishUpdateCycle)
        didFinishUpdateCycle(end);
    schedule();
}

void Updater::found(const AppcastItem& item, bool userInitiated) {
    if (m_pending && m_pending->item.version == item.version && !userInitiated)
        return;
    m_offer = item;
    const std::optional<VersionNumber> current = VersionNumber::parse(m_services.currentVersion);
    const bool sameMajor = current && current->major() == item.version.major();
    if (m_downloadsAutomatically && sameMajor && !userInitiated) {
        // Quietly: the user meets it only as the system's prompt when quitting.
        QPointer<Updater> self(this);
        fetchPackage(item, false, [self, item](std::optional<QString> path) {
            if (self && path)
                self->m_pending = Pending{item, *path};
        });
        return;
    }
    setStage(Stage::available);
    emit attentionNeeded();
}

QString Updater::offeredVersion() const {
    return m_offer ? m_offer->displayVersion : QString();
}

QUrl Updater::releaseNotes() const {
    return m_offer ? m_offer->releaseNotes : QUrl();
}

void Updater::install() {
    if (!m_offer || m_stage == Stage::downloading || m_stage == Stage::installing)
        return;
    if (m_pending && m_pending->item.version == m_offer->version) {
        const QString path = m_pending->path;
        m_pending.reset();
        runInstaller(path, {});
        return;
    }
    QPointer<Updater> self(this);
    fetchPackage(*m_offer, true, [self](std::optional<QString> path) {
        if (self && path)
            self->runInstaller(*path, {});
    });
}

void Updater::later() {
    m_download.cancel();
    setStage(Stage::idle);
}

void Updater::dismiss() {
    if (m_stage == Stage::upToDate || m_stage == Stage::installed || m_stage == Stage::failed)
        setStage(Stage::idle);
}

void Updater::fetchPackage(const AppcastItem& item, bool visible,
                           std::function<void(std::optional<QString>)> then) {
    QDir().mkpath(m_services.downloadFolder);
    const QString path =
        QDir(m_services.downloadFolder)
            .filePath(QStringLiteral("verdolin_%1.deb").arg(item.version.toString()));
    setBusy(true);
    if (visible) {
        m_progress = 0;
        emit progressChanged();
        setStage(Stage::downloading);
    }
    // A server that sends more than it announced is not sending this package.
    m_download = m_services.network->download(item.url, path, item.length);
    auto* watcher = new QFutureWatcher<QString>(this);
    if (visible) {
        connect(watcher, &QFutureWatcherBase::progressValueChanged, this, [this](int value) {
            m_progress = value;
            emit progressChanged();
        });
    }
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher, item, path, visible, then = std::move(then)] {
                watcher->deleteLater();
                setBusy(false);
                const QFuture<QString> done = watcher->future();
                const auto fail = [&](const QString& why) {
                    qCWarning(updatesLog) << "the update was not installed:" << why;
                    QFile::remove(path);
                    if (visible && m_stage == Stage::downloading)
                        setStage(Stage::failed, why);
                    then(std::nullopt);
                };
                if (done.isCanceled() || done.resultCount() == 0) {
                    QFile::remove(path);
                    then(std::nullopt);
                    return;
                }
                if (!done.result().isEmpty())
                    return fail(tr("The download failed: %1").arg(done.result()));
                if (QFileInfo(path).size() != item.length)
                    return fail(tr("The download was incomplete; nothing was installed."));
                if (!m_services.verifier->verify(path, item.signature))
                    return fail(tr("The update’s signature is not valid; nothing was installed."));
                then(path);
            });
    watcher->setFuture(m_download);
}

void Updater::runInstaller(const QString& path, std::function<void()> done) {
    setBusy(true);
    setStage(Stage::installing);
    const QString version = offeredVersion();
    Futures::whenFinished(
        m_services.installer->installFile(path), this,
        [this, path, version, done = std::move(done)](const QFuture<PrepareResult>& future) {
            QFile::remove(path);
            setBusy(false);
            const PrepareResult result =
                Futures::resultOr(future, PrepareResult{PrepareResult::Outcome::cancelled, {}, {}});
            switch (result.outcome) {
            case PrepareResult::Outcome::installed:
                setStage(Stage::installed,
                         tr("Verdolin %1 is installed. It starts the next time you open "
                            "Verdolin.")
                             .arg(version));
                break;
            case PrepareResult::Outcome::cancelled:
                setStage(Stage::failed, tr("The installation was cancelled."));
                break;
            case PrepareResult::Outcome::failed:
            case PrepareResult::Outcome::manual:
                setStage(Stage::failed, result.message.isEmpty()
                                            ? tr("The system did not install the update.")
                                            : result.message);
                break;
            }
            if (done)
                done();
        });
}

void Updater::installPendingThen(std::function<void()> done) {
    if (!m_pending) {
        done();
        return;
    }
    const Pending pending = *m_pending;
    m_pending.reset();
    m_offer = pending.item;
    runInstaller(pending.path, std::move(done));
}

void Updater::setStage(Stage stage, const QString& message) {
    if (m_stage == stage && m_message == message)
        return;
    const bool could = canCheckForUpdates();
    m_stage = stage;
    m_message = message;
    emit stageChanged();
    if (could != canCheckForUpdates())
        emit canCheckForUpdatesChanged();
}

void Updater::setBusy(bool busy) {
    const bool could = canCheckForUpdates();
    m_busy = busy;
    if (could != canCheckForUpdates())
        emit canCheckForUpdatesChanged();
}
