#include "core/LanguageDetector.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

namespace {

// What one recogniser was asked, kept after the detector has destroyed it.
struct RecognizerLog {
    std::optional<QHash<QString, double>> hints;
    QStringList processed;
    QList<int> maxima;
    bool hintedAfterProcessing = false;
};

class ScriptedRecognizer : public LanguageRecognizer {
public:
    ScriptedRecognizer(std::shared_ptr<RecognizerLog> log, QList<LanguageHypothesis> script,
                       bool honourMaximum)
        : m_log(std::move(log))
        , m_script(std::move(script))
        , m_honourMaximum(honourMaximum) {}

    void setLanguageHints(const QHash<QString, double>& hints) override {
        m_log->hints = hints;
        m_log->hintedAfterProcessing = !m_log->processed.isEmpty();
    }
    void processString(const QString& text) override { m_log->processed.append(text); }
    QList<LanguageHypothesis> languageHypotheses(int maximum) const override {
        m_log->maxima.append(maximum);
        return m_honourMaximum ? m_script.first(std::min<qsizetype>(maximum, m_script.size()))
                               : m_script;
    }

private:
    std::shared_ptr<RecognizerLog> m_log;
    QList<LanguageHypothesis> m_script;
    bool m_honourMaximum;
};

QSet<QString> codes(std::initializer_list<const char*> items) {
    QSet<QString> result;
    for (const char* item : items)
        result.insert(QString::fromUtf8(item));
    return result;
}

class LanguageDetectorTest : public testing::Test {
protected:
    std::optional<QString> detect(const QString& text, const QSet<QString>& supported) {
        return LanguageDetector::detect(text, supported, m_hints, factory());
    }
    std::optional<QString> detect(const QString& text) {
        return detect(text, codes({"en", "de", "fr"}));
    }

    LanguageRecognizerFactory factory() {
        return [this] {
            m_logs.push_back(std::make_shared<RecognizerLog>());
            return std::make_unique<ScriptedRecognizer>(m_logs.back(), m_script, m_honourMaximum);
        };
    }

