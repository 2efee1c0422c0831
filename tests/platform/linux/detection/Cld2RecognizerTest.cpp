#include "platform/linux/detection/Cld2Recognizer.h"

#include "core/LanguageDefaults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace Qt::StringLiterals;
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

TEST(Cld2RecognizerCodes, MapsCld2sCodesToOurs) {
    const struct {
        const char* cld2;
        const char* ours;
    } cases[] = {{"en", "en"},   {"iw", "he"}, {"no", "nb"},    {"zh-Hant", "zh"}, {"sr-ME", "sr"},
                 {"haw", "haw"}, {"un", ""},   {"xx-Latn", ""}, {"tlh", ""},       {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(Cld2Recognizer::codeForCld2(QString::fromLatin1(c.cld2)),
                  QString::fromLatin1(c.ours))
            << c.cld2;
}

TEST(Cld2RecognizerWeights, KeepsOnlyPositiveWeightsOfLanguagesCld2Knows) {
    const QHash<QString, double> usable = Cld2Recognizer::usableWeights({
        {u"en-US"_s, 0.3},
        {u"iw"_s, 0.2},
        {u"he"_s, 0.02}, // two spellings of one language keep the larger weight
        {u"no"_s, 0.1},
        {u"de"_s, 0.0},
        {u"fr"_s, -1.0},
        {u"it"_s, std::numeric_limits<double>::quiet_NaN()},
        {u"pt"_s, std::numeric_limits<double>::infinity()},
        {u"qq"_s, 0.5},
        {u""_s, 0.5},
    });
    const QHash<QString, double> expected{{u"en"_s, 0.3}, {u"he"_s, 0.2}, {u"nb"_s, 0.1}};
    EXPECT_EQ(usable, expected);
}

// --- probability model on scripted readings ---------------------------------------------------

// A whole text for one language without hints scores the measured accuracy of its class, and
// each class border crossed, by bytes or by best-effort score, raises the trust.
TEST(Cld2RecognizerModel, AWholeTextScoresTheAccuracyOfItsClass) {
    const std::pair<bool, QList<int>> modes[] = {{false, {4, 5, 12, 13, 256, 257}},
                                                 {true, {200, 201, 3000, 3001}}};
    for (const auto& [bestEffort, measures] : modes) {
        double previous = 0.0;
        for (const int measure : measures) {
            const Reading reading{bestEffort, measure, double(measure), {{u"de"_s, 1.0}}};
            const QList<LanguageHypothesis> result = Cld2Recognizer::hypotheses(reading, {});
            ASSERT_EQ(result.size(), 1);
            const int cls = Cld2Recognizer::confidenceClass(reading);
            EXPECT_EQ(Cld2Recognizer::confidenceClassLabel(cls).startsWith(u"best"), bestEffort);
            EXPECT_NEAR(result.first().probability, Cld2Recognizer::accuracy(cls), 1e-9);
            EXPECT_GT(result.first().probability, previous) << measure;
            previous = result.first().probability;
        }
    }
    for (const int outside : {-1, Cld2Recognizer::confidenceClassCount()}) {
        EXPECT_EQ(Cld2Recognizer::accuracy(outside), 0.0);
        EXPECT_TRUE(Cld2Recognizer::confidenceClassLabel(outside).isEmpty());
    }
}

const QHash<QString, double> enEsHints{
    {u"en"_s, 0.3}, {u"es"_s, 0.3}, {u"pt"_s, 0.02}, {u"fr"_s, 0.02}};

TEST(Cld2RecognizerModel, ProbabilitiesAreSortedBoundedAndSumToAtMostOne) {
    const struct {
        const char* name;
        Reading reading;
        QHash<QString, double> weights;
    } cases[] = {
        {"split", {false, 300, 1.0, {{"es", 0.6}, {"pt", 0.4}}}, {}},
        {"overfull", {true, 3, 7.0, {{"es", 1.0}, {"pt", 1.0}}}, {}},
        {"hinted", {true, 3, 0.2, {{"pt", 1.0}}}, enEsHints},
        {"single hint", {false, 3, 1.0, {{"es", 1.0}}}, {{"es", 0.3}}},
        {"repeated language", {false, 30, 1.0, {{"es", 0.7}, {"es", 0.7}}}, enEsHints},
        {"unusable weights",
         {false, 30, 1.0, {{"en", 1.0}}},
         {{"en", 0.3}, {"es", -2.0}, {"fr", std::numeric_limits<double>::quiet_NaN()}}},
        {"huge weights",
         {false, 40, 1.0, {{"en", 0.5}, {"fr", 0.5}}},
         {{"en", 1e300}, {"fr", 1e-300}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QList<LanguageHypothesis> result = Cld2Recognizer::hypotheses(c.reading, c.weights);
        EXPECT_FALSE(result.isEmpty());
        expectWellFormed(result);
    }
}

TEST(Cld2RecognizerModel, PriorsAndEvidenceTogetherNameTheLanguage) {
    // The detector's weights: the user's pair at 0.3, every supported language at 0.02.
    const QHash<QString, double> detector = detectorHints("en", "es");
    const struct {
        const char* rule;
        Reading reading;
        QHash<QString, double> weights;
        const char* first; // nullptr: no hypothesis at all
        double atLeast;
    } cases[] = {
        {"priors decide between equally likely languages",
         {true, 5, 5000.0, {{"es", 0.5}, {"pt", 0.5}}},
         detector,
         "es",
         0.0},
        {"strong evidence outweighs a small prior",
         {false, 8, 1.0, {{"fr", 1.0}}},
         detector,
         "fr",
         0.3},
        {"no evidence, only hints", Reading{}, enEsHints, nullptr, 0.0},
        // CLD2 found Galician, which none of the hints allow: the prior alone proves nothing.
        {"evidence for no candidate", {false, 6, 1.0, {{"gl", 1.0}}}, enEsHints, nullptr, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        const QList<LanguageHypothesis> result = Cld2Recognizer::hypotheses(c.reading, c.weights);
        if (!c.first) {
            EXPECT_TRUE(result.isEmpty());
            continue;
        }
        ASSERT_FALSE(result.isEmpty());
        EXPECT_EQ(result.first().identifier, QString::fromLatin1(c.first));
        EXPECT_GE(result.first().probability, c.atLeast);
    }
    // Unusable weights and empty shares count as absent.
    EXPECT_EQ(Cld2Recognizer::hypotheses({false, 30, 1.0, {{"en", 0.6}, {"pt", 0.0}, {"fr", 0.4}}},
                                         {{"en", 0.3},
                                          {"fr", 0.02},
                                          {"pt", 0.02},
                                          {"es", -2.0},
                                          {"de", 0.0},
                                          {"it", std::numeric_limits<double>::quiet_NaN()}}),
              Cld2Recognizer::hypotheses({false, 30, 1.0, {{"en", 0.6}, {"fr", 0.4}}},
                                         {{"en", 0.3}, {"fr", 0.02}, {"pt", 0.02}}));
    // The hinted pair keeps its prior share even where CLD2 saw nothing of it.
    EXPECT_THAT(Cld2Recognizer::hypotheses(cases[0].reading, detector),
                testing::Contains(testing::Field(&LanguageHypothesis::identifier, u"en"_s)));
}

// --- the real recogniser ---------------------------------------------------------------------

TEST(Cld2Recognizer, NothingBeforeAnyTextAndNothingForTextWithoutLanguage) {
    Cld2Recognizer recognizer;
    EXPECT_TRUE(recognizer.languageHypotheses(5).isEmpty());
    for (const QString& text : {QString(), u"   "_s, u"12345 678"_s, u"!!! ??? ..."_s, u"😀😀"_s}) {
        EXPECT_TRUE(recognise(text, {}).isEmpty()) << text.toStdString();
        EXPECT_TRUE(recognise(text, detectorHints("en", "es")).isEmpty()) << text.toStdString();
    }
}

TEST(Cld2Recognizer, NamesTheLanguageInOurCodes) {
    const struct {
        const char* rule;
        QString text;
        QHash<QString, double> hints;
        const char* first;
        double atLeast;
    } cases[] = {
        {"long German", germanParagraph, {}, "de", 0.9},
        {"long German, hints for others", germanParagraph, detectorHints("en", "es"), "de", 0.9},
        // "casa" is a Spanish, Portuguese, Italian and Catalan word alike: hints steer it.
        {"casa, hinted es", u"casa"_s, detectorHints("en", "es"), "es", 0.3},
        {"casa, hinted pt", u"casa"_s, detectorHints("en", "pt"), "pt", 0.3},
        // CLD2 writes iw: its codes are mapped (the mapping itself is MapsCld2sCodesToOurs).
        {"Hebrew", u"אני אוהב ללמוד שפות חדשות בכל יום בבוקר"_s, {}, "he", 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        const QList<LanguageHypothesis> result = recognise(c.text, c.hints);
        ASSERT_FALSE(result.isEmpty());
        EXPECT_EQ(result.first().identifier, QString::fromLatin1(c.first));
        EXPECT_GE(result.first().probability, c.atLeast);
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

TEST(Cld2Recognizer, AHugeTextIsReadWithoutTrouble) {
    QString text;
    while (text.size() < 200000)
        text += germanParagraph + u' ';
    // A cut right after a two-byte character must not split it.
    text.insert(16 * 1024 - 1, u"ü"_s);
    const QList<LanguageHypothesis> result = recognise(text, {});
    ASSERT_FALSE(result.isEmpty());
    EXPECT_EQ(result.first().identifier, u"de"_s);
}

} // namespace
