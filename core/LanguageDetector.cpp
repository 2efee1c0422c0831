#include "core/LanguageDetector.h"

#include "core/LanguageCode.h"
#include "core/WordDetector.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double supportedHintWeight = 0.02;
constexpr double userHintWeight = 0.3;
constexpr qsizetype maxHintedWords = 3;
constexpr int maxHypotheses = 5;

// Pieces between white-space characters, as WordDetector cuts tokens. Surrogate halves are
// never white space, so walking UTF-16 units splits exactly where code points would.
qsizetype wordCount(const QString& text) {
    qsizetype count = 0;
    bool inWord = false;
    for (const QChar c : text) {
        const bool space = c.isSpace();
        if (!space && !inWord)
            ++count;
        inWord = !space;
    }
    return count;
}

struct Candidate {
    QString code;
    double probability = 0.0;
};

} // namespace

namespace LanguageDetector {

std::optional<QString> detect(const QString& text, const QSet<QString>& supported,
                              const QStringList& hints, const LanguageRecognizerFactory& factory) {
    const QString trimmed = text.trimmed();
    if (!WordDetector::hasWords(trimmed))
        return std::nullopt;

    const qsizetype words = wordCount(trimmed);

    if (!factory)
        return std::nullopt;
    const std::unique_ptr<LanguageRecognizer> recognizer = factory();
    if (!recognizer)
        return std::nullopt;

    if (words <= maxHintedWords) {
        QHash<QString, double> weights;
        for (const QString& code : supported)
            weights.insert(code, supportedHintWeight);
        for (const QString& code : hints)
            weights.insert(code, userHintWeight);
        recognizer->setLanguageHints(weights);
    }

    recognizer->processString(trimmed);
    const QList<LanguageHypothesis> hypotheses = recognizer->languageHypotheses(maxHypotheses);

    std::optional<Candidate> best;
    std::optional<Candidate> bestSupported;
    // Only as many as were asked for, should a binding return more.
    for (const LanguageHypothesis& hypothesis :
         hypotheses.first(std::min<qsizetype>(hypotheses.size(), maxHypotheses))) {
        // A guess without a language or a usable probability cannot win or meet a threshold.
        if (std::isnan(hypothesis.probability))
            continue;
        const QString code = LanguageCode::normalize(hypothesis.identifier);
        if (code.isEmpty())
            continue;
        const Candidate candidate{code, hypothesis.probability};
        if (!best || candidate.probability > best->probability)
            best = candidate;
        if (supported.contains(code)
            && (!bestSupported || candidate.probability > bestSupported->probability))
            bestSupported = candidate;
    }

    if (words > maxHintedWords && best && !supported.contains(best->code)
        && best->probability >= unsupportedThreshold)
        return best->code;
    if (bestSupported && bestSupported->probability >= supportedThreshold)
        return bestSupported->code;
    return std::nullopt;
}

} // namespace LanguageDetector
