#include "app/TranslationRun.h"

#include "core/Graphemes.h"
#include "core/LanguageDefaults.h"
#include "tests/app/ScriptedEngine.h"

#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

inline void PrintTo(const TranslationPhase& phase, std::ostream* out) {
    static const char* const kinds[] = {"idle",   "working",       "done",
                                        "failed", "needsDownload", "unsupported"};
    *out << kinds[static_cast<int>(phase.kind)] << '(' << phase.message.toStdString()
         << phase.source.toStdString() << ',' << phase.target.toStdString() << ')';
}

namespace {

const EngineLanguage enUS = engineLanguage("en-US", "en", "en-Latn-US");
const EngineLanguage es = engineLanguage("es", "es", "es-Latn-ES");
const EngineLanguage de = engineLanguage("de", "de", "de-Latn-DE");

struct Recording {
    QList<TranslationRun::Decision> decisions;
    QList<TranslationRun::Outcome> outcomes;
    QStringList events;

    const TranslationRun::Outcome& outcome() const { return outcomes.first(); }
};

class TranslationRunTest : public testing::Test {
protected:
    TranslationRunTest() {
        engine.languages = {enUS, es, de};
        engine.setStatus("de", "en-US", PairStatus::installed);
        engine.session->answer = upperCased;
        // Detection always finds German.
        recognizers = recognizing({{"de", 0.9}}, seen);
    }

    LanguageService::Setup setup() {
        LanguageService::Setup s;
        s.preferredLanguages = {QStringLiteral("en-US")};
        return s;
    }

    TranslationRun::Input input(const QString& text) {
        TranslationRun::Input in;
        in.text = text;
        in.prefs = {QStringLiteral("en"), QStringLiteral("es")};
        return in;
    }

    // Starts a run and records what it publishes, in order.
    std::unique_ptr<TranslationRun> start(const TranslationRun::Input& in, Recording& recording) {
        auto run = std::make_unique<TranslationRun>(engine, languages, recognizers);
        QObject::connect(run.get(), &TranslationRun::decided,
                         [&recording](const TranslationRun::Decision& decision) {
                             recording.decisions.append(decision);
                             recording.events.append(QStringLiteral("decided"));
                         });
        QObject::connect(run.get(), &TranslationRun::finished,
                         [&recording](const TranslationRun::Outcome& outcome) {
                             recording.outcomes.append(outcome);
                             recording.events.append(QStringLiteral("finished"));
                         });
        run->start(in);
        return run;
    }

    Recording translate(const TranslationRun::Input& in) {
        Recording recording;
        const auto run = start(in, recording);
        pumpUntil([&run] { return run->isFinished(); });
        pumpAll();
        return recording;
    }

    Recording translate(const QString& text) { return translate(input(text)); }

    void loadLanguages() { awaitResult(languages.load()); }

