#include "platform/linux/detection/Cld2Recognizer.h"

#include "core/LanguageCode.h"

#include <QLoggingCategory>
#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <malloc.h>

// clang-format off
// The Debian header uses printf-family declarations without including them itself.
#include <cstdio>
#include <cld2/public/compact_lang_det.h>
#include <cld2/public/encodings.h>
// clang-format on

Q_LOGGING_CATEGORY(lcCld2, "verdolin.cld2", QtWarningMsg)

namespace {

// CLD2 samples long texts anyway; the cap keeps a huge paste from costing time.
constexpr qsizetype maxBytes = 16 * 1024;
constexpr double maxAccuracy = 0.999;
constexpr int trimThreshold = 1024 * 1024;
constexpr double unbounded = std::numeric_limits<double>::infinity();

// Accuracy of CLD2's top answer per confidence class, without hints, measured by
// bench/Cld2Calibrate.cpp on the training split (80,535 texts in 25 languages: single words,
// 2-3 words, and lines of 4 words up to 400 bytes) of a corpus that
// scripts/build-cld2-corpus cuts from Debian's translated manual pages; the held-out split
// (78,785 texts) agrees within 0.04 in every class. Default-mode answers are classed by byte
// length, best-effort answers (the default mode abstained) by CLD2's normalised score.
struct ConfidenceClass {
    bool bestEffort;
    double upTo; // bytes, or normalised score; inclusive
    double accuracy;
    const char* label;
};

constexpr std::array confidenceClasses{
    ConfidenceClass{false, 4, 0.503, "default, <= 4 bytes"},
    ConfidenceClass{false, 8, 0.660, "default, 5-8 bytes"},
    ConfidenceClass{false, 12, 0.829, "default, 9-12 bytes"},
    ConfidenceClass{false, 16, 0.874, "default, 13-16 bytes"},
    ConfidenceClass{false, 24, 0.893, "default, 17-24 bytes"},
    ConfidenceClass{false, 48, 0.939, "default, 25-48 bytes"},
    ConfidenceClass{false, 96, 0.949, "default, 49-96 bytes"},
    ConfidenceClass{false, 256, 0.981, "default, 97-256 bytes"},
    ConfidenceClass{false, unbounded, 0.996, "default, > 256 bytes"},
    ConfidenceClass{true, 200, 0.105, "best effort, score <= 200"},
    ConfidenceClass{true, 400, 0.270, "best effort, score 201-400"},
    ConfidenceClass{true, 600, 0.389, "best effort, score 401-600"},
    ConfidenceClass{true, 900, 0.524, "best effort, score 601-900"},
    ConfidenceClass{true, 1300, 0.651, "best effort, score 901-1300"},
    ConfidenceClass{true, 3000, 0.707, "best effort, score 1301-3000"},
    ConfidenceClass{true, unbounded, 0.842, "best effort, score > 3000"},
};

void keepFreedMemory() {
    // Without it glibc hands CLD2's large scratch buffer back to the system on every call,
    // which makes a call several times slower.
    static const bool done = [] { return mallopt(M_TRIM_THRESHOLD, trimThreshold) == 1; }();
    Q_UNUSED(done);
}

// Every language CLD2 can name, by our code: the candidates when no hints are set. Built
// once, since CLD2's own name look-up walks its whole table.
const QHash<QString, CLD2::Language>& cld2Languages() {
    static const QHash<QString, CLD2::Language> languages = [] {
        QHash<QString, CLD2::Language> result;
        for (int i = 0; i < CLD2::NUM_LANGUAGES; ++i) {
            const auto language = static_cast<CLD2::Language>(i);
            const QString code =
                Cld2Recognizer::codeForCld2(QString::fromLatin1(CLD2::LanguageCode(language)));
            // The first wins: Chinese before its traditional-script twin.
            if (!code.isEmpty() && !result.contains(code))
                result.insert(code, language);
        }
        return result;
    }();
    return languages;
}

// The languages carrying the largest weight, at most two (the user's own pair): these are
// passed to CLD2 itself. A flat set of hints says nothing CLD2 could use.
QStringList strongestHints(const QHash<QString, double>& weights) {
    double top = 0.0;
    for (const double weight : weights)
        top = std::max(top, weight);
    QStringList strongest;
    for (auto it = weights.cbegin(); it != weights.cend(); ++it) {
        if (it.value() > 0.0 && it.value() >= top)
            strongest.append(it.key());
    }
    if (strongest.size() > 2)
        return {};
    strongest.sort();
    return strongest;
}

QByteArray utf8Prefix(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= maxBytes)
        return bytes;
    qsizetype end = maxBytes;
    // Back off continuation bytes so the cut falls on a character boundary.
    while (end > 0 && (static_cast<unsigned char>(bytes.at(end)) & 0xC0) == 0x80)
        --end;
    bytes.truncate(end);
    return bytes;
}

} // namespace

void Cld2Recognizer::setLanguageHints(const QHash<QString, double>& hints) {
    m_weights = usableWeights(hints);
}

void Cld2Recognizer::processString(const QString& text) {
    m_reading = read(text, m_weights);
    m_hypotheses = hypotheses(*m_reading, m_weights);
}

