#include "platform/linux/detection/Cld2Recognizer.h"

#include "core/LanguageDefaults.h"
#include "core/LanguageDetector.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Reading = Cld2Recognizer::Reading;

const QString germanParagraph = QStringLiteral(
    "Die Stadtverwaltung hat am Montag beschlossen, die Öffnungszeiten der Bibliothek im "
    "kommenden Jahr deutlich zu verlängern, weil immer mehr Studierende abends dort arbeiten "
    "möchten und die bisherigen Räume dafür nicht ausreichen.");

QHash<QString, double> detectorHints(const QString& my, const QString& second) {
    QHash<QString, double> hints;
    for (const QString& code : LanguageDefaults::knownLanguageCodes())
        hints.insert(code, 0.02);
    hints.insert(my, 0.3);
    hints.insert(second, 0.3);
    return Cld2Recognizer::usableWeights(hints);
}

QList<LanguageHypothesis> recognise(const QString& text, const QHash<QString, double>& hints,
                                    int maximum = 5) {
    Cld2Recognizer recognizer;
    recognizer.setLanguageHints(hints);
    recognizer.processString(text);
    return recognizer.languageHypotheses(maximum);
}

void expectWellFormed(const QList<LanguageHypothesis>& hypotheses) {
    double sum = 0.0;
    for (qsizetype i = 0; i < hypotheses.size(); ++i) {
        EXPECT_GE(hypotheses[i].probability, 0.0) << hypotheses[i].identifier.toStdString();
        EXPECT_LE(hypotheses[i].probability, 1.0) << hypotheses[i].identifier.toStdString();
        if (i > 0) {
            EXPECT_GE(hypotheses[i - 1].probability, hypotheses[i].probability);
        }
        sum += hypotheses[i].probability;
    }
    EXPECT_LE(sum, 1.0 + 1e-9);
}

// --- code mapping ---------------------------------------------------------------------------

struct CodeCase {
    const char* cld2;
    const char* ours;
};

class Cld2CodeTest : public testing::TestWithParam<CodeCase> {};

TEST_P(Cld2CodeTest, MapsToOurCode) {
    EXPECT_EQ(Cld2Recognizer::codeForCld2(QString::fromLatin1(GetParam().cld2)),
              QString::fromLatin1(GetParam().ours));
}

INSTANTIATE_TEST_SUITE_P(Table, Cld2CodeTest,
                         testing::Values(CodeCase{"en", "en"}, CodeCase{"iw", "he"},
                                         CodeCase{"no", "nb"}, CodeCase{"zh-Hant", "zh"},
                                         CodeCase{"sr-ME", "sr"}, CodeCase{"haw", "haw"},
                                         CodeCase{"un", ""}, CodeCase{"xx-Latn", ""},
                                         CodeCase{"tlh", ""}, CodeCase{"", ""}));

TEST(Cld2RecognizerWeights, KeepsOnlyPositiveWeightsOfLanguagesCld2Knows) {
    const QHash<QString, double> usable = Cld2Recognizer::usableWeights({
        {QStringLiteral("en-US"), 0.3},
        {QStringLiteral("iw"), 0.2},
        {QStringLiteral("no"), 0.1},
        {QStringLiteral("de"), 0.0},
        {QStringLiteral("fr"), -1.0},
        {QStringLiteral("it"), std::numeric_limits<double>::quiet_NaN()},
        {QStringLiteral("pt"), std::numeric_limits<double>::infinity()},
        {QStringLiteral("qq"), 0.5},
        {QStringLiteral(""), 0.5},
    });
    const QHash<QString, double> expected{
        {QStringLiteral("en"), 0.3}, {QStringLiteral("he"), 0.2}, {QStringLiteral("nb"), 0.1}};
    EXPECT_EQ(usable, expected);
}

TEST(Cld2RecognizerWeights, TwoSpellingsOfOneLanguageKeepTheLargerWeight) {
    const QHash<QString, double> usable =
        Cld2Recognizer::usableWeights({{QStringLiteral("he"), 0.02}, {QStringLiteral("iw"), 0.3}});
    EXPECT_EQ(usable.value(QStringLiteral("he")), 0.3);
    EXPECT_EQ(usable.size(), 1);
}

