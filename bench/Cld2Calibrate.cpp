// Measures CLD2 on a labelled corpus (scripts/build-cld2-corpus): the accuracy of its top
// answer per confidence class on the training split (the table Cld2Recognizer carries), and
// how well LanguageDetector does with it on the held-out split, with and without hints.
//
//   cld2_calibrate CORPUS.tsv [--explore | --errors]

#include "core/LanguageDefaults.h"
#include "core/LanguageDetector.h"
#include "platform/linux/detection/Cld2Recognizer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Sample {
    bool heldout = false;
    QString kind;
    QString language;
    QString text;
};

struct Tally {
    qint64 right = 0;
    qint64 total = 0;
    void add(bool ok) {
        ++total;
        right += ok ? 1 : 0;
    }
    double rate() const { return total ? static_cast<double>(right) / total : 0.0; }
};

const QStringList kinds{QStringLiteral("word"), QStringLiteral("short"), QStringLiteral("long")};

QList<Sample> load(const QString& path) {
    QFile file(path);
    QList<Sample> samples;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return samples;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().split(u'\t');
        if (fields.size() != 4)
            continue;
        samples.append({fields[0] == QLatin1String("heldout"), fields[1], fields[2], fields[3]});
    }
    return samples;
}

QString top(const Cld2Recognizer::Reading& reading) {
    return reading.evidence.isEmpty() ? QString() : reading.evidence.first().identifier;
}

void line(const QString& text) {
    std::printf("%s\n", qPrintable(text));
}

