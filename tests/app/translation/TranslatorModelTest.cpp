#include "app/translation/TranslatorModel.h"

#include "app/translation/TranslationRun.h"
#include "core/LanguageDefaults.h"
#include "tests/app/dictionary/FakeDictionarySource.h"
#include "tests/app/translation/ScriptedEngine.h"
#include "tests/support/HistoryEntryPrint.h"
#include "tests/support/ManualClock.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using testing::IsEmpty;
using testing::SizeIs;

// Text made of `count` user-perceived characters, each two code units long, with spaces.
QString graphemes(qsizetype count) {
    QString text;
    for (qsizetype i = 0; i < count; ++i)
        text += i % 8 == 7 ? u" "_s : u"e\u0301"_s;
    return text;
}

// The engine knows English, Spanish and German, has German-English installed and answers in
// capitals; detection always finds German.
class EngineTest : public testing::Test {
protected:
    EngineTest() {
        engine.languages = {enUS, es, de};
        engine.setStatus("de", "en-US", PairStatus::installed);
        engine.session->answer = upperCased;
    }

    ScriptedEngine engine;
    LanguageService languages{engine, preferringEnUS()};
    std::shared_ptr<QString> seen = std::make_shared<QString>();
    LanguageRecognizerFactory recognizers = recognizing({{"de", 0.9}}, seen);
};

class TranslatorModelTest : public EngineTest {
protected:
    TranslatorModelTest() {
        source->add(u"fd-deu-eng"_s, u"German-English"_s, {{u"Haus"_s, u"house; home"_s}});
        source->active = {u"fd-deu-eng"_s};
        settings.setMyLanguage(u"en"_s);
        settings.setSecondLanguage(u"es"_s);

        model = std::make_unique<TranslatorModel>(TranslatorModel::Services{
            &settings, &languages, &engine, recognizers, &dictionaryService, &speech, clock});
        model->setHistory(&history);
    }

    // Look-ups answer from their own thread.
    void settle() {
        waitUntil([this] { return model->phase().kind != TranslationPhase::Kind::working; });
        pumpAll();
    }

    void translate(const QString& text) {
        model->setText(text);
        settle();
    }

    qint64 counted() const { return store.integer(AppSettings::successfulTranslationsKey); }

    QTemporaryDir dir;
    std::shared_ptr<FakeDictionarySource> source = std::make_shared<FakeDictionarySource>();
    DictionaryService dictionaryService{source};
    SpeechService speech{nullptr}; // says why it cannot speak
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    DefaultsStore store{u"com.korvane.verdolin"_s, dir.path()};
    AppSettings settings{store, QStringList{u"en-US"_s}, QStringList{}};
    HistoryModel history{dir.filePath(u"Verdolin/history.json"_s)};
    std::unique_ptr<TranslatorModel> model;
};

TEST_F(TranslatorModelTest, TypingWaitsForAPauseAndEachKeystrokeStartsTheWaitAgain) {
    model->setInput(u"Hau"_s);
    EXPECT_EQ(model->phase(), TranslationPhase::working());
    EXPECT_EQ(model->detectedCode(), u"de"_s);
    clock->advance(340ms);
    pumpAll();
    model->setInput(u"Haus Maus"_s);
    clock->advance(340ms);
    pumpAll();
    EXPECT_THAT(engine.session->batches, IsEmpty());

    clock->advance(10ms);
    settle();
    EXPECT_THAT(engine.session->batches, SizeIs(1));
    EXPECT_EQ(model->result(), u"HAUS MAUS"_s);
    EXPECT_EQ(clock->waiting(), 1); // only the history record
}

// A result that came through a third language says so, and only while it stands.
TEST_F(TranslatorModelTest, AChainedResultNamesTheLanguageItWentThrough) {
    translate(u"Hallo"_s);
    EXPECT_EQ(model->via(), QString());
    engine.intermediates.insert(u"de>en-US"_s, es);
    languages.invalidate();
    translate(u"Hallo Welt"_s);
    EXPECT_EQ(model->result(), u"HALLO WELT"_s);
    EXPECT_EQ(model->via(), u"via es"_s);
    model->clear();
    EXPECT_EQ(model->via(), QString());
}

