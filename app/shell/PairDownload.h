#pragma once

#include "app/languages/DownloadRequest.h"
#include "app/languages/LanguageService.h"
#include "app/languages/TranslationEngine.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QString>

#include <optional>

// One download of a pair's language data at a time, as the screens show it: whether it runs,
// how far it got, and why it did not install. Main thread only.
class PairDownload : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("made by the screens' state")
    Q_PROPERTY(bool running READ running NOTIFY changed)
    // 0-100, or -1 while the system has not said.
    Q_PROPERTY(int progress READ progress NOTIFY changed)
    // Why the last download did not install; empty after a success or a cancel.
    Q_PROPERTY(QString message READ message NOTIFY changed)
    // What the user can run instead where nothing can install from here.
    Q_PROPERTY(QString command READ command NOTIFY changed)

public:
    // `engine` must outlive the download.
    explicit PairDownload(TranslationEngine& engine, QObject* parent = nullptr);

    bool running() const { return m_running; }
    int progress() const { return m_progress; }
    QString message() const { return m_message; }
    QString command() const { return m_command; }

    // Offers the download of the pair; ignored while one runs.
    void start(const DownloadRequest& request);
    // The same for two codes, through the variants `languages` picks for them; nothing when
    // they resolve to no pair.
    void startPair(LanguageService& languages, const QString& source, const QString& target);
    // Follows another installation (a dictionary package) the same way; ignored while one
    // runs. `manual` is said when the system leaves the installation to the user.
    void follow(const QFuture<PrepareResult>& installation, const QString& manual);
    // Another pair is missing now: what was said about the last one no longer applies.
    void forgetUnless(const DownloadRequest& request);

signals:
    void changed();
    // The offer ended; `installed` when the data is here now.
    void finished(bool installed);

private:
    void conclude();

    TranslationEngine& m_engine;
    std::optional<DownloadRequest> m_request;
    QString m_manual;
    QFutureWatcher<PrepareResult> m_watcher;
    // Until its end has been told, not merely until the future finished.
    bool m_running = false;
    int m_progress = -1;
    QString m_message;
    QString m_command;
};
