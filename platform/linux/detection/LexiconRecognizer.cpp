#include "platform/linux/detection/LexiconRecognizer.h"

#include "platform/linux/detection/Cld2Recognizer.h"

#include <QDeadlineTimer>
#include <QStringList>

#include <algorithm>

namespace {

// Accuracy of the vote's decisive winners on the dev half of the evaluation set
// (scripts/build-detection-eval, bench/DetectionEval.cpp), for a user with English and
// Spanish, over texts of both and of twelve other languages.
constexpr double singleWordConfidence = 0.81;
constexpr double shortTextConfidence = 0.85;

// The user's two languages: the only two hints sharing the largest weight. The detector gives
// them a weight above the other supported languages.
std::optional<std::pair<QString, QString>> userPair(const QHash<QString, double>& weights) {
    double top = 0.0;
    for (const double weight : weights)
        top = std::max(top, weight);
    QStringList strongest;
    for (auto it = weights.cbegin(); it != weights.cend(); ++it) {
        if (it.value() >= top)
            strongest.append(it.key());
    }
    if (top <= 0.0 || strongest.size() != 2)
        return std::nullopt;
    strongest.sort();
    return std::pair{strongest[0], strongest[1]};
}

} // namespace

LexiconRecognizer::LexiconRecognizer(std::shared_ptr<LexiconEvidence> evidence)
    : LexiconRecognizer(std::move(evidence), Options{}) {}

LexiconRecognizer::LexiconRecognizer(std::shared_ptr<LexiconEvidence> evidence, Options options)
    : m_evidence(std::move(evidence))
    , m_options(options) {}

void LexiconRecognizer::setLanguageHints(const QHash<QString, double>& hints) {
    m_weights = Cld2Recognizer::usableWeights(hints);
}

void LexiconRecognizer::processString(const QString& text) {
    m_trace = Trace{};
    m_trace.reading = Cld2Recognizer::read(text, m_weights);
    m_hypotheses = Cld2Recognizer::hypotheses(m_trace.reading, m_weights);
    if (!m_evidence)
        return;
    int words = 0;
    const QStringList tokens = LexiconRecognizer::tokens(text, &words);
    m_trace.tokens = tokens.size();
    if (tokens.isEmpty())
        return;
    if (words <= maxWords)
        settleShortText(text, tokens, words);
    else if (m_weights.isEmpty() && SentenceVote::applies(words, m_options.sentenceRule))
        settleSentence(text, m_trace.reading.bestEffort, tokens, words);
}

void LexiconRecognizer::settleShortText(const QString& text, const QStringList& tokens, int words) {
    const std::optional<std::pair<QString, QString>> pair = userPair(m_weights);
    if (!pair || !m_evidence->hasLexicon(pair->first) || !m_evidence->hasLexicon(pair->second))
        return;

    const QDeadlineTimer deadline(m_options.timeout);
    m_evidence->startLoading({pair->first, pair->second});
    const std::optional<double> firstShare = m_evidence->knownShare(pair->first, tokens, deadline);
    if (!firstShare) {
        m_trace.late = QString();
        return;
    }

    LexiconVote::Ballot ballot;
    ballot.hinted = m_hypotheses;
    ballot.first = pair->first;
    ballot.firstShare = *firstShare;
    ballot.second = pair->second;
    ballot.words = words;
    if (!LexiconVote::secondCannotMatter(ballot, m_options.rule)) {
        const std::optional<double> secondShare =
            m_evidence->knownShare(pair->second, tokens, deadline);
        if (!secondShare) {
            m_trace.late = QString();
            return;
        }
        ballot.secondShare = *secondShare;
        m_trace.secondAsked = true;
    }
    if (LexiconVote::needsUnhinted(ballot, m_options.rule)) {
        const QList<LanguageHypothesis> unhinted =
            Cld2Recognizer::hypotheses(Cld2Recognizer::read(text), {});
        if (!unhinted.isEmpty())
            ballot.unhinted = unhinted.first().identifier;
    }
    const std::optional<LexiconVote::Verdict> verdict = LexiconVote::decide(ballot, m_options.rule);
    m_trace.shortText = ballot;
    m_trace.shortVerdict = verdict;
    m_hypotheses = LexiconVote::hypotheses(m_hypotheses, verdict, confidence(words));
}