TEST_F(TranslatorModelTest, SetTextTranslatesAtOnceEvenWhenTheTextIsUnchanged) {
    model->setNotice(Notice::nothingSelected);
    translate(u"Hallo"_s);
    EXPECT_FALSE(model->notice());
    translate(u"Hallo"_s);
    EXPECT_EQ(engine.session->batches.size(), 2);
    EXPECT_EQ(model->focusToken(), 2);
}

TEST_F(TranslatorModelTest, LateAnswersOfReplacedOrClearedRunsAreNeverPublished) {
    ScriptedSession& held = *engine.session;
    held.answer = nullptr;
    const auto answer = [&held](qsizetype batch) {
        held.finishPending(upperCased(held.batches.at(batch)), batch);
    };
    model->setText(u"erste"_s);
    pumpAll();
    model->setText(u"zweite"_s);
    pumpAll();
    ASSERT_EQ(held.batches.size(), 2);
    EXPECT_EQ(held.cancels, 1);
    answer(0);
    pumpAll();
    EXPECT_EQ(model->phase(), TranslationPhase::working());
    EXPECT_EQ(model->result(), QString());
    answer(1);
    settle();
    EXPECT_EQ(model->result(), u"ZWEITE"_s);

    model->setText(u"dritte"_s);
    pumpAll();
    model->clear();
    answer(2);
    pumpAll();
    EXPECT_EQ(model->phase(), TranslationPhase::idle());
    EXPECT_EQ(model->result(), QString());
    EXPECT_FALSE(model->detectedCode());
    // Clearing keeps the record that was already waiting.
    clock->advance(2s);
    ASSERT_THAT(history.entries(), SizeIs(1));
    EXPECT_EQ(history.entries().first().source, u"zweite"_s);
}

TEST_F(TranslatorModelTest, OnlyATranslationThatStaysTwoSecondsIsRecordedAndCounted) {
    const qint64 before = counted();
    translate(u"  erste  "_s);
    clock->advance(1900ms);
    translate(u"zweite"_s);
    clock->advance(1900ms);
    EXPECT_THAT(history.entries(), IsEmpty());
    EXPECT_EQ(counted(), before);

    clock->advance(100ms);
    ASSERT_THAT(history.entries(), SizeIs(1));
    const HistoryEntry& entry = history.entries().first();
    EXPECT_EQ(QStringList({entry.source, entry.result, entry.from, entry.to}),
              QStringList({"zweite", "ZWEITE", "de", "en"}));
    EXPECT_EQ(counted(), before + 1);

    // Committing records the waiting translation at once, and once.
    model->commitPendingHistory();
    translate(u"dritte"_s);
    model->commitPendingHistory();
    EXPECT_FALSE(model->hasPendingHistory());
    clock->advance(5s);
    EXPECT_THAT(history.entries(), SizeIs(2));

    // Without saving history a translation is still counted.
    settings.setSaveHistory(false);
    translate(u"vierte"_s);
    clock->advance(2s);
    EXPECT_THAT(history.entries(), SizeIs(2));
    EXPECT_EQ(counted(), before + 3);
}

TEST_F(TranslatorModelTest, CutsCountUserPerceivedCharacters) {
    model->setInput(u"\n "_s + graphemes(3000));
    EXPECT_EQ(*seen, graphemes(1998).trimmed()); // typing detects on 2,000 characters

    model->setText(graphemes(50000));
    EXPECT_EQ(model->input(), graphemes(40000));

    translate(u"  "_s + graphemes(25000) + u"\n"_s);
    EXPECT_TRUE(model->truncated());
    clock->advance(2s);
    // Cut after trimming: the space that ends the 20,000th character stays.
    ASSERT_THAT(history.entries(), SizeIs(1));
    EXPECT_EQ(history.entries().first().source, graphemes(20000));

    model->clear();
    EXPECT_FALSE(model->truncated());
    translate(graphemes(19999) + u"e\u0301"_s); // exactly the cap
    EXPECT_FALSE(model->truncated());
}