// --- probability model on scripted readings ---------------------------------------------------

// A whole text for one language without hints scores the measured accuracy, and longer texts
// are trusted more.
TEST(Cld2RecognizerModel, AWholeTextScoresTheAccuracyOfItsLength) {
    double previous = 0.0;
    for (const int bytes : {4, 12, 30, 60, 100, 1000}) {
        const Reading reading{false, bytes, 1.0, {{QStringLiteral("de"), 1.0}}};
        const QList<LanguageHypothesis> result = Cld2Recognizer::hypotheses(reading, {});
        ASSERT_EQ(result.size(), 1);
        EXPECT_NEAR(result.first().probability,
                    Cld2Recognizer::accuracy(Cld2Recognizer::confidenceClass(reading)), 1e-9)
            << bytes;
        EXPECT_GE(result.first().probability, previous) << bytes;
        previous = result.first().probability;
    }
}

TEST(Cld2RecognizerModel, EveryReadingFallsIntoAClassOfItsOwnMode) {
    for (const bool bestEffort : {false, true}) {
        for (const double measure : {0.0, 0.3, 1.0, 7.0, 40.0, 1e9}) {
            const Reading reading{
                bestEffort, static_cast<int>(std::min(measure, 1e6)), measure, {}};
            const int cls = Cld2Recognizer::confidenceClass(reading);
            ASSERT_GE(cls, 0);
            ASSERT_LT(cls, Cld2Recognizer::confidenceClassCount());
            EXPECT_EQ(Cld2Recognizer::confidenceClassLabel(cls).startsWith(u"best"), bestEffort);
            EXPECT_GT(Cld2Recognizer::accuracy(cls), 0.0);
            EXPECT_LT(Cld2Recognizer::accuracy(cls), 1.0);
        }
    }
}

struct ModelCase {
    const char* name;
    Reading reading;
    QHash<QString, double> weights;
};

class Cld2RecognizerModelTable : public testing::TestWithParam<ModelCase> {};

TEST_P(Cld2RecognizerModelTable, ProbabilitiesAreSortedBoundedAndSumToAtMostOne) {
    const QList<LanguageHypothesis> result =
        Cld2Recognizer::hypotheses(GetParam().reading, GetParam().weights);
    EXPECT_FALSE(result.isEmpty());
    expectWellFormed(result);
}

const QHash<QString, double> enEsHints{{QStringLiteral("en"), 0.3},
                                       {QStringLiteral("es"), 0.3},
                                       {QStringLiteral("pt"), 0.02},
                                       {QStringLiteral("fr"), 0.02}};

