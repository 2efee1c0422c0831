#include "platform/linux/LexiconRecognizer.h"

#include "platform/linux/Cld2Recognizer.h"

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

// White-space pieces as the detector counts words; those with a letter are the tokens.
QStringList tokensOf(const QString& text, int& words) {
    words = 0;
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
        ++words;
        const QString token = text.mid(start, i - start);
        const QList<uint> codePoints = token.toUcs4();
        if (std::any_of(codePoints.cbegin(), codePoints.cend(),
                        [](uint c) { return QChar::isLetter(static_cast<char32_t>(c)); }))
            tokens.append(token);
        start = -1;
    }
    return tokens;
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
    m_hypotheses = Cld2Recognizer::hypotheses(Cld2Recognizer::read(text, m_weights), m_weights);

    const std::optional<std::pair<QString, QString>> pair = userPair(m_weights);
    if (!m_evidence || !pair)
        return;
    int words = 0;
    const QStringList tokens = tokensOf(text, words);
    if (words > maxWords || tokens.isEmpty())
        return;
    if (!m_evidence->hasLexicon(pair->first) || !m_evidence->hasLexicon(pair->second))
        return;

    const QDeadlineTimer deadline(m_options.timeout);
    m_evidence->startLoading({pair->first, pair->second});
    const std::optional<double> firstShare = m_evidence->knownShare(pair->first, tokens, deadline);
    if (!firstShare)
        return;

    LexiconVote::Ballot ballot;
    ballot.hinted = m_hypotheses;
    ballot.first = pair->first;
    ballot.firstShare = *firstShare;
    ballot.second = pair->second;
    ballot.words = words;
    if (!LexiconVote::secondCannotMatter(ballot, m_options.rule)) {
        const std::optional<double> secondShare =
            m_evidence->knownShare(pair->second, tokens, deadline);
        if (!secondShare)
            return;
        ballot.secondShare = *secondShare;
    }
    if (LexiconVote::needsUnhinted(ballot, m_options.rule)) {
        const QList<LanguageHypothesis> unhinted =
            Cld2Recognizer::hypotheses(Cld2Recognizer::read(text), {});
        if (!unhinted.isEmpty())
            ballot.unhinted = unhinted.first().identifier;
    }
    m_hypotheses = LexiconVote::hypotheses(
        m_hypotheses, LexiconVote::decide(ballot, m_options.rule), confidence(words));
}

QList<LanguageHypothesis> LexiconRecognizer::languageHypotheses(int maximum) const {
    return m_hypotheses.first(std::clamp<qsizetype>(maximum, 0, m_hypotheses.size()));
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
