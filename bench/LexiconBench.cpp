// What the lexicon evidence costs: starting the analysers and reading the headwords, and
// look-ups per second per analyser, one token per round trip and three tokens per request.
//
//   lexicon_bench [--rounds N] [LANGUAGE...]      (languages default to en es)

#include "platform/linux/detection/ApertiumLexicons.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

// Words of both languages and some of neither, so that known and unknown answers mix.
const QStringList kWords = {
    u"house"_s,   u"casa"_s,      u"the"_s,     u"perro"_s,   u"running"_s, u"quickly"_s,
    u"mañana"_s,  u"window"_s,    u"ventana"_s, u"qzxvw"_s,   u"can't"_s,   u"e-mail"_s,
    u"hablar"_s,  u"beautiful"_s, u"niño"_s,    u"Haus"_s,    u"gatos"_s,   u"weather"_s,
    u"también"_s, u"xyzzy"_s,     u"bridge"_s,  u"escrito"_s, u"cold"_s,    u"izquierda"_s,
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    int rounds = 2000;
    if (arguments.size() >= 2 && arguments.first() == u"--rounds") {
        rounds = std::max(1, arguments.at(1).toInt());
        arguments = arguments.mid(2);
    }
    const QStringList languages = arguments.isEmpty() ? QStringList{u"en"_s, u"es"_s} : arguments;

    QElapsedTimer clock;
    clock.start();
    ApertiumLexicons lexicons;
    const double scanMs = double(clock.nsecsElapsed()) / 1e6;
    clock.restart();
    const bool ready = lexicons.prepare(languages, QDeadlineTimer(10000));
    const double startMs = double(clock.nsecsElapsed()) / 1e6;
    std::printf("scan of modes and dictionaries: %.2f ms\n", scanMs);
    std::printf("start of %s (analysers answering, headwords read): %.2f ms%s\n",
                qPrintable(languages.join(u", ")), startMs, ready ? "" : " (not all ready)");

    for (const QString& language : languages) {
        LtProcAnalyser* analyser = lexicons.analyser(language);
        if (!analyser) {
            std::printf("%s: no analyser\n", qPrintable(language));
            continue;
        }
        std::vector<double> single;
        std::vector<double> triple;
        int failures = 0;
        for (int i = 0; i < rounds; ++i) {
            const QString& word = kWords[i % kWords.size()];
            clock.restart();
            failures += !analyser->knows(word, QDeadlineTimer(1000)).has_value();
            single.push_back(double(clock.nsecsElapsed()) / 1e3);

            const QStringList three = {kWords[i % kWords.size()], kWords[(i + 7) % kWords.size()],
                                       kWords[(i + 13) % kWords.size()]};
            clock.restart();
            failures += !lexicons.knownShare(language, three, QDeadlineTimer(1000)).has_value();
            triple.push_back(double(clock.nsecsElapsed()) / 1e3);
        }
        const double singleMedian = median(single);
        std::printf(
            "%s (%s):\n  one token per round trip: median %.1f us, %.0f look-ups/s\n"
            "  knownShare of three tokens: median %.1f us, 90th percentile %.1f us\n"
            "  failures: %d\n",
            qPrintable(language), qPrintable(analyser->analyserFile()), singleMedian,
            singleMedian > 0 ? 1e6 / singleMedian : 0.0, median(triple),
            [&] {
                std::vector<double> sorted = triple;
                std::sort(sorted.begin(), sorted.end());
                return sorted[sorted.size() * 9 / 10];
            }(),
            failures);
    }
    return 0;
}