INSTANTIATE_TEST_SUITE_P(
    Table, Cld2RecognizerModelTable,
    testing::Values(
        ModelCase{"one", {false, 5, 1.0, {{QStringLiteral("es"), 1.0}}}, {}},
        ModelCase{"split",
                  {false, 300, 1.0, {{QStringLiteral("es"), 0.6}, {QStringLiteral("pt"), 0.4}}},
                  {}},
        ModelCase{"overfull",
                  {true, 3, 7.0, {{QStringLiteral("es"), 1.0}, {QStringLiteral("pt"), 1.0}}},
                  {}},
        ModelCase{"hinted", {true, 3, 0.2, {{QStringLiteral("pt"), 1.0}}}, enEsHints},
        ModelCase{"single hint",
                  {false, 3, 1.0, {{QStringLiteral("es"), 1.0}}},
                  {{QStringLiteral("es"), 0.3}}},
        ModelCase{"repeated language",
                  {false, 30, 1.0, {{QStringLiteral("es"), 0.7}, {QStringLiteral("es"), 0.7}}},
                  enEsHints},
        ModelCase{"unusable weights",
                  {false, 30, 1.0, {{QStringLiteral("en"), 1.0}}},
                  {{QStringLiteral("en"), 0.3},
                   {QStringLiteral("es"), -2.0},
                   {QStringLiteral("fr"), std::numeric_limits<double>::quiet_NaN()}}},
        ModelCase{"huge weights",
                  {false, 40, 1.0, {{QStringLiteral("en"), 0.5}, {QStringLiteral("fr"), 0.5}}},
                  {{QStringLiteral("en"), 1e300}, {QStringLiteral("fr"), 1e-300}}}),
    [](const testing::TestParamInfo<ModelCase>& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(Cld2RecognizerModel, PriorsDecideBetweenEquallyLikelyLanguages) {
    const Reading reading{
        true, 5, 5000.0, {{QStringLiteral("es"), 0.5}, {QStringLiteral("pt"), 0.5}}};
    const QList<LanguageHypothesis> result =
        Cld2Recognizer::hypotheses(reading, detectorHints("en", "es"));
    ASSERT_FALSE(result.isEmpty());
    EXPECT_EQ(result.first().identifier, QStringLiteral("es"));
    // The hinted pair keeps its prior share even where CLD2 saw nothing of it.
    EXPECT_THAT(result, testing::Contains(
                            testing::Field(&LanguageHypothesis::identifier, QStringLiteral("en"))));
}

TEST(Cld2RecognizerModel, StrongEvidenceOutweighsASmallPrior) {
    // The detector's weights: the user's pair at 0.3, every supported language at 0.02.
    const Reading reading{false, 8, 1.0, {{QStringLiteral("fr"), 1.0}}};
    const QList<LanguageHypothesis> result =
        Cld2Recognizer::hypotheses(reading, detectorHints("en", "es"));
    ASSERT_FALSE(result.isEmpty());
    EXPECT_EQ(result.first().identifier, QStringLiteral("fr"));
    EXPECT_GE(result.first().probability, 0.3);
}

TEST(Cld2RecognizerModel, NoEvidenceForAnyCandidateGivesNoHypothesis) {
    EXPECT_TRUE(Cld2Recognizer::hypotheses(Reading{}, {}).isEmpty());
    EXPECT_TRUE(Cld2Recognizer::hypotheses(Reading{}, enEsHints).isEmpty());
    // CLD2 found Galician, which none of the hints allow: the prior alone proves nothing.
    const Reading galician{false, 6, 1.0, {{QStringLiteral("gl"), 1.0}}};
    EXPECT_TRUE(Cld2Recognizer::hypotheses(galician, enEsHints).isEmpty());
}

// --- the real recogniser ---------------------------------------------------------------------

TEST(Cld2Recognizer, NothingBeforeAnyTextAndNothingForTextWithoutLanguage) {
    Cld2Recognizer recognizer;
    EXPECT_TRUE(recognizer.languageHypotheses(5).isEmpty());
    for (const QString& text : {QString(), QStringLiteral("   "), QStringLiteral("12345 678"),
                                QStringLiteral("!!! ??? ..."), QStringLiteral("😀😀")}) {
        EXPECT_TRUE(recognise(text, {}).isEmpty()) << text.toStdString();
        EXPECT_TRUE(recognise(text, detectorHints("en", "es")).isEmpty()) << text.toStdString();
    }
}

TEST(Cld2Recognizer, LongGermanParagraphIsGermanWithAndWithoutHints) {
    for (const auto& hints :
         {QHash<QString, double>{}, detectorHints("en", "es"), detectorHints("ru", "fr")}) {
        const QList<LanguageHypothesis> result = recognise(germanParagraph, hints);
        ASSERT_FALSE(result.isEmpty());
        EXPECT_EQ(result.first().identifier, QStringLiteral("de"));
        EXPECT_GT(result.first().probability, 0.9);
        expectWellFormed(result);
    }
}

TEST(Cld2Recognizer, HintsSteerAnAmbiguousShortWord) {
    // "casa" is a Spanish, Portuguese, Italian and Catalan word alike.
    const QString word = QStringLiteral("casa");
    for (const char* language : {"es", "pt", "it"}) {
        const QList<LanguageHypothesis> result =
            recognise(word, detectorHints(QStringLiteral("en"), QString::fromLatin1(language)));
        ASSERT_FALSE(result.isEmpty()) << language;
        EXPECT_EQ(result.first().identifier, QString::fromLatin1(language));
        EXPECT_GE(result.first().probability, 0.3) << language;
        expectWellFormed(result);
    }
}

TEST(Cld2Recognizer, ResultsAreOrderedByProbabilityAndLimited) {
    const QString mixed = germanParagraph
                          + QStringLiteral(" The city council decided on Monday to extend "
                                           "the opening hours of the library next year.");
    const QList<LanguageHypothesis> all = recognise(mixed, {}, 5);
    ASSERT_GE(all.size(), 2);
    expectWellFormed(all);
    EXPECT_EQ(recognise(mixed, {}, 1), all.first(1));
    EXPECT_TRUE(recognise(mixed, {}, 0).isEmpty());
    EXPECT_TRUE(recognise(mixed, {}, -3).isEmpty());
}

TEST(Cld2Recognizer, NamesLanguagesInOurCodes) {
    const QList<LanguageHypothesis> hebrew =
        recognise(QStringLiteral("אני אוהב ללמוד שפות חדשות בכל יום בבוקר"), {});
    ASSERT_FALSE(hebrew.isEmpty());
    EXPECT_EQ(hebrew.first().identifier, QStringLiteral("he"));

    const QList<LanguageHypothesis> norwegian = recognise(
        QStringLiteral("Jeg liker å gå på tur i skogen om høsten når bladene skifter farge og "
                       "luften er klar og kjølig."),
        {});
    ASSERT_FALSE(norwegian.isEmpty());
    EXPECT_EQ(norwegian.first().identifier, QStringLiteral("nb"));
}

TEST(Cld2Recognizer, EachRecogniserFromTheFactoryStartsAfresh) {
    const LanguageRecognizerFactory factory = cld2RecognizerFactory();
    auto first = factory();
    first->setLanguageHints({{QStringLiteral("es"), 0.3}});
    first->processString(germanParagraph);
    auto second = factory();
    EXPECT_TRUE(second->languageHypotheses(5).isEmpty());
}

TEST(Cld2Recognizer, AHugeTextIsReadWithoutTrouble) {
    QString text;
    while (text.size() < 200000)
        text += germanParagraph + u' ';
    // A cut right after a two-byte character must not split it.
    text.insert(16 * 1024 - 1, QStringLiteral("ü"));
    const QList<LanguageHypothesis> result = recognise(text, {});
    ASSERT_FALSE(result.isEmpty());
    EXPECT_EQ(result.first().identifier, QStringLiteral("de"));
}

// --- the detector through the real recogniser ------------------------------------------------

struct DetectCase {
    const char* name;
    const char* text;
    QStringList supported;
    QStringList hints;
    std::optional<QString> expected;
};

class Cld2DetectTest : public testing::TestWithParam<DetectCase> {};

TEST_P(Cld2DetectTest, Detects) {
    const DetectCase& c = GetParam();
    const QSet<QString> supported(c.supported.cbegin(), c.supported.cend());
    EXPECT_EQ(LanguageDetector::detect(QString::fromUtf8(c.text), supported, c.hints,
                                       cld2RecognizerFactory()),
              c.expected);
}

const QStringList known = LanguageDefaults::knownLanguageCodes().values();
const QStringList enEs{QStringLiteral("en"), QStringLiteral("es")};

INSTANTIATE_TEST_SUITE_P(
    EndToEnd, Cld2DetectTest,
    testing::Values(DetectCase{"spanish_word", "biblioteca", known, enEs, QStringLiteral("es")},
                    DetectCase{"english_word", "window", known, enEs, QStringLiteral("en")},
                    DetectCase{"russian_word",
                               "привет",
                               known,
                               {QStringLiteral("ru"), QStringLiteral("en")},
                               QStringLiteral("ru")},
                    DetectCase{"german_sentence",
                               "Ich habe heute keine Zeit, weil ich arbeiten muss.", known, enEs,
                               QStringLiteral("de")},
                    DetectCase{"unsupported_long",
                               "Ich habe heute keine Zeit, weil ich arbeiten muss.", enEs, enEs,
                               QStringLiteral("de")},
                    DetectCase{"unsupported_short", "keine Zeit", enEs, enEs, std::nullopt},
                    DetectCase{"digits", "12 345", known, enEs, std::nullopt}),
    [](const testing::TestParamInfo<DetectCase>& info) { return std::string(info.param.name); });

} // namespace