QStringList Cld2Recognizer::explanation() const {
    return m_reading ? QStringList{describe(*m_reading)} : QStringList();
}

QString Cld2Recognizer::describe(const Reading& reading) {
    QStringList shares;
    for (const LanguageHypothesis& share : reading.evidence)
        shares.append(
            QStringLiteral("%1 %2").arg(share.identifier).arg(share.probability, 0, 'f', 2));
    const int confidence = confidenceClass(reading);
    return QStringLiteral("cld2: %1 bytes, score %2, class \"%3\" (right %4 of the time): %5")
        .arg(reading.bytes)
        .arg(reading.score, 0, 'f', 0)
        .arg(confidenceClassLabel(confidence))
        .arg(accuracy(confidence), 0, 'f', 3)
        .arg(shares.isEmpty() ? QStringLiteral("no language") : shares.join(QStringLiteral(", ")));
}

QList<LanguageHypothesis> Cld2Recognizer::languageHypotheses(int maximum) const {
    return m_hypotheses.first(std::clamp<qsizetype>(maximum, 0, m_hypotheses.size()));
}

Cld2Recognizer::Reading Cld2Recognizer::read(const QString& text,
                                             const QHash<QString, double>& weights) {
    keepFreedMemory();

    Reading reading;
    const QByteArray bytes = utf8Prefix(text);
    reading.bytes = static_cast<int>(bytes.size());
    if (bytes.isEmpty())
        return reading;

    QByteArray contentHint;
    CLD2::Language languageHint = CLD2::UNKNOWN_LANGUAGE;
    for (const QString& code : strongestHints(weights)) {
        const CLD2::Language language = cld2Languages().value(code, CLD2::UNKNOWN_LANGUAGE);
        if (language == CLD2::UNKNOWN_LANGUAGE)
            continue;
        if (!contentHint.isEmpty())
            contentHint.append(',');
        contentHint.append(CLD2::LanguageCode(language));
        // CLD2 weighs an English content hint far below the others; this evens it out.
        if (language == CLD2::ENGLISH)
            languageHint = CLD2::ENGLISH;
    }
    const CLD2::CLDHints hints{contentHint.isEmpty() ? nullptr : contentHint.constData(), nullptr,
                               CLD2::UNKNOWN_ENCODING, languageHint};

    CLD2::Language languages[3]{CLD2::UNKNOWN_LANGUAGE, CLD2::UNKNOWN_LANGUAGE,
                                CLD2::UNKNOWN_LANGUAGE};
    int percents[3]{};
    double scores[3]{};
    int textBytes = 0;
    bool reliable = false;
    int validBytes = 0;
    const auto detect = [&](int flags) {
        return CLD2::ExtDetectLanguageSummaryCheckUTF8(bytes.constData(), reading.bytes, true,
                                                       &hints, flags, languages, percents, scores,
                                                       nullptr, &textBytes, &reliable, &validBytes);
    };
    if (detect(0) == CLD2::UNKNOWN_LANGUAGE) {
        reading.bestEffort = true;
        detect(CLD2::kCLDFlagBestEffort);
    }

    reading.score = scores[0];
    QHash<QString, double> shares;
    for (int i = 0; i < 3; ++i) {
        if (languages[i] == CLD2::UNKNOWN_LANGUAGE || percents[i] <= 0)
            continue;
        const QString code = codeForCld2(QString::fromLatin1(CLD2::LanguageCode(languages[i])));
        if (code.isEmpty())
            continue;
        if (!shares.contains(code))
            reading.evidence.append({code, 0.0});
        shares[code] += percents[i] / 100.0;
    }
    for (LanguageHypothesis& share : reading.evidence)
        share.probability = std::min(1.0, shares.value(share.identifier));
    std::stable_sort(reading.evidence.begin(), reading.evidence.end(),
                     [](const LanguageHypothesis& a, const LanguageHypothesis& b) {
                         return a.probability > b.probability;
                     });
    qCDebug(lcCld2) << "read" << reading.bytes << "bytes, best effort" << reading.bestEffort
                    << "score" << reading.score << "evidence" << reading.evidence.size();
    return reading;
}