void LexiconRecognizer::settleSentence(const QString& text, bool bestEffort,
                                       const QStringList& tokens, int words) {
    const SentenceVote::Rule& rule = m_options.sentenceRule;
    const QStringList codes = m_evidence->languages();
    if (codes.isEmpty())
        return;

    const QDeadlineTimer deadline(m_options.timeout);
    m_evidence->startLoading(codes);
    SentenceVote::Ballot ballot;
    ballot.recognized = m_hypotheses;
    ballot.bestEffort = bestEffort;
    ballot.words = words;
    for (const QString& code : codes) {
        const std::optional<double> share = m_evidence->knownShare(code, tokens, deadline);
        if (!share) {
            m_trace.late = code;
            return;
        }
        ballot.shares.insert(code, *share);
    }
    // Close languages' lexicons both know most words of either; CLD2 limited to them tells
    // them apart better than by chance.
    if (const QStringList tied = SentenceVote::tied(ballot, rule); tied.size() > 1) {
        QHash<QString, double> between;
        for (const QString& code : tied)
            between.insert(code, 1.0);
        between = Cld2Recognizer::usableWeights(between);
        const QList<LanguageHypothesis> choice =
            Cld2Recognizer::hypotheses(Cld2Recognizer::read(text, between), between);
        if (!choice.isEmpty()) {
            ballot.tieBreak = choice.constFirst().identifier;
            m_trace.tied = tied;
        }
    }

    const std::optional<SentenceVote::Verdict> verdict = SentenceVote::decide(ballot, rule);
    m_trace.sentence = ballot;
    m_trace.sentenceCodes = codes;
    m_trace.sentenceVerdict = verdict;
    if (!verdict)
        return;
    m_hypotheses =
        LexiconVote::hypotheses(m_hypotheses, LexiconVote::Verdict{verdict->language, true},
                                SentenceVote::accuracy(verdict->basis));
}

QList<LanguageHypothesis> LexiconRecognizer::languageHypotheses(int maximum) const {
    return m_hypotheses.first(std::clamp<qsizetype>(maximum, 0, m_hypotheses.size()));
}

QStringList LexiconRecognizer::explanation() const {
    const Trace& t = m_trace;
    QStringList lines{Cld2Recognizer::describe(t.reading)};
    const auto share = [](const QString& code, double value) {
        return QStringLiteral("%1 %2").arg(code).arg(value, 0, 'f', 2);
    };
    if (t.late) {
        lines.append(
            t.late->isEmpty()
                ? QStringLiteral("lexicons: no answer in time, cld2 alone")
                : QStringLiteral("lexicons: no answer from %1 in time, cld2 alone").arg(*t.late));
    }
    if (t.shortText) {
        QString seen = share(t.shortText->first, t.shortText->firstShare);
        if (t.secondAsked)
            seen += QStringLiteral(", ") + share(t.shortText->second, t.shortText->secondShare);
        lines.append(QStringLiteral("lexicons of the user's languages know %1 of %2 tokens")
                         .arg(seen)
                         .arg(t.tokens));
        if (t.shortVerdict && t.shortVerdict->decisive)
            lines.append(QStringLiteral("vote: %1, reported as right %2 of the time")
                             .arg(t.shortVerdict->language)
                             .arg(confidence(t.shortText->words), 0, 'f', 3));
    }
    if (t.sentence) {
        QStringList seen;
        for (const QString& code : t.sentenceCodes)
            seen.append(share(code, t.sentence->shares.value(code)));
        lines.append(QStringLiteral("lexicons know %1 of %2 tokens")
                         .arg(seen.join(QStringLiteral(", ")))
                         .arg(t.tokens));
        if (t.sentence->tieBreak)
            lines.append(QStringLiteral("cld2 between %1: %2")
                             .arg(t.tied.join(QStringLiteral(", ")), *t.sentence->tieBreak));
        if (t.sentenceVerdict)
            lines.append(
                QStringLiteral("vote: %1 %2 cld2's answer, reported as right %3 of the time")
                    .arg(t.sentenceVerdict->language,
                         SentenceVote::basisName(t.sentenceVerdict->basis))
                    .arg(SentenceVote::accuracy(t.sentenceVerdict->basis), 0, 'f', 3));
    }
    return lines;
}

QStringList LexiconRecognizer::tokens(const QString& text, int* words) {
    int pieces = 0;
    QStringList tokens;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        // Surrogate halves are never white space, so a cut never splits a code point.
        if (i < text.size() && !text.at(i).isSpace()) {
            if (start < 0)
                start = i;
            continue;
        }
        if (start < 0)
            continue;
        ++pieces;
        const QString token = text.mid(start, i - start);
        const QList<uint> codePoints = token.toUcs4();
        if (std::any_of(codePoints.cbegin(), codePoints.cend(),
                        [](uint c) { return QChar::isLetter(static_cast<char32_t>(c)); }))
            tokens.append(token);
        start = -1;
    }
    if (words != nullptr)
        *words = pieces;
    return tokens;
}

double LexiconRecognizer::confidence(int words) {
    return words <= 1 ? singleWordConfidence : shortTextConfidence;
}

LanguageRecognizerFactory lexiconRecognizerFactory(std::shared_ptr<LexiconEvidence> evidence) {
    return lexiconRecognizerFactory(std::move(evidence), LexiconRecognizer::Options{});
}

LanguageRecognizerFactory lexiconRecognizerFactory(std::shared_ptr<LexiconEvidence> evidence,
                                                   LexiconRecognizer::Options options) {
    return [evidence = std::move(evidence), options] {
        return std::make_unique<LexiconRecognizer>(evidence, options);
    };
}