TEST_F(TranslatorModelTest, DefinitionsOnlyForSingleWordsWithDefinitionsOn) {
    translate(u"  „Haus“!  "_s);
    EXPECT_EQ(engine.session->batches.last().first().sourceText, u"Haus"_s);
    ASSERT_THAT(model->entries(), SizeIs(1));
    EXPECT_EQ(model->entries().first().text, u"house; home"_s);
    clock->advance(2s);
    EXPECT_EQ(history.entries().first().source, u"„Haus“!"_s);
    translate(u"Haus Haus"_s);
    EXPECT_THAT(model->entries(), IsEmpty());
    settings.setShowDefinitions(false);
    translate(u"Haus"_s);
    EXPECT_THAT(model->entries(), IsEmpty());
    settings.setShowDefinitions(true);
    settings.setCustomDictionaries(true);
    settings.setDictionaryIDs({});
    translate(u"Haus"_s);
    EXPECT_THAT(model->entries(), IsEmpty());
}

TEST_F(TranslatorModelTest, CopyAndSpeakNeedAResult) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(u"before"_s);
    model->copyResult();
    model->speak();
    EXPECT_EQ(clipboard->text(), u"before"_s);
    EXPECT_TRUE(speech.lastError().isEmpty());
    translate(u"Hallo"_s);
    model->copyResult();
    EXPECT_EQ(clipboard->text(), u"HALLO"_s);
    model->speak();
    EXPECT_FALSE(speech.lastError().isEmpty());
}

// A capture's notices are the delegate's test; here the window hands one over as a number, or
// as nothing; other numbers change nothing.
TEST_F(TranslatorModelTest, TheWindowHandsTheNoticeOverAsANumber) {
    const std::pair<QVariant, std::optional<Notice>> handed[] = {
        {0, Notice::nothingSelected}, {3, Notice::nothingSelected}, {2, Notice::clipboardLost},
        {-1, Notice::clipboardLost},  {QVariant(), std::nullopt},
    };
    for (const auto& [value, notice] : handed) {
        model->setProperty("notice", value);
        EXPECT_EQ(model->notice(), notice) << value.toInt();
    }
}

TranslationBatchResult stopped(const QList<TranslationRequest>&) {
    return TranslationBatchResult::failure(u"The translator stopped."_s);
}

struct Recording {
    QList<TranslationRun::Decision> decisions;
    QList<TranslationRun::Outcome> outcomes;
    QStringList events;
};

class TranslationRunTest : public EngineTest {
protected:
    static TranslationRun::Input input(const QString& text,
                                       LangChoice from = LangChoice::automatic()) {
        return {text, from, LangChoice::automatic(), {u"en"_s, u"es"_s}};
    }

    // Starts a run and records what it publishes, in order.
    std::unique_ptr<TranslationRun> start(const TranslationRun::Input& in, Recording& recording) {
        auto run = std::make_unique<TranslationRun>(engine, languages, recognizers);
        QObject::connect(run.get(), &TranslationRun::decided, [&recording](const auto& decision) {
            recording.decisions.append(decision);
            recording.events.append(u"decided"_s);
        });
        QObject::connect(run.get(), &TranslationRun::finished, [&recording](const auto& outcome) {
            recording.outcomes.append(outcome);
            recording.events.append(u"finished"_s);
        });
        run->start(in);
        return run;
    }

    Recording translate(const QString& text) {
        Recording recording;
        const auto run = start(input(text), recording);
        pumpUntil([&run] { return run->isFinished(); });
        pumpAll();
        return recording;
    }
};

TEST_F(TranslationRunTest, TranslatesAnInstalledPairLineByLine) {
    // Before loading, detection may answer with any of the known codes.
    EXPECT_EQ(TranslationRun::detectionLanguages(languages),
              LanguageDefaults::knownLanguageCodes());

    const Recording r = translate(u"  Hallo\n\n\tWelt, wie geht's?  \n"_s);

    EXPECT_EQ(r.events, QStringList({"decided", "finished"}));
    const TranslationRun::Decision expected{"Hallo\n\n\tWelt, wie geht's?", false, "de", "de",
                                            "en"};
    EXPECT_EQ(r.decisions.first(), expected);
    EXPECT_EQ(engine.session->batches,
              QList<QList<TranslationRequest>>({{{"Hallo", "0"}, {"Welt, wie geht's?", "1"}}}));
    EXPECT_EQ(r.outcomes.first().result, u"HALLO\n\n\tWELT, WIE GEHT'S?"_s);

    // The languages are loaded while there are none, and only then.
    EXPECT_EQ(TranslationRun::detectionLanguages(languages), QSet<QString>({"en", "es", "de"}));
    translate(u"Hallo Welt"_s);
    EXPECT_EQ(engine.languageCalls, 1);
}

