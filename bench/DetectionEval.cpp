// Measures how well short selections are detected for a user with English and Spanish, on a
// set built by scripts/build-detection-eval: plain CLD2 with the detector's hints against the
// lexicon vote in several variants, each through LanguageDetector::detect with the languages
// the application passes before its language list is loaded.
//
//   detection_eval SET.tsv [--known KNOWN.tsv] [--grid] [--errors VARIANT] [--dump FACTS.tsv]
//
// The lexicons are the installed Apertium analysers and dictionary headwords. With --known
// they are a table instead (`language<TAB>token<TAB>0|1`), which is quicker for exploring.
// --grid ranks other weights of the vote on the same set (use it on dev only); --errors lists
// the items a variant gets wrong; --dump writes what the vote saw about each item.

#include "core/LanguageDefaults.h"
#include "core/LanguageDetector.h"
#include "core/LexiconVote.h"
#include "platform/linux/detection/ApertiumLexicons.h"
#include "platform/linux/detection/Cld2Recognizer.h"
#include "platform/linux/detection/LexiconRecognizer.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QTextStream>

#include <cstdio>
#include <vector>

namespace {

const QString english = QStringLiteral("en");
const QString spanish = QStringLiteral("es");
const QStringList hints{english, spanish};

struct Item {
    bool single = false;
    QString language;
    QString text;
};

// What the vote needs about one item, gathered once so that rules can be replayed.
struct Facts {
    QList<LanguageHypothesis> hinted;
    std::optional<QString> unhinted;
    std::optional<double> englishShare;
    std::optional<double> spanishShare;
    int words = 0;
};

struct Tally {
    qint64 right = 0;
    qint64 total = 0;
    void add(bool ok) {
        ++total;
        right += ok ? 1 : 0;
    }
    double percent() const { return total ? 100.0 * static_cast<double>(right) / total : 0.0; }
};

enum Group { pairWord, pairShort, otherWord, otherShort, englishWord, spanishWord, groupCount };
const char* const groupNames[groupCount]{"pair 1 word", "pair 2-3 w", "other 1 word",
                                         "other 2-3 w", "en 1 word",  "es 1 word"};

struct Score {
    Tally groups[groupCount];
    void add(const Item& item, const std::optional<QString>& answer) {
        const bool ok = answer && *answer == item.language;
        const bool pair = item.language == english || item.language == spanish;
        groups[pair ? (item.single ? pairWord : pairShort) : (item.single ? otherWord : otherShort)]
            .add(ok);
        if (pair && item.single)
            groups[item.language == english ? englishWord : spanishWord].add(ok);
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
            items.append({fields[0] == QLatin1String("word"), fields[1], fields[2]});
    }
    return items;
}

// Known-ness read from a table, token by token.
class TableEvidence final : public LexiconEvidence {
public:
    explicit TableEvidence(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QStringList fields = in.readLine().split(u'\t');
            if (fields.size() == 3)
                m_known[fields[0]].insert(fields[1], fields[2] == QLatin1String("1"));
        }
    }
    bool hasLexicon(const QString& code) override { return m_known.contains(code); }
    QStringList languages() const override {
        QStringList codes = m_known.keys();
        codes.sort();
        return codes;
    }
    std::optional<double> knownShare(const QString& code, const QStringList& tokens,
                                     QDeadlineTimer) override {
        if (!m_known.contains(code) || tokens.isEmpty())
            return std::nullopt;
        const QHash<QString, bool>& known = m_known[code];
        qsizetype count = 0;
        for (const QString& token : tokens)
            count += known.value(token) ? 1 : 0;
        return static_cast<double>(count) / static_cast<double>(tokens.size());
    }

private:
    QHash<QString, QHash<QString, bool>> m_known;
};

// Hands the detector a ready list of hypotheses.
class ReplayRecognizer final : public LanguageRecognizer {
public:
    explicit ReplayRecognizer(QList<LanguageHypothesis> hypotheses)
        : m_hypotheses(std::move(hypotheses)) {}
    void setLanguageHints(const QHash<QString, double>&) override {}
    void processString(const QString&) override {}
    QList<LanguageHypothesis> languageHypotheses(int maximum) const override {
        return m_hypotheses.first(std::min<qsizetype>(maximum, m_hypotheses.size()));
    }

private:
    QList<LanguageHypothesis> m_hypotheses;
};

