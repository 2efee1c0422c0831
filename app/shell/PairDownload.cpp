#include "app/shell/PairDownload.h"

#include "app/translation/Futures.h"

PairDownload::PairDownload(TranslationEngine& engine, QObject* parent)
    : QObject(parent)
    , m_engine(engine) {
    connect(&m_watcher, &QFutureWatcherBase::progressValueChanged, this, [this](int value) {
        m_progress = std::clamp(value, 0, 100);
        emit changed();
    });
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &PairDownload::conclude);
}

void PairDownload::start(const DownloadRequest& request) {
    if (running())
        return;
    m_request = request;
    follow(m_engine.prepare(request.source, request.target),
           tr("Verdolin cannot install languages here. Run this command instead:"));
}

void PairDownload::startPair(LanguageService& languages, const QString& source,
                             const QString& target) {
    if (running())
        return;
    Futures::whenFinished(languages.resolvePair(source, target), this,
                          [this](const QFuture<std::optional<ResolvedPair>>& done) {
                              if (const auto pair = Futures::resultOr(done, {}))
                                  start(DownloadRequest{pair->source, pair->target});
                          });
}

void PairDownload::follow(const QFuture<PrepareResult>& installation, const QString& manual) {
    if (running())
        return;
    m_progress = -1;
    m_message.clear();
    m_command.clear();
    m_manual = manual;
    m_running = true;
    m_watcher.setFuture(installation);
    emit changed();
}

void PairDownload::forgetUnless(const DownloadRequest& request) {
    if (m_running || request == m_request || (m_message.isEmpty() && m_command.isEmpty()))
        return;
    m_message.clear();
    m_command.clear();
    emit changed();
}

void PairDownload::conclude() {
    const QFuture<PrepareResult> done = m_watcher.future();
    PrepareResult result;
    if (done.resultCount() > 0)
        result = done.result();
    else
        result.message = tr("The download ended without an answer.");
    switch (result.outcome) {
    case PrepareResult::Outcome::installed:
    case PrepareResult::Outcome::cancelled:
        break;
    case PrepareResult::Outcome::failed:
        m_message = result.message.isEmpty() ? tr("The download failed.") : result.message;
        break;
    case PrepareResult::Outcome::manual:
        m_message = m_manual;
        m_command = result.command;
        break;
    }
    m_running = false;
    emit changed();
    emit finished(result.outcome == PrepareResult::Outcome::installed);
}
