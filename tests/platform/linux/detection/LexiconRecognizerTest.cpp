#include "platform/linux/detection/LexiconRecognizer.h"

#include "core/LanguageDefaults.h"
#include "core/LanguageDetector.h"
#include "platform/linux/detection/ApertiumLexicons.h"
#include "platform/linux/detection/Cld2Recognizer.h"
#include "tests/platform/linux/detection/LexiconFakes.h"
#include "tests/support/ProgramRun.h"

#include <QFileInfo>
#include <QMutex>
#include <QTemporaryDir>
#include <QWaitCondition>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Lexicons from fixed word lists; can also hang until the deadline, as a stuck analyser would.
class FakeEvidence final : public LexiconEvidence {
public:
    QHash<QString, QSet<QString>> known;
    bool hang = false;
    int lookUps = 0;

    bool hasLexicon(const QString& code) override { return known.contains(code); }
    QStringList languages() const override {
        QStringList codes = known.keys();
        codes.sort();
        return codes;
    }

    std::optional<double> knownShare(const QString& code, const QStringList& tokens,
                                     QDeadlineTimer deadline) override {
        ++lookUps;
        if (hang) { // nothing wakes it: it waits out the deadline
            QMutex mutex;
            QWaitCondition never;
            QMutexLocker lock(&mutex);
            while (!deadline.hasExpired())
                never.wait(&mutex, deadline);
            return std::nullopt;
        }
        if (!known.contains(code) || tokens.isEmpty())
            return std::nullopt;
        qsizetype count = 0;
        for (const QString& token : tokens)
            count += known.value(code).contains(token.toLower()) ? 1 : 0;
        return static_cast<double>(count) / static_cast<double>(tokens.size());
    }
};

const QStringList pair{QStringLiteral("en"), QStringLiteral("es")};

std::optional<QString> detectWith(const LanguageRecognizerFactory& factory, const QString& text) {
    return LanguageDetector::detect(text, LanguageDefaults::knownLanguageCodes(), pair, factory);
}

std::optional<QString> plain(const QString& text) {
    return detectWith(cld2RecognizerFactory(), text);
}

QHash<QString, double> detectorHints() {
    QHash<QString, double> hints;
    for (const QString& code : LanguageDefaults::knownLanguageCodes())
        hints.insert(code, 0.02);
    for (const QString& code : pair)
        hints.insert(code, 0.3);
    return hints;
}

QList<LanguageHypothesis> hypothesesOf(LanguageRecognizer&& recognizer, const QString& text,
                                       const QHash<QString, double>& hints) {
    recognizer.setLanguageHints(hints);
    recognizer.processString(text);
    return recognizer.languageHypotheses(5);
}

// "house" known only in Spanish.
void swapHouse(FakeEvidence& evidence) {
    evidence.known["en"].remove("house");
    evidence.known["es"].insert("house");
}

class LexiconRecognizerTest : public testing::Test {
protected:
    std::shared_ptr<FakeEvidence> evidence = std::make_shared<FakeEvidence>();

    void SetUp() override {
        evidence->known.insert("en", {"house", "the", "red"});
        evidence->known.insert("es", {"casa", "la", "roja"});
    }

    std::optional<QString> detect(const QString& text) {
        return detectWith(lexiconRecognizerFactory(evidence), text);
    }
};

TEST_F(LexiconRecognizerTest, TheDetectorTakesTheLexiconsWinnerOverCld2) {
    EXPECT_EQ(detect("la casa roja"), "es");
    EXPECT_EQ(detect("the red house"), "en");
    ASSERT_EQ(plain("house"), "en");
    // Known only in Spanish: the vote overturns CLD2, and the detector's thresholds follow.
    swapHouse(*evidence);
    EXPECT_EQ(detect("house"), "es");
}

