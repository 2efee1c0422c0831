// Measures how well sentences of 4 to 30 words are detected, on a set built by
// scripts/build-message-eval: plain CLD2 against CLD2 with the installed lexicons, through
// LanguageDetector::detect as the application calls it (no hints at this length), per language
// and per length, and how well the probabilities the recogniser reports match its accuracy.
//
//   sentence_detection_eval SET.tsv [--supported CODES] [--errors LANGUAGE] [--dump FACTS.tsv]
//
// CODES: the languages the engine translates, comma-separated (the detector's `supported`);
// the 22 known languages by default. --errors lists the wrong answers of one language; --dump
// writes what CLD2 and the lexicons said about every line, for choosing the rule.

#include "core/LanguageCode.h"
#include "core/LanguageDefaults.h"
#include "core/LanguageDetector.h"
#include "platform/linux/detection/ApertiumLexicons.h"
#include "platform/linux/detection/Cld2Recognizer.h"
#include "platform/linux/detection/LexiconRecognizer.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QTextStream>

#include <array>
#include <cstdio>

namespace {

struct Item {
    QString language;
    int words = 0;
    QString text;
};

struct Tally {
    qint64 right = 0;
    qint64 none = 0;
    qint64 total = 0;
    void add(const std::optional<QString>& answer, const QString& language) {
        ++total;
        right += answer == language ? 1 : 0;
        none += answer ? 0 : 1;
    }
    double percent(qint64 part) const {
        return total ? 100.0 * static_cast<double>(part) / static_cast<double>(total) : 0.0;
    }
};

constexpr std::array lengthBuckets{std::pair{4, 6}, std::pair{7, 12}, std::pair{13, 30}};

int bucketOf(int words) {
    for (int i = 0; i < static_cast<int>(lengthBuckets.size()); ++i) {
        if (words <= lengthBuckets[i].second)
            return i;
    }
    return static_cast<int>(lengthBuckets.size()) - 1;
}

// Reported probability of the answer against how often such answers were right.
struct Calibration {
    std::array<Tally, 10> bins;
    void add(double probability, bool right) {
        Tally& bin = bins[std::clamp(static_cast<int>(probability * 10.0), 0, 9)];
        ++bin.total;
        bin.right += right ? 1 : 0;
    }
};

QList<Item> load(const QString& path) {
    QFile file(path);
    QList<Item> items;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return items;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().split(u'\t');
        if (fields.size() == 3)
            items.append({fields[0], fields[1].toInt(), fields[2]});
    }
    return items;
}