QHash<QString, double> detectorWeights(const QSet<QString>& supported) {
    QHash<QString, double> weights;
    for (const QString& code : supported)
        weights.insert(code, 0.02);
    for (const QString& code : hints)
        weights.insert(code, 0.3);
    return Cld2Recognizer::usableWeights(weights);
}

Facts factsOf(const Item& item, const QHash<QString, double>& weights, LexiconEvidence& evidence) {
    Facts facts;
    const QString text = item.text.trimmed();
    facts.hinted = Cld2Recognizer::hypotheses(Cld2Recognizer::read(text, weights), weights);
    const QList<LanguageHypothesis> unhinted =
        Cld2Recognizer::hypotheses(Cld2Recognizer::read(text), {});
    if (!unhinted.isEmpty())
        facts.unhinted = unhinted.first().identifier;
    QStringList tokens;
    for (const QString& piece : text.split(u' ', Qt::SkipEmptyParts)) {
        if (std::any_of(piece.cbegin(), piece.cend(), [](QChar c) { return c.isLetter(); }))
            tokens.append(piece);
    }
    facts.words = static_cast<int>(text.split(u' ', Qt::SkipEmptyParts).size());
    const QDeadlineTimer deadline(std::chrono::seconds(10));
    facts.englishShare = evidence.knownShare(english, tokens, deadline);
    facts.spanishShare = evidence.knownShare(spanish, tokens, deadline);
    return facts;
}

std::optional<QString> replay(const Item& item, const Facts& facts, const LexiconVote::Rule& rule,
                              const QSet<QString>& supported) {
    QList<LanguageHypothesis> hypotheses = facts.hinted;
    if (facts.englishShare && facts.spanishShare && facts.words <= LexiconRecognizer::maxWords) {
        LexiconVote::Ballot ballot{facts.hinted,        facts.unhinted, english,
                                   *facts.englishShare, spanish,        *facts.spanishShare,
                                   facts.words};
        if (!LexiconVote::needsUnhinted(ballot, rule))
            ballot.unhinted.reset();
        hypotheses = LexiconVote::hypotheses(facts.hinted, LexiconVote::decide(ballot, rule),
                                             LexiconRecognizer::confidence(facts.words));
    }
    return LanguageDetector::detect(item.text, supported, hints, [&hypotheses] {
        return std::make_unique<ReplayRecognizer>(hypotheses);
    });
}

QString ruleName(const LexiconVote::Rule& rule) {
    return QStringLiteral("cld2 %1, lex %2*f-%3, unhinted from %4")
        .arg(rule.recognizerWeight)
        .arg(rule.lexiconWeight)
        .arg(rule.lexiconOffset)
        .arg(rule.unhintedFallbackFromWords);
}

void printHeader() {
    std::printf("%-40s", "variant");
    for (const char* name : groupNames)
        std::printf(" %12s", name);
    std::printf("\n");
}