TEST_F(TranslationRunTest, RunsThatCannotTranslateSayWhyWithTheDecidedCodes) {
    using enum PairStatus;
    using Phase = TranslationPhase;
    const Phase noEngine = Phase::failed(TranslationRun::noEngineMessage());
    // The source is detected unless given; `asks`: whether the engine is asked for the pair.
    // clang-format off
    const struct { const char* title; bool hasLanguages; PairStatus status; const char* from;
        bool fails; Phase expected; bool asks; } cases[] = {
        {"noLanguages", false, installed, nullptr, false, noEngine, false},
        {"noVariants", true, installed, "fr", false, Phase::unsupported("fr", "en"), false},
        {"download", true, supported, nullptr, false, Phase::needsDownload("de", "en"), true},
        {"unsupported", true, unsupported, nullptr, false, Phase::unsupported("de", "en"), true},
        {"engineFails", true, installed, nullptr, true, Phase::failed("The translator stopped."),
         true},
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
        run.start(input(u"Hallo Welt"_s, c.from ? LangChoice::fixed(QString::fromUtf8(c.from))
                                                : LangChoice::automatic()));
        pumpUntil([&run] { return run.isFinished(); });

        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->phase, c.expected);
        EXPECT_EQ(engine.statusCalls.isEmpty(), !c.asks);
        EXPECT_EQ(engine.openedSessions.isEmpty(), !c.asks || c.status != installed);
    }
}

TEST(TranslationRunParsing, AssembleMapsResponsesToTheirPositions) {
    const std::pair<const char*, qsizetype> valid[] = {
        {"12", 12}, {"+1", 1}, {"-0", 0}, {"-3", -3}, {"007", 7}};
    for (const auto& [text, value] : valid)
        EXPECT_EQ(TranslationRun::parseIdentifier(QString::fromUtf8(text)), value) << text;
    EXPECT_EQ(TranslationRun::parseIdentifier(std::nullopt), std::nullopt);
    for (const QString& text : QStringList{"", "+", "+-1", " 1", "1 ", "1.0", "0x1",
                                           QString::fromUtf8("١"), "99999999999999999999999"})
        EXPECT_EQ(TranslationRun::parseIdentifier(text), std::nullopt) << text.toStdString();

    const QStringList sources = {"a", "b", "c", "d"};
    const QList<TranslationResponse> responses = {
        {u"+1"_s, "B"}, {u"-0"_s, "A"}, {u"junk"_s, "X"},  {std::nullopt, "Y"},
        {u"-1"_s, "Z"}, {u"4"_s, "W"},  {u"2"_s, "first"}, {u"2"_s, "C"},
    };
    // A later answer for a position replaces an earlier one; "d" got none.
    EXPECT_EQ(TranslationRun::assemble(sources, responses), QStringList({"A", "B", "C", "d"}));
    EXPECT_EQ(TranslationRun::assemble(sources, {}), sources);
}

TEST_F(TranslationRunTest, ACancelledOrDeletedRunDeliversNothing) {
    {
        // Cancelled while the languages load: nothing more is asked.
        Recording r;
        const auto run = start(input(u"Hallo Welt"_s), r);
        run->cancel();
        pumpAll();
        EXPECT_TRUE(engine.statusCalls.isEmpty());
    }
    engine.session->answer = nullptr;
    for (const bool deleted : {false, true}) {
        SCOPED_TRACE(deleted ? "deleted" : "cancelled");
        Recording r;
        auto run = start(input(u"Hallo Welt"_s), r);
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

} // namespace