    ScriptedEngine engine;
    LanguageService languages{engine, setup()};
    std::shared_ptr<QString> seen = std::make_shared<QString>();
    LanguageRecognizerFactory recognizers;
};

TEST_F(TranslationRunTest, TranslatesAnInstalledPairLineByLine) {
    loadLanguages();

    const Recording r = translate(QStringLiteral("  Hallo\n\n\tWelt, wie geht's?  \n"));

    EXPECT_EQ(r.events, QStringList({"decided", "finished"}));
    const TranslationRun::Decision expected{QStringLiteral("Hallo\n\n\tWelt, wie geht's?"), false,
                                            QStringLiteral("de"), QStringLiteral("de"),
                                            QStringLiteral("en")};
    EXPECT_EQ(r.decisions.first(), expected);
    EXPECT_EQ(engine.session->batches,
              QList<QList<TranslationRequest>>({{{"Hallo", "0"}, {"Welt, wie geht's?", "1"}}}));
    EXPECT_EQ(r.outcome().phase, TranslationPhase::done());
    EXPECT_EQ(r.outcome().result, QStringLiteral("HALLO\n\n\tWELT, WIE GEHT'S?"));
    EXPECT_EQ(r.outcome().pair, ResolvedPair({de, enUS, PairStatus::installed}));
    EXPECT_EQ(r.outcome().download, std::nullopt);
}

TEST_F(TranslationRunTest, ASingleWordGoesToTheEngineWithoutItsPunctuation) {
    loadLanguages();

    const Recording r = translate(QString::fromUtf8("«Hund»!"));

    EXPECT_EQ(engine.session->batches, QList<QList<TranslationRequest>>({{{"Hund", "0"}}}));
    EXPECT_EQ(r.outcome().result, QStringLiteral("HUND"));
    // The decision keeps the whole text: history records it as the source.
    EXPECT_EQ(r.decisions.first().text, QString::fromUtf8("«Hund»!"));
}

TEST_F(TranslationRunTest, LoadsTheLanguagesOnlyWhileThereAreNone) {
    // Before loading, detection may answer with any of the known codes.
    EXPECT_EQ(TranslationRun::detectionLanguages(languages),
              LanguageDefaults::knownLanguageCodes());

    const Recording first = translate(QStringLiteral("Hallo Welt"));
    EXPECT_EQ(engine.languageCalls, 1);
    EXPECT_EQ(first.outcome().result, QStringLiteral("HALLO WELT"));
    EXPECT_EQ(TranslationRun::detectionLanguages(languages), QSet<QString>({"en", "es", "de"}));

    translate(QStringLiteral("Hallo Welt"));
    EXPECT_EQ(engine.languageCalls, 1);
}

TEST_F(TranslationRunTest, NoEngineLanguagesFailsWithTheLinuxMessage) {
    engine.languages.clear();

    const Recording r = translate(QStringLiteral("Hallo Welt"));

    EXPECT_EQ(r.events, QStringList({"decided", "finished"}));
    EXPECT_EQ(r.outcome().phase, TranslationPhase::failed(QStringLiteral(
                                     "On-device translation is not available on this computer.")));
    EXPECT_TRUE(engine.statusCalls.isEmpty());
}

TEST_F(TranslationRunTest, ACodeTheEngineLacksIsUnsupportedWithoutAskingIt) {
    loadLanguages();
    TranslationRun::Input in = input(QStringLiteral("Bonjour"));
    in.from = LangChoice::fixed(QStringLiteral("fr"));

    const Recording r = translate(in);

    EXPECT_EQ(r.outcome().phase,
              TranslationPhase::unsupported(QStringLiteral("fr"), QStringLiteral("en")));
    EXPECT_EQ(r.outcome().pair, std::nullopt);
    EXPECT_TRUE(engine.statusCalls.isEmpty());
}

TEST_F(TranslationRunTest, APairOnlyPossibleAfterADownloadAsksForIt) {
    engine.setStatus("de", "en-US", PairStatus::supported);
    loadLanguages();

    const Recording r = translate(QStringLiteral("Hallo Welt"));

    // The decided codes, not the engine's variants.
    EXPECT_EQ(r.outcome().phase,
              TranslationPhase::needsDownload(QStringLiteral("de"), QStringLiteral("en")));
    EXPECT_EQ(r.outcome().download, DownloadRequest({de, enUS}));
    EXPECT_EQ(r.outcome().result, QString());
    EXPECT_TRUE(engine.openedSessions.isEmpty());
}

TEST_F(TranslationRunTest, AnUnsupportedPairSaysSo) {
    engine.setStatus("de", "en-US", PairStatus::unsupported);
    loadLanguages();

    const Recording r = translate(QStringLiteral("Hallo Welt"));

    EXPECT_EQ(r.outcome().phase,
              TranslationPhase::unsupported(QStringLiteral("de"), QStringLiteral("en")));
    EXPECT_EQ(r.outcome().download, std::nullopt);
    EXPECT_TRUE(engine.openedSessions.isEmpty());
}

TEST_F(TranslationRunTest, AnEngineFailureCarriesItsMessage) {
    loadLanguages();
    engine.session->answer = [](const QList<TranslationRequest>&) {
        return TranslationBatchResult::failure(QStringLiteral("The translator stopped."));
    };

    const Recording r = translate(QStringLiteral("Hallo Welt"));

    EXPECT_EQ(r.outcome().phase,
              TranslationPhase::failed(QStringLiteral("The translator stopped.")));
    EXPECT_EQ(r.outcome().result, QString());

    engine.session->answer = [](const QList<TranslationRequest>&) {
        return TranslationBatchResult::failure(QString());
    };
    const Recording silent = translate(QStringLiteral("Hallo Welt"));
    EXPECT_EQ(silent.outcome().phase.kind, TranslationPhase::Kind::failed);
    EXPECT_FALSE(silent.outcome().phase.message.isEmpty());
}

TEST_F(TranslationRunTest, APairThatVanishedFailsAndIsAskedAfreshNextTime) {
    loadLanguages();
    translate(QStringLiteral("Hallo Welt"));
    EXPECT_EQ(engine.statusCalls.size(), 1);
    engine.sessionAvailable = false;

    const Recording r = translate(QStringLiteral("Hallo Welt"));
    EXPECT_EQ(engine.statusCalls.size(), 1); // answered from the cache
    EXPECT_EQ(r.outcome().phase.kind, TranslationPhase::Kind::failed);

    engine.setStatus("de", "en-US", PairStatus::supported);
    const Recording again = translate(QStringLiteral("Hallo Welt"));
    EXPECT_EQ(again.outcome().phase.kind, TranslationPhase::Kind::needsDownload);
}

TEST_F(TranslationRunTest, LinesWithoutAnAnswerStayUntranslatedInPlace) {
    loadLanguages();
    engine.session->answer = [](const QList<TranslationRequest>& requests) {
        TranslationBatchResult result;
        result.responses = {{QStringLiteral("2"), requests.at(2).sourceText.toUpper()},
                            {QStringLiteral("0"), requests.at(0).sourceText.toUpper()}};
        return result;
    };

    const Recording r = translate(QStringLiteral("eins\n  zwei\ndrei"));

    EXPECT_EQ(r.outcome().phase, TranslationPhase::done());
    EXPECT_EQ(r.outcome().result, QStringLiteral("EINS\n  zwei\nDREI"));
}

struct IdentifierCase {
    std::optional<QString> identifier;
    std::optional<qsizetype> expected;
};

class ResponseIdentifiers : public testing::TestWithParam<IdentifierCase> {};

TEST_P(ResponseIdentifiers, AreDecimalPositionsWithAnOptionalSign) {
    EXPECT_EQ(TranslationRun::parseIdentifier(GetParam().identifier), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ResponseIdentifiers,
    testing::Values(IdentifierCase{"0", 0}, IdentifierCase{"12", 12}, IdentifierCase{"+1", 1},
                    IdentifierCase{"-0", 0}, IdentifierCase{"-3", -3}, IdentifierCase{"007", 7},
                    IdentifierCase{std::nullopt, std::nullopt}, IdentifierCase{"", std::nullopt},
                    IdentifierCase{"+", std::nullopt}, IdentifierCase{"-", std::nullopt},
                    IdentifierCase{"+-1", std::nullopt}, IdentifierCase{" 1", std::nullopt},
                    IdentifierCase{"1 ", std::nullopt}, IdentifierCase{"1.0", std::nullopt},
                    IdentifierCase{"0x1", std::nullopt}, IdentifierCase{"junk", std::nullopt},
                    IdentifierCase{QString::fromUtf8("١"), std::nullopt},
                    IdentifierCase{"99999999999999999999999", std::nullopt}));

TEST(TranslationRunAssemble, MapsResponsesToTheirPositions) {
    const QStringList sources = {"a", "b", "c", "d"};
    const QList<TranslationResponse> responses = {
        {QStringLiteral("+1"), "B"},    {QStringLiteral("-0"), "A"},
        {QStringLiteral("junk"), "X"},  {std::nullopt, "Y"},
        {QStringLiteral("-1"), "Z"},    {QStringLiteral("4"), "W"},
        {QStringLiteral("2"), "first"}, {QStringLiteral("2"), "C"},
    };
    // A later answer for a position replaces an earlier one; "d" got none.
    EXPECT_EQ(TranslationRun::assemble(sources, responses), QStringList({"A", "B", "C", "d"}));
    EXPECT_EQ(TranslationRun::assemble(sources, {}), sources);
}

TEST_F(TranslationRunTest, ACancelledRunDeliversNothingAndStopsTheEngine) {
    loadLanguages();
    engine.session->answer = nullptr;
    Recording r;
    const auto run = start(input(QStringLiteral("Hallo Welt")), r);
    pumpUntil([this] { return !engine.session->batches.isEmpty(); });
    ASSERT_EQ(engine.session->batches.size(), 1);

    run->cancel();
    EXPECT_EQ(engine.session->cancels, 1);
    engine.session->finishPending(upperCased(engine.session->batches.first()));
    pumpAll();

    EXPECT_EQ(r.events, QStringList({"decided"}));
    EXPECT_TRUE(run->isCancelled());
    EXPECT_FALSE(run->isFinished());
}

TEST_F(TranslationRunTest, CancellingWhileLoadingAsksNothingMore) {
    Recording r;
    const auto run = start(input(QStringLiteral("Hallo Welt")), r);
    run->cancel();
    pumpAll();

    EXPECT_EQ(r.events, QStringList({"decided"}));
    EXPECT_TRUE(engine.statusCalls.isEmpty());
    EXPECT_TRUE(engine.openedSessions.isEmpty());
}

TEST_F(TranslationRunTest, ARunDeletedMidwayLeavesNothingBehind) {
    loadLanguages();
    engine.session->answer = nullptr;
    Recording r;
    auto run = start(input(QStringLiteral("Hallo Welt")), r);
    pumpUntil([this] { return !engine.session->batches.isEmpty(); });
    run.reset();
    engine.session->finishPending(upperCased(engine.session->batches.first()));
    pumpAll();

    EXPECT_EQ(r.events, QStringList({"decided"}));
}

const QString accentedE = QString::fromUtf8("e\u0301"); // two code units, one character

struct CutCase {
    const char* title;
    QString text;
    qsizetype bodyCharacters;
    qsizetype sampleCharacters;
    bool truncated;
};

void PrintTo(const CutCase& c, std::ostream* out) {
    *out << c.title;
}

class TranslationRunCut : public testing::TestWithParam<CutCase> {};

TEST_P(TranslationRunCut, CutsByCharactersAfterTrimming) {
    const TranslationRun::Cut cut = TranslationRun::cut(GetParam().text);
    EXPECT_EQ(Graphemes::count(cut.body), GetParam().bodyCharacters);
    EXPECT_EQ(Graphemes::count(cut.sample), GetParam().sampleCharacters);
    EXPECT_EQ(cut.truncated, GetParam().truncated);
    EXPECT_TRUE(GetParam().text.trimmed().startsWith(cut.body));
    EXPECT_TRUE(cut.body.startsWith(cut.sample));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, TranslationRunCut,
    testing::Values(CutCase{"empty", QString(), 0, 0, false},
                    CutCase{"blank", QStringLiteral(" \n\t "), 0, 0, false},
                    CutCase{"exactlyTheCap", accentedE.repeated(20000), 20000, 2000, false},
                    CutCase{"capAfterTrimming",
                            QStringLiteral("\n ") + accentedE.repeated(20000) + "  ", 20000, 2000,
                            false},
                    CutCase{"overTheCap", accentedE.repeated(25000), 20000, 2000, true},
                    CutCase{"flags", QString::fromUtf8("\U0001F1E9\U0001F1EA").repeated(20001),
                            20000, 2000, true}),
    [](const testing::TestParamInfo<CutCase>& info) { return info.param.title; });

TEST_F(TranslationRunTest, ALongTextIsCutAndSaysSo) {
    loadLanguages();
    const QString word = QStringLiteral("Stra") + accentedE + QStringLiteral("e ");
    const QString text = word.repeated(5000); // 30,000 characters before trimming

    const Recording r = translate(text);

    const TranslationRun::Decision& decision = r.decisions.first();
    EXPECT_TRUE(decision.truncated);
    EXPECT_EQ(Graphemes::count(decision.text), 20000);
    EXPECT_EQ(Graphemes::count(*seen), 2000);
    ASSERT_EQ(engine.session->batches.size(), 1);
    EXPECT_EQ(engine.session->batches.first().first().sourceText, decision.text.trimmed());
    EXPECT_EQ(r.outcome().result, decision.text.trimmed().toUpper());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
