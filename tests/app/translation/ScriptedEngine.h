#pragma once

#include "app/languages/EngineLanguage.h"
#include "app/languages/LanguageService.h"
#include "app/languages/ResolvedPair.h"
#include "app/languages/TranslationEngine.h"
#include "app/translation/TranslationPhase.h"
#include "core/LanguageRecognizer.h"
#include "tests/support/QtPrinters.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFuture>
#include <QHash>
#include <QList>
#include <QPromise>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// Test doubles for the engine and the recogniser, answering from scripts set by each test.

inline EngineLanguage engineLanguage(const QString& identifier, const QString& minimal,
                                     const QString& maximal) {
    return {identifier, identifier.section(QLatin1Char('-'), 0, 0), minimal, maximal, identifier};
}

inline const EngineLanguage enUS = engineLanguage("en-US", "en", "en-Latn-US");
inline const EngineLanguage es = engineLanguage("es", "es", "es-Latn-ES");
inline const EngineLanguage de = engineLanguage("de", "de", "de-Latn-DE");

// The user of the translation tests prefers American English.
inline LanguageService::Setup preferringEnUS() {
    LanguageService::Setup setup;
    setup.preferredLanguages = {"en-US"};
    return setup;
}

// An engine answer that upper-cases every request, so that a translation is easy to spot.
inline TranslationBatchResult upperCased(const QList<TranslationRequest>& requests) {
    TranslationBatchResult result;
    for (const TranslationRequest& request : requests)
        result.responses.append({request.clientIdentifier, request.sourceText.toUpper()});
    return result;
}

// A started promise, one kept in `pending`, and the answer that ends one.
template <typename T>
std::shared_ptr<QPromise<T>> started() {
    auto promise = std::make_shared<QPromise<T>>();
    promise->start();
    return promise;
}
template <typename T>
QFuture<T> held(QList<std::shared_ptr<QPromise<T>>>& pending) {
    return pending.append(started<T>()), pending.last()->future();
}
template <typename T>
void finish(QPromise<T>& promise, const T& result) {
    promise.addResult(result);
    promise.finish();
}

class ScriptedSession : public TranslationSession {
public:
    // Answers a batch at once; unset, batches wait for finishPending().
    std::function<TranslationBatchResult(const QList<TranslationRequest>&)> answer;
    QList<QList<TranslationRequest>> batches;
    int cancels = 0;

    QFuture<TranslationBatchResult>
    translations(const QList<TranslationRequest>& requests) override {
        batches.append(requests);
        if (answer)
            return QtFuture::makeReadyFuture(answer(requests));
        return held(m_pending);
    }

    void cancel() override { ++cancels; }

    // Answers the waiting batch `index` (counted among the waiting ones, in the order asked),
    // the latest when negative, so that answers can come late and out of order.
    void finishPending(const TranslationBatchResult& result, qsizetype index = -1) {
        if (!m_pending.isEmpty())
            finish(*m_pending.at(index < 0 ? m_pending.size() - 1 : index), result);
    }

private:
    QList<std::shared_ptr<QPromise<TranslationBatchResult>>> m_pending;
};

// The held answers (heldLanguages, heldStatuses, heldPrepare) wait for the test.
class ScriptedEngine : public TranslationEngine {
public:
    QList<EngineLanguage> languages, installed;
    // Status by "source-identifier>target-identifier"; unsupported when missing.
    QHash<QString, PairStatus> statuses;
    // The language a pair goes through, by the same key; direct when missing.
    QHash<QString, EngineLanguage> intermediates;
    QHash<QString, std::shared_ptr<QPromise<PairStatus>>> heldStatuses;
    std::shared_ptr<QPromise<QList<EngineLanguage>>> heldLanguages;
    std::shared_ptr<QPromise<PrepareResult>> heldPrepare;
    QStringList statusCalls;
    int languageCalls = 0, prepareCalls = 0;
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    QList<std::pair<EngineLanguage, EngineLanguage>> openedSessions;

    void setStatus(const QString& source, const QString& target, PairStatus status) {
        statuses.insert(source + QLatin1Char('>') + target, status);
    }
    QFuture<QList<EngineLanguage>> supportedLanguages() override {
        ++languageCalls;
        return heldLanguages ? heldLanguages->future() : QtFuture::makeReadyFuture(languages);
    }
    QList<EngineLanguage> installedLanguages() override { return installed; }
    QFuture<PairStatus> status(const EngineLanguage& source,
                               const EngineLanguage& target) override {
        const QString key = source.identifier + QLatin1Char('>') + target.identifier;
        statusCalls.append(key);
        if (const auto held = heldStatuses.value(key))
            return held->future();
        return QtFuture::makeReadyFuture(statuses.value(key, PairStatus::unsupported));
    }
    std::shared_ptr<TranslationSession> openSession(const EngineLanguage& source,
                                                    const EngineLanguage& target) override {
        openedSessions.append({source, target});
        return session;
    }
    std::optional<EngineLanguage> intermediate(const EngineLanguage& source,
                                               const EngineLanguage& target) override {
        const auto found =
            intermediates.constFind(source.identifier + QLatin1Char('>') + target.identifier);
        return found == intermediates.cend() ? std::nullopt : std::optional(*found);
    }
    QFuture<PrepareResult> prepare(const EngineLanguage&, const EngineLanguage&) override {
        ++prepareCalls;
        return heldPrepare ? heldPrepare->future() : QtFuture::makeReadyFuture(PrepareResult{});
    }
};

// Always names the same languages, whatever the text; remembers the last text it saw.
class ScriptedRecognizer : public LanguageRecognizer {
public:
    ScriptedRecognizer(QList<LanguageHypothesis> hypotheses, std::shared_ptr<QString> seen)
        : m_hypotheses(std::move(hypotheses))
        , m_seen(std::move(seen)) {}

    void setLanguageHints(const QHash<QString, double>&) override {}
    void processString(const QString& text) override {
        m_processed = true;
        if (m_seen)
            *m_seen = text;
    }
    QList<LanguageHypothesis> languageHypotheses(int maximum) const override {
        return m_processed ? m_hypotheses.mid(0, maximum) : QList<LanguageHypothesis>{};
    }

private:
    QList<LanguageHypothesis> m_hypotheses;
    std::shared_ptr<QString> m_seen;
    bool m_processed = false;
};

inline LanguageRecognizerFactory recognizing(QList<LanguageHypothesis> hypotheses,
                                             std::shared_ptr<QString> seen = nullptr) {
    return [hypotheses, seen] { return std::make_unique<ScriptedRecognizer>(hypotheses, seen); };
}

// Runs the event loop until `done` holds or nothing is left to do.
inline void pumpUntil(const std::function<bool()>& done) {
    for (int round = 0; round < 1000 && !done(); ++round)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Waits for events (answers from other threads among them) until `done` holds, for at most
// ten seconds.
inline bool waitUntil(const std::function<bool()>& done) {
    QDeadlineTimer limit(10000);
    while (!done() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

inline void pumpAll() {
    pumpUntil([] { return false; });
}

template <typename T>
T awaitResult(const QFuture<T>& future) {
    pumpUntil([&future] { return future.isFinished(); });
    if constexpr (!std::is_void_v<T>)
        return future.result();
}
