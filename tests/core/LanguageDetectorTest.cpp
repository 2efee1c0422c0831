#include "core/LanguageDetector.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

// What the recognisers were asked, kept after the detector has destroyed them.
struct RecognizerLog {
    int made = 0;
    std::optional<QHash<QString, double>> hints;
    QStringList processed;
    int maximum = 0;
    bool hintedAfterProcessing = false;
};

// Returns its whole script whatever the maximum, as a binding might.
class ScriptedRecognizer : public LanguageRecognizer {
public:
    ScriptedRecognizer(RecognizerLog& log, QList<LanguageHypothesis> script)
        : m_log(log)
        , m_script(std::move(script)) {}

    void setLanguageHints(const QHash<QString, double>& hints) override {
        m_log.hints = hints;
        m_log.hintedAfterProcessing = !m_log.processed.isEmpty();
    }
    void processString(const QString& text) override { m_log.processed.append(text); }
    QList<LanguageHypothesis> languageHypotheses(int maximum) const override {
        m_log.maximum = maximum;
        return m_script;
    }

private:
    RecognizerLog& m_log;
    QList<LanguageHypothesis> m_script;
};

using Codes = QSet<QString>;

class LanguageDetectorTest : public testing::Test {
protected:
    std::optional<QString> detect(const char* text, const Codes& supported = {"en", "de", "fr"}) {
        m_log = RecognizerLog();
        return LanguageDetector::detect(QString::fromUtf8(text), supported, m_hints, [this] {
            ++m_log.made;
            return std::make_unique<ScriptedRecognizer>(m_log, m_script);
        });
    }

    QStringList m_hints{QStringLiteral("en"), QStringLiteral("ru")};
    QList<LanguageHypothesis> m_script{{QStringLiteral("de"), 0.9}};
    RecognizerLog m_log;
};

// What counts as a word is WordDetector's; here only that it is asked before anything else.
TEST_F(LanguageDetectorTest, TextWithoutWordsOrRecognizerFindsNothing) {
    EXPECT_EQ(detect(" 42 www.a.b x@y.z\n"), std::nullopt);
    EXPECT_EQ(m_log.made, 0);
    const QString text = QStringLiteral("Hallo");
    EXPECT_EQ(LanguageDetector::detect(text, Codes({"de"}), m_hints, {}), std::nullopt);
    EXPECT_EQ(LanguageDetector::detect(text, Codes({"de"}), m_hints, [] { return nullptr; }),
              std::nullopt);
}

TEST_F(LanguageDetectorTest, ShortTextIsHintedAndTrimmedTextProcessed) {
    EXPECT_EQ(detect(" \n Hallo Welt\t\n"), QStringLiteral("de"));
    ASSERT_EQ(m_log.made, 1);
    // Supported codes get the small weight; the user's languages override it, supported or not.
    const QHash<QString, double> expected{{"en", 0.3}, {"de", 0.02}, {"fr", 0.02}, {"ru", 0.3}};
    EXPECT_EQ(m_log.hints, expected);
    EXPECT_FALSE(m_log.hintedAfterProcessing);
    EXPECT_EQ(m_log.processed, QStringList{QStringLiteral("Hallo Welt")});
    EXPECT_EQ(m_log.maximum, 5);

    // Hints stop at four pieces, cut at any white space; punctuation pieces count.
    for (const auto& [text, hinted] : {std::pair{"eins zwei\n\ndrei", true},
                                       {"Hallo , Welt !", false},
                                       {"a\u00A0b\u3000c\td", false}}) {
        detect(text);
        EXPECT_EQ(m_log.hints.has_value(), hinted) << text;
    }
}

TEST_F(LanguageDetectorTest, RankingChoosesTheCode) {
    const char* oneWord = "Welt";
    const char* threeWords = "tá sé ann";
    const char* fiveWords = "tá an aimsir go maith";
    const char* twoWords = "ein Wort";
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Codes enDeFr{"en", "de", "fr"}, none, asian{"ja", "ko", "vi", "th", "de", "fr"};
    const struct {
        const char* text;
        Codes supported;
        QList<LanguageHypothesis> hypotheses;
        std::optional<QString> expected;
    } cases[] = {
        // clang-format off
        {oneWord, enDeFr, {{"de", 0.3}}, "de"},
        {oneWord, enDeFr, {{"de", 0.29}}, std::nullopt},
        {oneWord, Codes({"zh"}), {{"zh-Hant", 0.8}}, "zh"},
        {fiveWords, enDeFr, {{"ga", 0.55}, {"en", 0.35}}, "en"},
        {threeWords, enDeFr, {{"ga", 0.95}}, std::nullopt},
        {fiveWords, none, {{"en", 0.6}}, "en"},
        {fiveWords, none, {{"en", 0.59}}, std::nullopt},
        {fiveWords, enDeFr, {{"ga", 0.65}, {"en", 0.7}}, "en"},
        {oneWord, enDeFr, {{"fr", 0.4}, {"de", 0.4}}, "fr"},
        {oneWord, enDeFr, {{"fr", 0.4}, {"de", 0.41}}, "de"},
        {fiveWords, enDeFr, {{"ga", 0.6}, {"en", 0.6}}, "ga"},
        {oneWord, enDeFr, {{"fr", nan}, {"de", 0.4}}, "de"},
        {fiveWords, enDeFr, {{"", 0.9}, {"de", 0.4}}, "de"},
        // Only the first five hypotheses count.
        {twoWords, asian,
         {{"ja", 0.1}, {"ko", 0.1}, {"vi", 0.1}, {"th", 0.1}, {"de", 0.31}, {"fr", 0.9}}, "de"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " " << c.hypotheses[0].probability);
        m_script = c.hypotheses;
        EXPECT_EQ(detect(c.text, c.supported), c.expected);
    }
}

} // namespace