void printRow(const QString& name, const Score& score) {
    std::printf("%-40s", qPrintable(name));
    for (const Tally& tally : score.groups)
        std::printf(" %11.1f%%", tally.percent());
    std::printf("\n");
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: detection_eval SET.tsv [--known KNOWN.tsv] [--grid] "
                             "[--errors VARIANT] [--dump FACTS.tsv]\n");
        return 2;
    }
    const QList<Item> items = load(arguments.first());
    if (items.isEmpty()) {
        std::fprintf(stderr, "detection_eval: no items in %s\n", qPrintable(arguments.first()));
        return 1;
    }
    const qsizetype knownAt = arguments.indexOf(QStringLiteral("--known"));
    const qsizetype errorsAt = arguments.indexOf(QStringLiteral("--errors"));
    const bool grid = arguments.contains(QStringLiteral("--grid"));

    std::shared_ptr<LexiconEvidence> evidence;
    if (knownAt > 0 && knownAt + 1 < arguments.size()) {
        evidence = std::make_shared<TableEvidence>(arguments.at(knownAt + 1));
    } else {
        auto lexicons = std::make_shared<ApertiumLexicons>();
        // Started before timing starts, so that the first items do not miss the deadline.
        lexicons->prepare(hints, QDeadlineTimer(std::chrono::seconds(10)));
        evidence = lexicons;
    }
    if (!evidence->hasLexicon(english) || !evidence->hasLexicon(spanish)) {
        std::fprintf(stderr, "detection_eval: no lexicons for English and Spanish\n");
        return 1;
    }

    const QSet<QString> supported = LanguageDefaults::knownLanguageCodes();
    const QHash<QString, double> weights = detectorWeights(supported);

    QMap<QString, LexiconVote::Rule> variants;
    variants.insert(QStringLiteral("R1"), LexiconVote::Rule{});
    variants.insert(QStringLiteral("R2"), LexiconVote::Rule{1.0, 4.0, 1.0, 1});
    variants.insert(QStringLiteral("R3 (R2 from 2 words)"), LexiconVote::Rule{1.0, 4.0, 1.0, 2});
    variants.insert(QStringLiteral("chosen (R2, 4f-2)"), LexiconVote::chosenRule());

    printHeader();
    Score plain;
    QMap<QString, Score> scores;
    const QString errorsOf =
        errorsAt > 0 && errorsAt + 1 < arguments.size() ? arguments.at(errorsAt + 1) : QString();
    for (const Item& item : items) {
        const std::optional<QString> base =
            LanguageDetector::detect(item.text, supported, hints, cld2RecognizerFactory());
        plain.add(item, base);
        for (auto it = variants.cbegin(); it != variants.cend(); ++it) {
            const std::optional<QString> answer = LanguageDetector::detect(
                item.text, supported, hints,
                lexiconRecognizerFactory(evidence,
                                         LexiconRecognizer::Options{
                                             LexiconRecognizer::evidenceTimeout, it.value(), {}}));
            scores[it.key()].add(item, answer);
            if (it.key().startsWith(errorsOf) && !errorsOf.isEmpty() && answer != item.language)
                std::fprintf(stderr, "%s\t%s\t%s\tplain %s\n", qPrintable(item.language),
                             qPrintable(item.text),
                             qPrintable(answer.value_or(QStringLiteral("-"))),
                             qPrintable(base.value_or(QStringLiteral("-"))));
        }
    }
    printRow(QStringLiteral("plain CLD2 with hints"), plain);
    for (auto it = scores.cbegin(); it != scores.cend(); ++it)
        printRow(it.key(), it.value());

    const qsizetype dumpAt = arguments.indexOf(QStringLiteral("--dump"));
    if (!grid && dumpAt < 0)
        return 0;
    std::vector<Facts> facts;
    facts.reserve(items.size());
    for (const Item& item : items)
        facts.push_back(factsOf(item, weights, *evidence));
    if (dumpAt > 0 && dumpAt + 1 < arguments.size()) {
        QFile file(arguments.at(dumpAt + 1));
        if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
            QTextStream out(&file);
            for (size_t i = 0; i < facts.size(); ++i) {
                const Item& item = items[static_cast<qsizetype>(i)];
                const Facts& f = facts[i];
                const auto share = [](const std::optional<double>& s) {
                    return s ? QString::number(*s) : QStringLiteral("-");
                };
                out << (item.single ? "word" : "short") << '\t' << item.language << '\t'
                    << item.text << '\t'
                    << (f.hinted.isEmpty() ? QStringLiteral("-") : f.hinted.first().identifier)
                    << '\t' << (f.hinted.isEmpty() ? 0.0 : f.hinted.first().probability) << '\t'
                    << f.unhinted.value_or(QStringLiteral("-")) << '\t' << share(f.englishShare)
                    << '\t' << share(f.spanishShare) << '\t'
                    << LanguageDetector::detect(item.text, supported, hints,
                                                cld2RecognizerFactory())
                           .value_or(QStringLiteral("-"))
                    << '\n';
            }
        }
    }
    if (!grid)
        return 0;
    std::printf("\n");
    printHeader();
    for (const int fallback : {0, 1, 2}) {
        for (const double lexiconWeight : {1.0, 2.0, 3.0, 4.0, 6.0}) {
            for (const double offset : {0.0, 0.5, 1.0, 1.5, 2.0, 3.0}) {
                const LexiconVote::Rule rule{1.0, lexiconWeight, offset, fallback};
                Score score;
                for (size_t i = 0; i < facts.size(); ++i)
                    score.add(items[static_cast<qsizetype>(i)],
                              replay(items[static_cast<qsizetype>(i)], facts[i], rule, supported));
                printRow(ruleName(rule), score);
            }
        }
    }
    return 0;
}