void dump(const QList<Item>& items, ApertiumLexicons& lexicons, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QTextStream out(&file);
    const QDeadlineTimer noLimit(QDeadlineTimer::Forever);
    for (const Item& item : items) {
        const QString text = item.text.trimmed();
        const Cld2Recognizer::Reading reading = Cld2Recognizer::read(text);
        QStringList evidence;
        for (const LanguageHypothesis& share : reading.evidence)
            evidence.append(QStringLiteral("%1:%2").arg(share.identifier).arg(share.probability));
        QStringList shares;
        const QStringList tokens = LexiconRecognizer::tokens(text);
        for (const QString& code : lexicons.languages()) {
            if (const std::optional<double> share = lexicons.knownShare(code, tokens, noLimit))
                shares.append(QStringLiteral("%1:%2").arg(code).arg(*share, 0, 'f', 3));
        }
        QStringList plain;
        for (const LanguageHypothesis& h : Cld2Recognizer::hypotheses(reading, {}))
            plain.append(QStringLiteral("%1:%2").arg(h.identifier).arg(h.probability, 0, 'f', 4));
        out << item.language << '\t' << item.words << '\t' << (reading.bestEffort ? 1 : 0) << '\t'
            << reading.bytes << '\t' << reading.score << '\t' << evidence.join(u',') << '\t'
            << shares.join(u',') << '\t' << plain.join(u',') << '\t' << text << '\n';
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: sentence_detection_eval SET.tsv [--supported CODES] "
                             "[--errors LANGUAGE] [--dump FACTS.tsv]\n");
        return 2;
    }
    const QList<Item> items = load(arguments.first());
    if (items.isEmpty()) {
        std::fprintf(stderr, "sentence_detection_eval: no items in %s\n",
                     qPrintable(arguments.first()));
        return 1;
    }
    const auto valueOf = [&](const char* option) {
        const qsizetype at = arguments.indexOf(QLatin1String(option));
        return at > 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
    };

    auto lexicons = std::make_shared<ApertiumLexicons>();
    lexicons->prepare(lexicons->languages(), QDeadlineTimer(std::chrono::seconds(20)));
    if (const QString path = valueOf("--dump"); !path.isEmpty()) {
        dump(items, *lexicons, path);
        return 0;
    }

    QSet<QString> supported = LanguageDefaults::knownLanguageCodes();
    if (const QString codes = valueOf("--supported"); !codes.isEmpty()) {
        const QStringList list = codes.split(u',', Qt::SkipEmptyParts);
        supported = QSet<QString>(list.cbegin(), list.cend());
    }
    const QString errorsOf = valueOf("--errors");

    const QStringList variants{QStringLiteral("plain CLD2"), QStringLiteral("CLD2 + lexicons")};
    const std::array factories{cld2RecognizerFactory(), lexiconRecognizerFactory(lexicons)};
    // Per variant: by language, and by language and length.
    std::array<QMap<QString, Tally>, 2> byLanguage;
    std::array<QMap<QString, std::array<Tally, lengthBuckets.size()>>, 2> byLength;
    std::array<QMap<QString, QMap<QString, int>>, 2> wrongAnswers;
    std::array<Calibration, 2> calibration;
    // How often the lexicons' winner was right, by how it relates to CLD2's answer.
    QMap<QString, Tally> bases;
    for (const Item& item : items) {
        for (size_t v = 0; v < factories.size(); ++v) {
            const std::optional<QString> answer =
                LanguageDetector::detect(item.text, supported, {}, factories[v]);
            byLanguage[v][item.language].add(answer, item.language);
            byLength[v][item.language][static_cast<size_t>(bucketOf(item.words))].add(
                answer, item.language);
            if (answer != item.language)
                ++wrongAnswers[v][item.language][answer.value_or(QStringLiteral("-"))];
            if (v == 1 && !errorsOf.isEmpty() && item.language == errorsOf
                && answer != item.language)
                std::fprintf(stderr, "%s\t%s\n", qPrintable(answer.value_or(QStringLiteral("-"))),
                             qPrintable(item.text));
            // The recogniser's top answer and probability, as the detector sees them.
            const std::unique_ptr<LanguageRecognizer> recognizer = factories[v]();
            recognizer->processString(item.text.trimmed());
            const QList<LanguageHypothesis> top = recognizer->languageHypotheses(1);
            for (const QString& line : recognizer->explanation()) {
                if (!line.startsWith(QLatin1String("vote: ")))
                    continue;
                const QStringList words = line.split(u' ');
                bases[words.value(2)].add(LanguageCode::normalize(words.value(1)), item.language);
            }
            if (!top.isEmpty())
                calibration[v].add(top.first().probability,
                                   LanguageCode::normalize(top.first().identifier)
                                       == item.language);
        }
    }

    std::printf("%-4s %-16s %7s %7s %7s   %-32s\n", "lang", "variant", "right", "none", "lines",
                "right by length 4-6 / 7-12 / 13-30");
    std::array<Tally, 2> all;
    for (auto it = byLanguage[0].cbegin(); it != byLanguage[0].cend(); ++it) {
        for (size_t v = 0; v < 2; ++v) {
            const Tally& tally = byLanguage[v][it.key()];
            all[v].right += tally.right;
            all[v].none += tally.none;
            all[v].total += tally.total;
            QStringList lengths;
            for (const Tally& bucket : byLength[v][it.key()])
                lengths.append(QString::number(bucket.percent(bucket.right), 'f', 1));
            QStringList wrong;
            const QMap<QString, int>& answers = wrongAnswers[v][it.key()];
            for (auto w = answers.cbegin(); w != answers.cend(); ++w) {
                if (w.value() * 200 >= tally.total)
                    wrong.append(QStringLiteral("%1 %2").arg(w.key()).arg(w.value()));
            }
            std::printf("%-4s %-16s %6.1f%% %6.1f%% %7lld   %-20s %s\n",
                        qPrintable(v == 0 ? it.key() : QString()), qPrintable(variants[v]),
                        tally.percent(tally.right), tally.percent(tally.none),
                        static_cast<long long>(tally.total), qPrintable(lengths.join(" / ")),
                        qPrintable(wrong.join(u' ')));
        }
    }
    for (size_t v = 0; v < 2; ++v)
        std::printf("%-4s %-16s %6.1f%% %6.1f%% %7lld\n", v == 0 ? "all" : "",
                    qPrintable(variants[v]), all[v].percent(all[v].right),
                    all[v].percent(all[v].none), static_cast<long long>(all[v].total));

    std::printf("\nthe lexicons' winner by basis\n");
    for (auto it = bases.cbegin(); it != bases.cend(); ++it)
        std::printf("%-10s right %6.1f%% of %lld\n", qPrintable(it.key()),
                    it.value().percent(it.value().right), static_cast<long long>(it.value().total));

    std::printf("\nreported probability of the top answer against its accuracy\n");
    std::printf("%-10s %-16s %9s %9s\n", "reported", "variant", "accuracy", "answers");
    for (int bin = 0; bin < 10; ++bin) {
        for (size_t v = 0; v < 2; ++v) {
            const Tally& tally = calibration[v].bins[static_cast<size_t>(bin)];
            if (tally.total == 0)
                continue;
            std::printf("%3d-%3d%%   %-16s %8.1f%% %9lld\n", bin * 10, bin * 10 + 10,
                        qPrintable(variants[v]), tally.percent(tally.right),
                        static_cast<long long>(tally.total));
        }
    }
    return 0;
}
