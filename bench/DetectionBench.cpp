// Time per detection of short texts for a user with English and Spanish, and of twelve-word
// sentences, through LanguageDetector::detect: plain CLD2 against CLD2 with the lexicon votes
// over the installed analysers, which are started before timing.
//
//   detection_bench [--rounds N] [--sentences FILE]
//
// The analysers remember the words they were asked, so repeating the built-in sentences
// measures the remembered case; FILE (a text per line, each timed once, such as the 12-word
// lines of scripts/build-message-eval's test half) measures sentences never seen before.

#include "core/LanguageDefaults.h"
#include "core/LanguageDetector.h"
#include "platform/linux/detection/ApertiumLexicons.h"
#include "platform/linux/detection/Cld2Recognizer.h"
#include "platform/linux/detection/LexiconRecognizer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

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

// Twelve-word sentences, no hints: every installed lexicon is asked.
const QStringList twelveWords{
    QStringLiteral("La lista de argumentos es demasiado larga para la orden que se ejecuta"),
    QStringLiteral("The list of arguments is too long for the command being run now"),
    QStringLiteral("Mostrar el diálogo de entrada de texto cuando la ventana tiene el foco"),
    QStringLiteral("Der Index der indirekten Register muss ein allgemeines Register sein hier"),
    QStringLiteral("No se pudo abrir el archivo porque otro programa lo está usando ahora"),
    QStringLiteral("Cannot open the file because another program is using it right now"),
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
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--rounds"));
        at >= 0 && at + 1 < arguments.size())
        rounds = std::max(1, arguments.at(at + 1).toInt());
    QStringList unseen;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--sentences"));
        at >= 0 && at + 1 < arguments.size()) {
        QFile file(arguments.at(at + 1));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            std::fprintf(stderr, "detection_bench: cannot read %s\n", qPrintable(file.fileName()));
            return 1;
        }
        unseen = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    auto lexicons = std::make_shared<ApertiumLexicons>();
    if (!lexicons->prepare(lexicons->languages(), QDeadlineTimer(std::chrono::seconds(10)))) {
        std::fprintf(stderr, "detection_bench: the analysers did not start\n");
        return 1;
    }
    const LanguageRecognizerFactory plain = cld2RecognizerFactory();
    const LanguageRecognizerFactory lexicon = lexiconRecognizerFactory(lexicons);
    // One pass each so that caches and the analysers' pages are warm.
    measure(singleWords + threeWords + twelveWords, plain, 1);
    measure(singleWords + threeWords + twelveWords, lexicon, 1);

    std::printf("%-28s %12s %12s\n", "per detection (µs)", "median", "99th pct");
    for (const auto& [name, texts] :
         {std::pair{"1 word", singleWords}, std::pair{"3 words", threeWords},
          std::pair{"12 words", twelveWords}}) {
        const Timing plainTiming = measure(texts, plain, rounds);
        const Timing lexiconTiming = measure(texts, lexicon, rounds);
        std::printf("%-28s %12.1f %12.1f\n", qPrintable(QStringLiteral("plain CLD2, %1").arg(name)),
                    plainTiming.median, plainTiming.p99);
        std::printf("%-28s %12.1f %12.1f\n",
                    qPrintable(QStringLiteral("CLD2 + lexicons, %1").arg(name)),
                    lexiconTiming.median, lexiconTiming.p99);
    }
    if (!unseen.isEmpty()) {
        const Timing plainTiming = measure(unseen, plain, 1);
        const Timing lexiconTiming = measure(unseen, lexicon, 1);
        std::printf("%-28s %12.1f %12.1f\n",
                    qPrintable(QStringLiteral("plain CLD2, %1 unseen").arg(unseen.size())),
                    plainTiming.median, plainTiming.p99);
        std::printf("%-28s %12.1f %12.1f\n", "CLD2 + lexicons, unseen", lexiconTiming.median,
                    lexiconTiming.p99);
    }
    return 0;
}
