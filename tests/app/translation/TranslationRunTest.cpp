#include "app/translation/TranslationRun.h"

#include "core/Graphemes.h"
#include "core/LanguageDefaults.h"
#include "tests/app/translation/ScriptedEngine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

TranslationBatchResult stopped(const QList<TranslationRequest>&) {
    return TranslationBatchResult::failure(QStringLiteral("The translator stopped."));
}

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
    }

    static TranslationRun::Input input(const QString& text,
                                       LangChoice from = LangChoice::automatic()) {
        TranslationRun::Input in;
        in.text = text;
        in.from = from;
        in.prefs = {QStringLiteral("en"), QStringLiteral("es")};
        return in;
    }

    // Starts a run and records what it publishes, in order.
    std::unique_ptr<TranslationRun> start(const TranslationRun::Input& in, Recording& recording) {
        auto run = std::make_unique<TranslationRun>(engine, languages, recognizers);
        QObject::connect(run.get(), &TranslationRun::decided, [&recording](const auto& decision) {
            recording.decisions.append(decision);
            recording.events.append(QStringLiteral("decided"));
        });
        QObject::connect(run.get(), &TranslationRun::finished, [&recording](const auto& outcome) {
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

    ScriptedEngine engine;
    LanguageService languages{engine, preferringEnUS()};
    std::shared_ptr<QString> seen = std::make_shared<QString>();
    // Detection always finds German.
    LanguageRecognizerFactory recognizers = recognizing({{"de", 0.9}}, seen);
};

TEST_F(TranslationRunTest, TranslatesAnInstalledPairLineByLine) {
    // Before loading, detection may answer with any of the known codes.
    EXPECT_EQ(TranslationRun::detectionLanguages(languages),
              LanguageDefaults::knownLanguageCodes());

    const Recording r = translate(QStringLiteral("  Hallo\n\n\tWelt, wie geht's?  \n"));

    EXPECT_EQ(r.events, QStringList({"decided", "finished"}));
    const TranslationRun::Decision expected{"Hallo\n\n\tWelt, wie geht's?", false, "de", "de",
                                            "en"};
    EXPECT_EQ(r.decisions.first(), expected);
    EXPECT_EQ(engine.session->batches,
              QList<QList<TranslationRequest>>({{{"Hallo", "0"}, {"Welt, wie geht's?", "1"}}}));
    EXPECT_EQ(r.outcome().result, QStringLiteral("HALLO\n\n\tWELT, WIE GEHT'S?"));

    // The languages are loaded while there are none, and only then.
    EXPECT_EQ(TranslationRun::detectionLanguages(languages), QSet<QString>({"en", "es", "de"}));
    translate(QStringLiteral("Hallo Welt"));
    EXPECT_EQ(engine.languageCalls, 1);
}

TEST_F(TranslationRunTest, RunsThatCannotTranslateSayWhyWithTheDecidedCodes) {
    using enum PairStatus;
    using Phase = TranslationPhase;
    const Phase noEngine = Phase::failed(TranslationRun::noEngineMessage());
    // The source is detected unless given; `asks`: whether the engine is asked for the pair.
    // clang-format off
    const struct { const char* title; bool hasLanguages; PairStatus status; const char* from; bool fails; Phase expected; bool asks; } cases[] = {
        {"noLanguages", false, installed, nullptr, false, noEngine, false},
        {"noVariants", true, installed, "fr", false, Phase::unsupported("fr", "en"), false},
        {"download", true, supported, nullptr, false, Phase::needsDownload("de", "en"), true},
        {"unsupported", true, unsupported, nullptr, false, Phase::unsupported("de", "en"), true},
        {"engineFails", true, installed, nullptr, true, Phase::failed("The translator stopped."), true},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        ScriptedEngine engine;
        if (c.hasLanguages)
            engine.languages = {enUS, es, de};
        engine.setStatus("de", "en-US", c.status);
        engine.session->answer = c.fails ? stopped : upperCased;
        LanguageService languages(engine, preferringEnUS());
        TranslationRun run(engine, languages, recognizers);
        std::optional<TranslationRun::Outcome> outcome;
        QObject::connect(&run, &TranslationRun::finished,
                         [&outcome](const auto& o) { outcome = o; });
        run.start(
            input(QStringLiteral("Hallo Welt"),
                  c.from ? LangChoice::fixed(QString::fromUtf8(c.from)) : LangChoice::automatic()));
        pumpUntil([&run] { return run.isFinished(); });

        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->phase, c.expected);
        EXPECT_EQ(engine.statusCalls.isEmpty(), !c.asks);
        EXPECT_EQ(engine.openedSessions.isEmpty(), !c.asks || c.status != installed);
    }
}

TEST_F(TranslationRunTest, APairThatVanishedFailsAndIsAskedAfreshNextTime) {
    translate(QStringLiteral("Hallo Welt"));
    engine.sessionAvailable = false;

    const Recording r = translate(QStringLiteral("Hallo Welt"));
    EXPECT_EQ(engine.statusCalls.size(), 1); // answered from the cache
    EXPECT_EQ(r.outcome().phase.kind, TranslationPhase::Kind::failed);

    engine.setStatus("de", "en-US", PairStatus::supported);
    const Recording again = translate(QStringLiteral("Hallo Welt"));
    EXPECT_EQ(again.outcome().phase.kind, TranslationPhase::Kind::needsDownload);
}

TEST(TranslationRunParsing, IdentifiersAreDecimalPositionsWithAnOptionalSign) {
    const std::pair<const char*, qsizetype> valid[] = {
        {"12", 12}, {"+1", 1}, {"-0", 0}, {"-3", -3}, {"007", 7}};
    for (const auto& [text, value] : valid)
        EXPECT_EQ(TranslationRun::parseIdentifier(QString::fromUtf8(text)), value) << text;
    EXPECT_EQ(TranslationRun::parseIdentifier(std::nullopt), std::nullopt);
    for (const QString& text : QStringList{"", "+", "+-1", " 1", "1 ", "1.0", "0x1",
                                           QString::fromUtf8("١"), "99999999999999999999999"})
        EXPECT_EQ(TranslationRun::parseIdentifier(text), std::nullopt) << text.toStdString();
}

TEST(TranslationRunParsing, AssembleMapsResponsesToTheirPositions) {
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

TEST_F(TranslationRunTest, ACancelledOrDeletedRunDeliversNothing) {
    {
        // Cancelled while the languages load: nothing more is asked.
        Recording r;
        const auto run = start(input(QStringLiteral("Hallo Welt")), r);
        run->cancel();
        pumpAll();
        EXPECT_TRUE(engine.statusCalls.isEmpty());
    }
    engine.session->answer = nullptr;
    for (const bool deleted : {false, true}) {
        SCOPED_TRACE(deleted ? "deleted" : "cancelled");
        Recording r;
        auto run = start(input(QStringLiteral("Hallo Welt")), r);
        pumpUntil([this] { return !engine.session->batches.isEmpty(); });
        ASSERT_FALSE(engine.session->batches.isEmpty());
        if (deleted) {
            run.reset();
        } else {
            run->cancel();
            EXPECT_EQ(engine.session->cancels, 1);
        }
        engine.session->finishPending(upperCased(engine.session->batches.takeFirst()));
        pumpAll();
        EXPECT_EQ(r.events, QStringList({"decided"}));
    }
}

TEST(TranslationRunCut, CutsByCharactersAfterTrimming) {
    const QString accentedE = QString::fromUtf8("e\u0301"); // two code units, one character
    // clang-format off
    const struct { const char* title; QString text; qsizetype body, sample; bool truncated; } cases[] = {
        {"blank", QStringLiteral(" \n\t "), 0, 0, false},
        {"exactlyTheCap", accentedE.repeated(20000), 20000, 2000, false},
        {"capAfterTrimming", QStringLiteral("\n ") + accentedE.repeated(20000) + "  ", 20000, 2000, false},
        {"flagsOverTheCap", QString::fromUtf8("\U0001F1E9\U0001F1EA").repeated(20001), 20000, 2000, true},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const TranslationRun::Cut cut = TranslationRun::cut(c.text);
        EXPECT_EQ(Graphemes::count(cut.body), c.body);
        EXPECT_EQ(Graphemes::count(cut.sample), c.sample);
        EXPECT_EQ(cut.truncated, c.truncated);
        EXPECT_TRUE(c.text.trimmed().startsWith(cut.body));
        EXPECT_TRUE(cut.body.startsWith(cut.sample));
    }
}

} // namespace
