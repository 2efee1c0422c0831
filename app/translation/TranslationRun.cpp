#include "app/translation/TranslationRun.h"

#include "app/translation/Futures.h"
#include "core/Direction.h"
#include "core/Graphemes.h"
#include "core/LanguageDefaults.h"
#include "core/LanguageDetector.h"
#include "core/TextSegmenter.h"
#include "core/WordDetector.h"

#include <QCoreApplication>
#include <QHash>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcRun, "verdolin.run")

namespace {

const QString& vanishedPairMessage() {
    static const QString message = QCoreApplication::translate(
        "TranslationRun", "The language data for this pair is no longer installed.");
    return message;
}

const QString& interruptedMessage() {
    static const QString message =
        QCoreApplication::translate("TranslationRun", "The translation was interrupted.");
    return message;
}

} // namespace

const QString& TranslationRun::noEngineMessage() {
    static const QString message =
        QStringLiteral("On-device translation is not available on this computer.");
    return message;
}

TranslationRun::TranslationRun(TranslationEngine& engine, LanguageService& languages,
                               LanguageRecognizerFactory recognizers, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_languages(languages)
    , m_recognizers(std::move(recognizers)) {}

TranslationRun::Cut TranslationRun::cut(const QString& text) {
    const QString trimmed = text.trimmed();
    Cut cut;
    cut.truncated = Graphemes::count(trimmed) > translationCap;
    cut.body = cut.truncated ? Graphemes::left(trimmed, translationCap) : trimmed;
    cut.sample = Graphemes::left(cut.body, detectionSample);
    return cut;
}

QSet<QString> TranslationRun::detectionLanguages(const LanguageService& languages) {
    const QHash<QString, QList<EngineLanguage>> variants = languages.variants();
    if (variants.isEmpty())
        return LanguageDefaults::knownLanguageCodes();
    QSet<QString> codes;
    for (auto it = variants.cbegin(); it != variants.cend(); ++it)
        codes.insert(it.key());
    return codes;
}

void TranslationRun::start(const Input& input) {
    Q_ASSERT(!m_started);
    if (m_started || m_cancelled)
        return;
    m_started = true;

    const Cut text = cut(input.text);
    m_decision.text = text.body;
    m_decision.truncated = text.truncated;
    m_decision.detected =
        LanguageDetector::detect(text.sample, detectionLanguages(m_languages),
                                 {input.prefs.my, input.prefs.second}, m_recognizers);
    const Direction::Pair direction =
        Direction::resolve(m_decision.detected, input.from, input.to, input.prefs);
    m_decision.source = direction.source;
    m_decision.target = direction.target;
    emit decided(m_decision);
    if (m_cancelled)
        return;

    if (m_languages.options().isEmpty()) {
        // The installed languages may be there at once; the rest waits for the load.
        const QFuture<void> loading = m_languages.load();
        if (m_languages.options().isEmpty()) {
            Futures::whenFinished(loading, this,
                                  [this](const QFuture<void>&) { continueWithLanguages(); });
            return;
        }
    }
    continueWithLanguages();
}

void TranslationRun::continueWithLanguages() {
    if (m_cancelled)
        return;
    if (m_languages.options().isEmpty()) {
        conclude({TranslationPhase::failed(noEngineMessage()), {}, {}, {}});
        return;
    }
    Futures::whenFinished(m_languages.resolvePair(m_decision.source, m_decision.target), this,
                          [this](const QFuture<std::optional<ResolvedPair>>& pair) {
                              continueWithPair(pair.resultCount() > 0 ? pair.result()
                                                                      : std::nullopt);
                          });
}

void TranslationRun::continueWithPair(const std::optional<ResolvedPair>& pair) {
    if (m_cancelled)
        return;
    const QString& source = m_decision.source;
    const QString& target = m_decision.target;
    if (!pair) {
        conclude({TranslationPhase::unsupported(source, target), {}, {}, {}});
        return;
    }
    switch (pair->status) {
    case PairStatus::installed:
        translate(*pair);
        return;
    case PairStatus::supported:
        conclude({TranslationPhase::needsDownload(source, target),
                  {},
                  DownloadRequest{pair->source, pair->target},
                  pair});
        return;
    case PairStatus::unsupported:
        conclude({TranslationPhase::unsupported(source, target), {}, {}, pair});
        return;
    }
}

void TranslationRun::translate(const ResolvedPair& pair) {
    emit translating();
    if (m_cancelled)
        return;
    // A single word goes to the engine without the punctuation around it.
    const QString text = WordDetector::singleWord(m_decision.text).value_or(m_decision.text);
    const TextSegments segments = TextSegmenter::split(text);
    const QStringList sources = segments.sources();
    if (sources.isEmpty()) {
        conclude({TranslationPhase::done(), text, {}, pair});
        return;
    }

    m_session = m_engine.openSession(pair.source, pair.target);
    if (!m_session) {
        // The cached answer was stale: ask the engine afresh next time.
        qCWarning(lcRun) << "no session for an installed pair" << pair.source.identifier
                         << pair.target.identifier;
        m_languages.invalidate();
        conclude({TranslationPhase::failed(vanishedPairMessage()), {}, {}, pair});
        return;
    }

    Futures::whenFinished(
        m_session->translations(requests(sources)), this,
        [this, segments, sources, pair](const QFuture<TranslationBatchResult>& batch) {
            if (m_cancelled)
                return;
            if (batch.isCanceled() || batch.resultCount() == 0) {
                conclude({TranslationPhase::failed(interruptedMessage()), {}, {}, pair});
                return;
            }
            const TranslationBatchResult answer = batch.result();
            if (!answer.ok()) {
                const QString message =
                    answer.error->isEmpty() ? interruptedMessage() : *answer.error;
                conclude({TranslationPhase::failed(message), {}, {}, pair});
                return;
            }
            conclude({TranslationPhase::done(),
                      segments.rebuild(assemble(sources, answer.responses)),
                      {},
                      pair});
        });
}

void TranslationRun::conclude(Outcome outcome) {
    if (m_cancelled || m_finished)
        return;
    m_finished = true;
    emit finished(outcome);
}

void TranslationRun::cancel() {
    if (m_cancelled || m_finished)
        return;
    m_cancelled = true;
    if (m_session)
        m_session->cancel();
}

QList<TranslationRequest> TranslationRun::requests(const QStringList& sources) {
    QList<TranslationRequest> list;
    list.reserve(sources.size());
    for (qsizetype i = 0; i < sources.size(); ++i)
        list.append({sources.at(i), QString::number(i)});
    return list;
}

std::optional<qsizetype> TranslationRun::parseIdentifier(const std::optional<QString>& identifier) {
    if (!identifier)
        return std::nullopt;
    QStringView digits(*identifier);
    bool negative = false;
    if (digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-'))) {
        negative = digits.front() == QLatin1Char('-');
        digits = digits.mid(1);
    }
    if (digits.isEmpty())
        return std::nullopt;
    qsizetype value = 0;
    constexpr qsizetype limit = std::numeric_limits<qsizetype>::max() / 10 - 1;
    for (const QChar c : digits) {
        // ASCII digits only: no white space, no other scripts' digits.
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        if (value > limit)
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return negative ? -value : value;
}

QStringList TranslationRun::assemble(const QStringList& sources,
                                     const QList<TranslationResponse>& responses) {
    QHash<qsizetype, QString> byIndex;
    for (const TranslationResponse& response : responses) {
        if (const std::optional<qsizetype> index = parseIdentifier(response.clientIdentifier))
            byIndex.insert(*index, response.targetText);
    }
    QStringList translated;
    translated.reserve(sources.size());
    for (qsizetype i = 0; i < sources.size(); ++i)
        translated.append(byIndex.value(i, sources.at(i)));
    return translated;
}