// Where the lexicons cannot decide, or the text is not theirs to decide, the hypotheses are
// CLD2's own, and no lexicon is asked.
TEST_F(LexiconRecognizerTest, LeavesCld2UnchangedWithoutAskingWhenNotItsCase) {
    QHash<QString, double> flat;
    for (const QString& code : LanguageDefaults::knownLanguageCodes())
        flat.insert(code, 0.3);
    QHash<QString, double> single = detectorHints();
    single.insert("es", 0.02);
    const struct {
        const char* rule;
        void (*prepare)(FakeEvidence&);
        QString text;
        QHash<QString, double> hints;
        bool noEvidence = false;
    } cases[] = {
        {"no lexicon for one language",
         [](FakeEvidence& e) {
             e.known.remove("es");
             e.known["en"].insert("casa");
         },
         "casa", detectorHints()},
        // Four tokens "known" in English only; hinted (not the detector's way at this length).
        {"a hinted longer text",
         [](FakeEvidence& e) {
             e.known["en"].unite({"la", "casa", "es", "roja"});
             e.known["es"].clear();
         },
         "la casa es roja", detectorHints()},
        // Only the two strongest hints are the user's languages: flat hints name no pair, nor
        // one strongest hint (my and second the same).
        {"flat hints", swapHouse, "house", flat},
        {"one strongest hint", swapHouse, "house", single},
        {"no hints", swapHouse, "house", {}},
        {"no evidence object", nullptr, "casa", detectorHints(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        SetUp();
        evidence->lookUps = 0;
        if (c.prepare)
            c.prepare(*evidence);
        EXPECT_EQ(
            hypothesesOf(LexiconRecognizer(c.noEvidence ? nullptr : evidence), c.text, c.hints),
            hypothesesOf(Cld2Recognizer(), c.text, c.hints));
        EXPECT_EQ(evidence->lookUps, 0);
    }
}

TEST_F(LexiconRecognizerTest, SentencesAskEveryLexicon) {
    // CLD2 alone abstains on this Spanish line.
    const QString text = QStringLiteral("Modo de foco de la ventana");
    ASSERT_EQ(plain(text), std::nullopt);
    evidence->known["es"].unite({"modo", "de", "foco", "la", "ventana"});
    evidence->known["ca"] = {"de", "la"};
    EXPECT_EQ(detect(text), "es");
    EXPECT_EQ(evidence->lookUps, 3);

    // Thirteen words are past the rule: not asked.
    evidence->lookUps = 0;
    EXPECT_EQ(detect(text + " de la ventana de la ventana de la"),
              plain(text + " de la ventana de la ventana de la"));
    EXPECT_EQ(evidence->lookUps, 0);
}

TEST_F(LexiconRecognizerTest, EvidenceMissingTheDeadlineLeavesCld2sAnswer) {
    evidence->hang = true;
    LexiconRecognizer::Options options;
    options.timeout = 20ms;
    const auto factory = lexiconRecognizerFactory(evidence, options);
    for (const QString& text : {QStringLiteral("casa"), QStringLiteral("the red house")})
        EXPECT_EQ(detectWith(factory, text), plain(text)) << text.toStdString();
    // The first language's look-up timed out; the second is not tried.
    EXPECT_EQ(evidence->lookUps, 2);
}

TEST(LexiconRecognizerTokensTest, OnlyPiecesWithALetterAreLookedUpButAllCountAsWords) {
    int words = 0;
    EXPECT_EQ(LexiconRecognizer::tokens(" 3 casas,\t12%\n", &words), QStringList{"casas,"});
    EXPECT_EQ(words, 3);
}

// --- the installed analysers and dictionaries ------------------------------------------------

bool haveInstalled(const std::shared_ptr<ApertiumLexicons>& lexicons, const QStringList& codes) {
    return std::all_of(codes.cbegin(), codes.cend(),
                       [&](const QString& code) { return lexicons->hasLexicon(code); });
}

TEST(LexiconRecognizerInstalledTest, WordsAndSentencesThatCld2AloneGetsWrong) {
    auto lexicons = std::make_shared<ApertiumLexicons>();
    if (!haveInstalled(lexicons, {"en", "es", "ca"}))
        GTEST_SKIP() << "needs apertium-eng-spa and apertium-spa-cat";
    LexiconRecognizer::Options options;
    options.timeout = 30s;
    const auto factory = lexiconRecognizerFactory(lexicons, options);
    const struct {
        const char* text;
        const char* language;
    } sentences[] = {
        {"La lista de argumentos es demasiado larga", "es"},
        // A product name in English does not outvote the Spanish around it.
        {"Abre el documento en LibreOffice Writer sin guardar los cambios", "es"},
        {"No s'ha pogut obrir el fitxer", "ca"},
        {"Invalid index of the indirect register", "en"},
        {"casa", "es"},
    };
    for (const auto& sentence : sentences)
        EXPECT_EQ(detectWith(factory, sentence.text), sentence.language) << sentence.text;
    // Every word of it is Catalan too ("registro": I register); CLD2 between the two decides,
    // and some language is named where none was.
    EXPECT_THAT(detectWith(factory, "Se espera un registro."),
                testing::Optional(testing::AnyOf(QString("es"), QString("ca"))));
}

TEST(LexiconRecognizerInstalledTest, AnAnalyserThatDiesLeavesCld2Alone) {
    if (!hasProgram("lt-proc") || !QFileInfo::exists("/usr/share/apertium/modes/eng-spa.mode"))
        GTEST_SKIP() << "needs apertium-eng-spa";
    QTemporaryDir dir;
    ApertiumLexicons::Options lexiconOptions;
    lexiconOptions.modeFolders = {"/usr/share/apertium/modes"};
    lexiconOptions.dictionaryFolders = {};
    lexiconOptions.analyser.program = LexiconFakes::exiting(dir);
    auto lexicons = std::make_shared<ApertiumLexicons>(lexiconOptions);
    LexiconRecognizer::Options options;
    options.timeout = 30s;
    const QString text = QStringLiteral("La lista de argumentos es demasiado larga");
    EXPECT_EQ(detectWith(lexiconRecognizerFactory(lexicons, options), text), plain(text));
}

} // namespace