    QStringList m_hints{QStringLiteral("en"), QStringLiteral("ru")};
    QList<LanguageHypothesis> m_script{{QStringLiteral("de"), 0.9}};
    bool m_honourMaximum = true;
    std::vector<std::shared_ptr<RecognizerLog>> m_logs;
};

TEST_F(LanguageDetectorTest, TextWithoutWordsMakesNoRecognizer) {
    for (const char* text : {"", " \n\t ", "123 4,5", "?! -- …", "https://example.org/page",
                             "WWW.example.org", "someone@example.org", "42 www.a.b x@y.z"}) {
        EXPECT_EQ(detect(QString::fromUtf8(text)), std::nullopt) << text;
    }
    EXPECT_TRUE(m_logs.empty());
}

TEST_F(LanguageDetectorTest, ShortTextIsHintedAndTrimmedTextProcessed) {
    EXPECT_EQ(detect(QStringLiteral(" \n Hallo Welt\t\n")), QStringLiteral("de"));

    ASSERT_EQ(m_logs.size(), 1u);
    const RecognizerLog& log = *m_logs.front();
    // Supported codes get the small weight; the user's languages override it, supported or not.
    const QHash<QString, double> expected{{QStringLiteral("en"), 0.3},
                                          {QStringLiteral("de"), 0.02},
                                          {QStringLiteral("fr"), 0.02},
                                          {QStringLiteral("ru"), 0.3}};
    EXPECT_EQ(log.hints, expected);
    EXPECT_FALSE(log.hintedAfterProcessing);
    EXPECT_EQ(log.processed, QStringList{QStringLiteral("Hallo Welt")});
    EXPECT_EQ(log.maxima, QList<int>{5});
}

TEST_F(LanguageDetectorTest, HintsStopAtFourWhiteSpaceSeparatedPieces) {
    struct Case {
        const char* text;
        bool hinted;
    };
    // Pieces are cut at any white space, including no-break and ideographic spaces, and
    // punctuation pieces count.
    for (const Case c : {Case{"eins", true}, Case{"eins zwei\n\ndrei", true},
                         Case{"eins zwei drei vier", false}, Case{"Hallo , Welt !", false},
                         Case{"a\u00A0b\u3000c\td", false}, Case{"a b\u00A0\u00A0 c", true}}) {
        m_logs.clear();
        detect(QString::fromUtf8(c.text));
        ASSERT_EQ(m_logs.size(), 1u);
        EXPECT_EQ(m_logs.front()->hints.has_value(), c.hinted) << c.text;
    }
}

TEST_F(LanguageDetectorTest, EachCallMakesItsOwnRecognizer) {
    detect(QStringLiteral("erste"));
    detect(QStringLiteral("zweite Zeile"));
    ASSERT_EQ(m_logs.size(), 2u);
    EXPECT_EQ(m_logs[0]->processed, QStringList{QStringLiteral("erste")});
    EXPECT_EQ(m_logs[1]->processed, QStringList{QStringLiteral("zweite Zeile")});
}

TEST_F(LanguageDetectorTest, MissingRecognizerFindsNothing) {
    const QString text = QStringLiteral("Hallo");
    EXPECT_EQ(LanguageDetector::detect(text, codes({"de"}), m_hints, {}), std::nullopt);
    EXPECT_EQ(LanguageDetector::detect(text, codes({"de"}), m_hints, [] { return nullptr; }),
              std::nullopt);
}

TEST_F(LanguageDetectorTest, OnlyTheFirstFiveHypothesesCount) {
    m_honourMaximum = false;
    m_script = {{"ja", 0.1}, {"ko", 0.1}, {"vi", 0.1}, {"th", 0.1}, {"de", 0.31}, {"fr", 0.9}};
    EXPECT_EQ(detect(QStringLiteral("ein Wort"), codes({"ja", "ko", "vi", "th", "de", "fr"})),
              QStringLiteral("de"));
}

struct RankCase {
    const char* name;
    const char* text;
    std::optional<QSet<QString>> supported; // absent: en, de, fr
    QList<LanguageHypothesis> hypotheses;
    std::optional<const char*> expected;
};

class LanguageDetectorRanking : public LanguageDetectorTest,
                                public testing::WithParamInterface<RankCase> {};

TEST_P(LanguageDetectorRanking, ChoosesTheCode) {
    const RankCase& c = GetParam();
    m_script = c.hypotheses;
    const std::optional<QString> found =
        detect(QString::fromUtf8(c.text), c.supported.value_or(codes({"en", "de", "fr"})));
    if (c.expected)
        EXPECT_EQ(found, QString::fromUtf8(*c.expected));
    else
        EXPECT_EQ(found, std::nullopt) << found->toStdString();
}

constexpr const char* oneWord = "Welt";
constexpr const char* threeWords = "tá sé ann";
constexpr const char* fiveWords = "tá an aimsir go maith";
const double nan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageDetectorRanking,
    testing::Values(
        RankCase{"SupportedAtThreshold", oneWord, {}, {{"de", 0.3}}, "de"},
        RankCase{"SupportedAbove", oneWord, {}, {{"de", 0.35}}, "de"},
        RankCase{"SupportedBelow", oneWord, {}, {{"de", 0.29}}, std::nullopt},
        RankCase{"NoHypotheses", oneWord, {}, {}, std::nullopt},
        RankCase{"RegionAndScriptDropped", oneWord, codes({"zh"}), {{"zh-Hant", 0.8}}, "zh"},
        RankCase{"NorwegianIsBokmal", oneWord, codes({"nb"}), {{"no", 0.8}}, "nb"},
        RankCase{"UnderscoreRegion", oneWord, codes({"pt"}), {{"pt_BR", 0.8}}, "pt"},
        RankCase{"UnsupportedLongAtThreshold", fiveWords, {}, {{"ga", 0.6}}, "ga"},
        RankCase{"UnsupportedLongAbove", fiveWords, {}, {{"ga", 0.7}, {"en", 0.2}}, "ga"},
        RankCase{
            "UnsupportedLongBelowFallsBack", fiveWords, {}, {{"ga", 0.55}, {"en", 0.35}}, "en"},
        RankCase{"UnsupportedLongBelowNothing",
                 fiveWords,
                 {},
                 {{"ga", 0.55}, {"en", 0.25}},
                 std::nullopt},
        RankCase{"UnsupportedShortNever", threeWords, {}, {{"ga", 0.95}}, std::nullopt},
        RankCase{"UnsupportedShortFallsBack", threeWords, {}, {{"ga", 0.6}, {"en", 0.3}}, "en"},
        RankCase{"EmptySupportedShort", threeWords, QSet<QString>(), {{"en", 0.99}}, std::nullopt},
        RankCase{"EmptySupportedLong", fiveWords, QSet<QString>(), {{"en", 0.6}}, "en"},
        RankCase{
            "EmptySupportedLongBelow", fiveWords, QSet<QString>(), {{"en", 0.59}}, std::nullopt},
        RankCase{
            "SupportedBestWinsOverUnsupported", fiveWords, {}, {{"ga", 0.65}, {"en", 0.7}}, "en"},
        RankCase{"SupportedTieFirstStays", oneWord, {}, {{"fr", 0.4}, {"de", 0.4}}, "fr"},
        RankCase{
            "SupportedStrictlyGreaterReplaces", oneWord, {}, {{"fr", 0.4}, {"de", 0.41}}, "de"},
        RankCase{"OverallTieUnsupportedFirst", fiveWords, {}, {{"ga", 0.6}, {"en", 0.6}}, "ga"},
        RankCase{"OverallTieSupportedFirst", fiveWords, {}, {{"en", 0.6}, {"ga", 0.6}}, "en"},
        RankCase{"VariantsOfOneCodeCompete",
                 oneWord,
                 codes({"zh"}),
                 {{"zh-Hans", 0.2}, {"zh-Hant", 0.35}},
                 "zh"},
        RankCase{"NotANumberIsSkipped", oneWord, {}, {{"fr", nan}, {"de", 0.4}}, "de"},
        RankCase{"EmptyIdentifierIsSkipped", fiveWords, {}, {{"", 0.9}, {"de", 0.4}}, "de"}),
    [](const testing::TestParamInfo<RankCase>& info) { return info.param.name; });

} // namespace
