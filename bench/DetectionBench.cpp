// Time per detection of short texts for a user with English and Spanish, through
// LanguageDetector::detect: plain CLD2 with hints against CLD2 with the lexicon vote over the
// installed analysers, which are started before timing.
//
//   detection_bench [--rounds N]

#include "core/LanguageDefaults.h"
#include "core/LanguageDetector.h"
#include "platform/linux/ApertiumLexicons.h"
#include "platform/linux/Cld2Recognizer.h"
#include "platform/linux/LexiconRecognizer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QStringList hints{QStringLiteral("en"), QStringLiteral("es")};

// Known and unknown words of both languages and of others, so every branch of the vote runs.
const QStringList singleWords{
    QStringLiteral("house"),  QStringLiteral("casa"),    QStringLiteral("ventana"),
    QStringLiteral("window"), QStringLiteral("general"), QStringLiteral("Fenster"),
    QStringLiteral("qzxvw"),  QStringLiteral("hablar"),  QStringLiteral("weather"),
    QStringLiteral("niño"),   QStringLiteral("maison"),  QStringLiteral("systemd"),
};
const QStringList threeWords{
    QStringLiteral("the red house"),      QStringLiteral("la casa roja"),
    QStringLiteral("open the window"),    QStringLiteral("abre la ventana"),
    QStringLiteral("das rote Haus"),      QStringLiteral("la maison rouge"),
    QStringLiteral("mañana por la"),      QStringLiteral("cold weather today"),
    QStringLiteral("general de brigada"), QStringLiteral("qzxvw xyzzy plugh"),
    QStringLiteral("sin embargo, nunca"), QStringLiteral("however it never"),
};

// Median and 99th percentile of the per-call time, in microseconds.
struct Timing {
    double median = 0.0;
    double p99 = 0.0;
};

Timing measure(const QStringList& texts, const LanguageRecognizerFactory& factory, int rounds) {
    const QSet<QString> supported = LanguageDefaults::knownLanguageCodes();
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(rounds) * static_cast<size_t>(texts.size()));
    QElapsedTimer timer;
    for (int round = 0; round < rounds; ++round) {
        for (const QString& text : texts) {
            timer.start();
            const std::optional<QString> code =
                LanguageDetector::detect(text, supported, hints, factory);
            micros.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
            Q_UNUSED(code);
        }
    }
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros[micros.size() * 99 / 100]};
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    int rounds = 300;
    if (arguments.size() >= 2 && arguments.first() == QLatin1String("--rounds"))
        rounds = std::max(1, arguments.at(1).toInt());

    auto lexicons = std::make_shared<ApertiumLexicons>();
    if (!lexicons->prepare(hints, QDeadlineTimer(std::chrono::seconds(10)))) {
        std::fprintf(stderr, "detection_bench: the English and Spanish analysers did not start\n");
        return 1;
    }
    const LanguageRecognizerFactory plain = cld2RecognizerFactory();
    const LanguageRecognizerFactory lexicon = lexiconRecognizerFactory(lexicons);
    // One pass each so that caches and the analysers' pages are warm.
    measure(singleWords + threeWords, plain, 1);
    measure(singleWords + threeWords, lexicon, 1);

    std::printf("%-28s %12s %12s\n", "per detection (µs)", "median", "99th pct");
    for (const auto& [name, texts] :
         {std::pair{"1 word", singleWords}, std::pair{"3 words", threeWords}}) {
        const Timing plainTiming = measure(texts, plain, rounds);
        const Timing lexiconTiming = measure(texts, lexicon, rounds);
        std::printf("%-28s %12.1f %12.1f\n", qPrintable(QStringLiteral("plain CLD2, %1").arg(name)),
                    plainTiming.median, plainTiming.p99);
        std::printf("%-28s %12.1f %12.1f\n",
                    qPrintable(QStringLiteral("CLD2 + lexicons, %1").arg(name)),
                    lexiconTiming.median, lexiconTiming.p99);
    }
    return 0;
}