// Fine bins to choose the class limits from.
void explore(const QList<Sample>& samples) {
    QMap<int, Tally> byBytes;
    QMap<int, Tally> byScore;
    const QList<int> byteLimits{2, 3, 4, 5, 6, 7, 8, 10, 12, 16, 20, 24, 32, 48, 64, 96, 128, 256};
    for (const Sample& s : samples) {
        if (s.heldout)
            continue;
        const Cld2Recognizer::Reading r = Cld2Recognizer::read(s.text);
        const bool ok = top(r) == s.language;
        if (r.bestEffort) {
            byScore[static_cast<int>(std::min(r.score, 3000.0) / 100)].add(ok);
        } else {
            const auto limit = std::lower_bound(byteLimits.cbegin(), byteLimits.cend(), r.bytes);
            byBytes[limit == byteLimits.cend() ? 100000 : *limit].add(ok);
        }
    }
    line(QStringLiteral("default mode by bytes (upper limit): count accuracy"));
    for (auto it = byBytes.cbegin(); it != byBytes.cend(); ++it)
        line(QStringLiteral("  <= %1: %2 %3")
                 .arg(it.key())
                 .arg(it->total)
                 .arg(it->rate(), 0, 'f', 3));
    line(QStringLiteral("best effort by score (hundreds, lower limit): count accuracy"));
    for (auto it = byScore.cbegin(); it != byScore.cend(); ++it)
        line(QStringLiteral("  %1: %2 %3")
                 .arg(it.key() * 100)
                 .arg(it->total)
                 .arg(it->rate(), 0, 'f', 3));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS.tsv [--explore | --errors]\n", argv[0]);
        return 2;
    }
    const QList<Sample> samples = load(QString::fromLocal8Bit(argv[1]));
    if (samples.isEmpty()) {
        std::fprintf(stderr, "no samples in %s\n", argv[1]);
        return 1;
    }
    if (argc > 2 && QByteArray(argv[2]) == "--explore") {
        explore(samples);
        return 0;
    }
    // Wrong top answers on long texts, to see whether the corpus or CLD2 is at fault.
    if (argc > 2 && QByteArray(argv[2]) == "--errors") {
        for (const Sample& s : samples) {
            const QString found = top(Cld2Recognizer::read(s.text));
            if (s.kind == QLatin1String("long") && found != s.language)
                line(s.language + u' ' + found + u' ' + s.text);
        }
        return 0;
    }

    // Raw CLD2 per split and kind, and the accuracy table from the training split.
    std::vector<Tally> classes(Cld2Recognizer::confidenceClassCount());
    std::vector<Tally> heldoutClasses(Cld2Recognizer::confidenceClassCount());
    QMap<QString, Tally> abstained;
    QMap<QString, Tally> topRight;
    for (const Sample& s : samples) {
        const Cld2Recognizer::Reading r = Cld2Recognizer::read(s.text);
        const bool ok = top(r) == s.language;
        const int cls = Cld2Recognizer::confidenceClass(r);
        (s.heldout ? heldoutClasses : classes)[cls].add(ok);
        if (s.heldout) {
            abstained[s.kind].add(r.bestEffort);
            topRight[s.kind].add(ok);
        }
    }
    line(QStringLiteral("accuracy of CLD2's top answer per class (train | held-out, no hints):"));
    for (int i = 0; i < Cld2Recognizer::confidenceClassCount(); ++i)
        line(QStringLiteral("  %1: %2 of %3 = %4 | %5 of %6 = %7 (table %8)")
                 .arg(Cld2Recognizer::confidenceClassLabel(i), -28)
                 .arg(classes[i].right)
                 .arg(classes[i].total)
                 .arg(classes[i].rate(), 0, 'f', 3)
                 .arg(heldoutClasses[i].right)
                 .arg(heldoutClasses[i].total)
                 .arg(heldoutClasses[i].rate(), 0, 'f', 3)
                 .arg(Cld2Recognizer::accuracy(i), 0, 'f', 3));
    line(QStringLiteral("held-out, raw CLD2: default mode abstains / top answer right:"));
    for (const QString& kind : kinds)
        line(QStringLiteral("  %1: %2 / %3 (%4 texts)")
                 .arg(kind, -6)
                 .arg(abstained[kind].rate(), 0, 'f', 3)
                 .arg(topRight[kind].rate(), 0, 'f', 3)
                 .arg(topRight[kind].total));

    // The detector as the translator runs it: the known languages as the supported set.
    const QSet<QString>& supported = LanguageDefaults::knownLanguageCodes();
    const QStringList userPair{QStringLiteral("en"), QStringLiteral("es")};
    const LanguageRecognizerFactory factory = cld2RecognizerFactory();
    struct Outcome {
        Tally plain;       // no user hints, texts in a supported language
        Tally pairHinted;  // hints en,es, texts in en or es
        Tally pairPlain;   // the same texts, no user hints
        Tally otherHinted; // hints en,es, texts in another supported language
        Tally otherPlain;  // the same texts, no user hints
        Tally unsupported; // no user hints, texts outside the set: reported as their language
    };
    QMap<QString, Outcome> outcomes;
    qint64 calls = 0;
    QElapsedTimer timer;
    qint64 nanoseconds = 0;
    for (const Sample& s : samples) {
        if (!s.heldout)
            continue;
        timer.start();
        const std::optional<QString> plain =
            LanguageDetector::detect(s.text, supported, {}, factory);
        const std::optional<QString> hinted =
            LanguageDetector::detect(s.text, supported, userPair, factory);
        nanoseconds += timer.nsecsElapsed();
        calls += 2;
        Outcome& o = outcomes[s.kind];
        const bool plainOk = plain == s.language;
        const bool hintedOk = hinted == s.language;
        if (!supported.contains(s.language)) {
            o.unsupported.add(plainOk);
            continue;
        }
        o.plain.add(plainOk);
        if (userPair.contains(s.language)) {
            o.pairHinted.add(hintedOk);
            o.pairPlain.add(plainOk);
        } else {
            o.otherHinted.add(hintedOk);
            o.otherPlain.add(plainOk);
        }
    }
    line(QStringLiteral("held-out, LanguageDetector::detect right (supported = the 22 known):"));
    line(QStringLiteral("  kind   | supported, no hints | en+es texts: hints / none | other texts: "
                        "hints / none | unsupported languages"));
    for (const QString& kind : kinds) {
        const Outcome& o = outcomes[kind];
        line(QStringLiteral("  %1 | %2 (%3) | %4 / %5 (%6) | %7 / %8 (%9) | %10 (%11)")
                 .arg(kind, -6)
                 .arg(o.plain.rate(), 0, 'f', 3)
                 .arg(o.plain.total)
                 .arg(o.pairHinted.rate(), 0, 'f', 3)
                 .arg(o.pairPlain.rate(), 0, 'f', 3)
                 .arg(o.pairHinted.total)
                 .arg(o.otherHinted.rate(), 0, 'f', 3)
                 .arg(o.otherPlain.rate(), 0, 'f', 3)
                 .arg(o.otherHinted.total)
                 .arg(o.unsupported.rate(), 0, 'f', 3)
                 .arg(o.unsupported.total));
    }
    // CLD2 alone and the recogniser without the detector, on the same texts.
    qint64 readCalls = 0;
    qint64 readNanoseconds = 0;
    qint64 recogniserNanoseconds = 0;
    QHash<QString, double> hints;
    for (const QString& code : supported)
        hints.insert(code, 0.02);
    for (const QString& code : userPair)
        hints.insert(code, 0.3);
    for (const Sample& s : samples) {
        if (!s.heldout)
            continue;
        timer.start();
        Cld2Recognizer::read(s.text);
        readNanoseconds += timer.nsecsElapsed();
        timer.start();
        Cld2Recognizer recognizer;
        recognizer.setLanguageHints(hints);
        recognizer.processString(s.text);
        recognizer.languageHypotheses(5);
        recogniserNanoseconds += timer.nsecsElapsed();
        ++readCalls;
    }
    line(QStringLiteral("per call: CLD2 read %1 us, recogniser with 22 hints %2 us")
             .arg(readCalls ? readNanoseconds / 1000.0 / readCalls : 0.0, 0, 'f', 2)
             .arg(readCalls ? recogniserNanoseconds / 1000.0 / readCalls : 0.0, 0, 'f', 2));
    line(QStringLiteral("detection time per call: %1 us over %2 calls")
             .arg(calls ? nanoseconds / 1000.0 / calls : 0.0, 0, 'f', 2)
             .arg(calls));
    return 0;
}
