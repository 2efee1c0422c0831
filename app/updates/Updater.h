#pragma once

#include "app/translation/DelayClock.h"
#include "app/updates/UpdateNetwork.h"
#include "core/AppcastItem.h"
#include "core/VersionNumber.h"

#include <QDateTime>
#include <QFuture>
#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class DefaultsStore;
class UpdateInstaller;
class UpdateVerifier;

// Looks for new versions in the update feed on its own schedule or when asked, and brings one
// onto the computer: the package is downloaded, its signature checked, and the system asked
// to install it. Talks to the user through `stage` and the offer's properties, which the
// window shows as a dialog. Main thread only.
class Updater : public QObject {
    Q_OBJECT
    Q_PROPERTY(Stage stage READ stage NOTIFY stageChanged)
    Q_PROPERTY(QString offeredVersion READ offeredVersion NOTIFY stageChanged)
    Q_PROPERTY(QUrl releaseNotes READ releaseNotes NOTIFY stageChanged)
    Q_PROPERTY(QString currentVersion READ currentVersion CONSTANT)
    Q_PROPERTY(int progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString message READ message NOTIFY stageChanged)
    Q_PROPERTY(bool automaticallyDownloadsUpdates READ automaticallyDownloadsUpdates WRITE
                   setAutomaticallyDownloadsUpdates NOTIFY automaticallyDownloadsUpdatesChanged)

public:
    enum class Stage {
        idle,
        checking,    // a check the user asked for
        upToDate,    // its answer: nothing newer
        available,   // an offer the user decides on
        downloading, // `progress`
        installing,  // the system's prompt and installation
        installed,
        failed, // `message` says why
        Idle = idle,
        Checking = checking,
        UpToDate = upToDate,
        Available = available,
        Downloading = downloading,
        Installing = installing,
        Installed = installed,
        Failed = failed,
    };
    Q_ENUM(Stage)

    // How a check ended, for the delegate.
    enum class CycleEnd { updateFound, noUpdate, failed };

    // A feed no larger than this is read.
    static constexpr qint64 feedLimit = 1 << 20;
    static constexpr QLatin1StringView lastCheckKey{"lastUpdateCheck"};

    struct Services {
        // Not owned; must outlive the updater.
        UpdateNetwork* network = nullptr;
        const UpdateVerifier* verifier = nullptr;
        UpdateInstaller* installer = nullptr;
        // Keeps the date of the last check.
        DefaultsStore* store = nullptr;
        std::shared_ptr<DelayClock> clock;
        std::function<QDateTime()> now;
        QUrl feed;
        // The running version, as the feed's sparkle:version counts.
        QString currentVersion;
        // Where packages are downloaded to.
        QString downloadFolder;
    };

    explicit Updater(Services services, QObject* parent = nullptr);
    ~Updater() override;

    // What the delegate adds to each request as query items, while sendsSystemProfile is on.
    std::function<QList<std::pair<QString, QString>>()> feedParameters;
    // Called at the end of every check, with whether it reached the server and what it found.
    std::function<void(CycleEnd)> didFinishUpdateCycle;

    bool automaticallyChecksForUpdates() const { return m_checksAutomatically; }
    void setAutomaticallyChecksForUpdates(bool on);
    double updateCheckInterval() const { return m_interval; }
    void setUpdateCheckInterval(double seconds);
    bool automaticallyDownloadsUpdates() const { return m_downloadsAutomatically; }
    void setAutomaticallyDownloadsUpdates(bool on);
    bool sendsSystemProfile() const { return m_sendsSystemProfile; }
    void setSendsSystemProfile(bool on) { m_sendsSystemProfile = on; }
    // Started, and no check, offer or installation under way.
    bool canCheckForUpdates() const;
    std::optional<QDateTime> lastUpdateCheckDate() const;
    // The address of the next request, parameters included.
    QUrl feedRequest() const;

    // Begins the schedule.
    void startUpdater();
    // A check the user asked for: its answer is shown whatever it is.
    Q_INVOKABLE void checkForUpdates();
    // A check that speaks up only when it finds something.
    void checkForUpdatesInBackground();

    Stage stage() const { return m_stage; }
    QString offeredVersion() const;
    QUrl releaseNotes() const;
    QString currentVersion() const { return m_services.currentVersion; }
    int progress() const { return m_progress; }
    QString message() const { return m_message; }

    // The offer's answers.
    Q_INVOKABLE void install();
    Q_INVOKABLE void later();
    // Closes an answer (up to date, installed, failed).
    Q_INVOKABLE void dismiss();

    // A downloaded and verified update waits for the user to quit.
    bool hasPendingInstall() const { return m_pending.has_value(); }
    // Installs the waiting update, if any, then calls `done`.
    void installPendingThen(std::function<void()> done);

signals:
    void stageChanged();
    void progressChanged();
    void automaticallyDownloadsUpdatesChanged();
    void canCheckForUpdatesChanged();
    void lastUpdateCheckDateChanged();
    // An offer or an answer wants the window.
    void attentionNeeded();

private:
    struct Pending {
        AppcastItem item;
        QString path;
    };

    void schedule();
    void check(bool userInitiated);
    void feedArrived(const UpdateNetwork::Response& reply, bool userInitiated);
    void endCycle(CycleEnd end);
    void found(const AppcastItem& item, bool userInitiated);
    // Downloads and verifies `item`; `then` gets the file or nothing (the stage says why when
    // `visible`).
    void fetchPackage(const AppcastItem& item, bool visible,
                      std::function<void(std::optional<QString>)> then);
    void runInstaller(const QString& path, std::function<void()> done);
    void setStage(Stage stage, const QString& message = {});
    void setBusy(bool busy);

    Services m_services;
    bool m_started = false;
    bool m_busy = false;
    bool m_checksAutomatically = false;
    double m_interval = 604800;
    bool m_downloadsAutomatically = false;
    bool m_sendsSystemProfile = false;
    Stage m_stage = Stage::idle;
    QString m_message;
    int m_progress = 0;
    std::optional<AppcastItem> m_offer;
    std::optional<Pending> m_pending;
    QFuture<QString> m_download;
    std::unique_ptr<DelayClock::Pending> m_timer;
};