QList<LanguageHypothesis> Cld2Recognizer::hypotheses(const Reading& reading,
                                                     const QHash<QString, double>& weights) {
    // The model only depends on the weights' ratios; scaling keeps huge ones finite.
    double largest = 0.0;
    qsizetype hintedLanguages = 0;
    for (const double weight : weights) {
        if (std::isfinite(weight) && weight > 0.0) {
            largest = std::max(largest, weight);
            ++hintedLanguages;
        }
    }
    const bool hinted = hintedLanguages > 0;
    const qsizetype candidates = hinted ? hintedLanguages : cld2Languages().size();
    const auto weightOf = [&](const QString& code) {
        if (!hinted)
            return cld2Languages().contains(code) ? 1.0 : 0.0;
        const double weight = weights.value(code, 0.0);
        return std::isfinite(weight) && weight > 0.0 ? weight / largest : 0.0;
    };

    QHash<QString, double> evidence;
    for (const LanguageHypothesis& share : reading.evidence) {
        if (weightOf(share.identifier) > 0.0 && share.probability > 0.0)
            evidence[share.identifier] =
                std::min(1.0, evidence.value(share.identifier) + share.probability);
    }
    double weightedEvidence = 0.0;
    for (auto it = evidence.cbegin(); it != evidence.cend(); ++it)
        weightedEvidence += weightOf(it.key()) * it.value();
    // Without any evidence for a candidate the answer would only restate the prior.
    if (weightedEvidence <= 0.0)
        return {};

    const double accuracyOfTop = std::min(accuracy(confidenceClass(reading)), maxAccuracy);
    // Chosen so that a text CLD2 gives wholly to one language, with all weights equal, gets
    // exactly the measured accuracy as its probability.
    const double kappa = std::max(
        0.0, accuracyOfTop * static_cast<double>(candidates - 1) / (1.0 - accuracyOfTop) - 1.0);

    double totalWeight = 0.0;
    if (hinted) {
        for (auto it = weights.cbegin(); it != weights.cend(); ++it)
            totalWeight += weightOf(it.key());
    } else {
        totalWeight = static_cast<double>(candidates);
    }
    const double denominator = totalWeight + kappa * weightedEvidence;

    QList<LanguageHypothesis> result;
    for (auto it = evidence.cbegin(); it != evidence.cend(); ++it) {
        result.append({it.key(), weightOf(it.key()) * (1.0 + kappa * it.value()) / denominator});
    }
    // Hinted languages without evidence keep their prior share.
    if (hinted) {
        for (auto it = weights.cbegin(); it != weights.cend(); ++it) {
            if (!evidence.contains(it.key()) && weightOf(it.key()) > 0.0)
                result.append({it.key(), weightOf(it.key()) / denominator});
        }
    }
    std::sort(result.begin(), result.end(),
              [](const LanguageHypothesis& a, const LanguageHypothesis& b) {
                  if (a.probability != b.probability)
                      return a.probability > b.probability;
                  return a.identifier < b.identifier;
              });
    for (LanguageHypothesis& hypothesis : result)
        hypothesis.probability = std::clamp(hypothesis.probability, 0.0, 1.0);
    return result;
}

int Cld2Recognizer::confidenceClass(const Reading& reading) {
    const double measure = reading.bestEffort ? reading.score : reading.bytes;
    int last = -1;
    for (int i = 0; i < static_cast<int>(confidenceClasses.size()); ++i) {
        if (confidenceClasses[i].bestEffort != reading.bestEffort)
            continue;
        last = i;
        if (measure <= confidenceClasses[i].upTo)
            return i;
    }
    return last;
}

int Cld2Recognizer::confidenceClassCount() {
    return static_cast<int>(confidenceClasses.size());
}

QString Cld2Recognizer::confidenceClassLabel(int confidenceClass) {
    if (confidenceClass < 0 || confidenceClass >= confidenceClassCount())
        return {};
    return QString::fromLatin1(confidenceClasses[confidenceClass].label);
}

double Cld2Recognizer::accuracy(int confidenceClass) {
    if (confidenceClass < 0 || confidenceClass >= confidenceClassCount())
        return 0.0;
    return confidenceClasses[confidenceClass].accuracy;
}

QString Cld2Recognizer::codeForCld2(const QString& cld2Code) {
    static const QSet<QString> notLanguages{
        QStringLiteral("un"),  QStringLiteral("xxx"), QStringLiteral("zzb"), QStringLiteral("zzp"),
        QStringLiteral("zzh"), QStringLiteral("zze"), QStringLiteral("tlh"),
    };
    const QString& code = cld2Code;
    if (code.isEmpty() || notLanguages.contains(code) || code.startsWith(QLatin1String("xx-")))
        return {};
    // Withdrawn ISO codes CLD2 still uses.
    if (code == QLatin1String("iw"))
        return QStringLiteral("he");
    if (code == QLatin1String("jw"))
        return QStringLiteral("jv");
    // CLD2 names some languages only by number.
    if (!code.front().isLetter())
        return {};
    // Most codes are already plain lower-case; the full normalisation costs more than CLD2.
    const bool plain =
        std::all_of(code.cbegin(), code.cend(), [](QChar c) { return c >= u'a' && c <= u'z'; });
    if (plain)
        return code == QLatin1String("no") ? QStringLiteral("nb") : code;
    return LanguageCode::normalize(code);
}

QHash<QString, double> Cld2Recognizer::usableWeights(const QHash<QString, double>& hints) {
    QHash<QString, double> usable;
    for (auto it = hints.cbegin(); it != hints.cend(); ++it) {
        if (!std::isfinite(it.value()) || it.value() <= 0.0)
            continue;
        // Through the same mapping as CLD2's answers, so "iw" and "he" both steer Hebrew.
        const QString code = codeForCld2(it.key());
        if (!cld2Languages().contains(code))
            continue;
        usable[code] = std::max(usable.value(code, 0.0), it.value());
    }
    return usable;
}

LanguageRecognizerFactory cld2RecognizerFactory() {
    return [] { return std::make_unique<Cld2Recognizer>(); };
}
