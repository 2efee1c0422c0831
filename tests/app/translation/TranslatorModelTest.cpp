#include "app/translation/TranslatorModel.h"

#include "tests/app/dictionary/FakeDictionarySource.h"
#include "tests/app/translation/ScriptedEngine.h"
#include "tests/support/HistoryEntryPrint.h"
#include "tests/support/ManualClock.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using testing::IsEmpty;
using testing::SizeIs;

// Text made of `count` user-perceived characters, each two code units long, with spaces.
QString graphemes(qsizetype count) {
    QString text;
    for (qsizetype i = 0; i < count; ++i)
        text += i % 8 == 7 ? QStringLiteral(" ") : QStringLiteral("e\u0301");
    return text;
}

class TranslatorModelTest : public testing::Test {
protected:
    TranslatorModelTest() {
        engine.languages = {enUS, es, de};
        engine.setStatus("de", "en-US", PairStatus::installed);
        engine.setStatus("en-US", "de", PairStatus::installed);
        engine.session->answer = upperCased;
        source->add(QStringLiteral("fd-deu-eng"), QStringLiteral("German-English"),
                    {{QStringLiteral("Haus"), QStringLiteral("house; home")}});
        source->active = {QStringLiteral("fd-deu-eng")};
        settings.setMyLanguage(QStringLiteral("en"));
        settings.setSecondLanguage(QStringLiteral("es"));

        TranslatorModel::Services services;
        services.settings = &settings;
        services.languages = &languages;
        services.engine = &engine;
        services.recognizers = recognizing({{"de", 0.9}}, seen); // always German
        services.dictionaries = &dictionaryService;
        services.speech = &speech;
        services.clock = clock;
        model = std::make_unique<TranslatorModel>(std::move(services));
        model->setHistory(&history);
    }

    // Lets queued work (immediate runs, engine answers, look-ups on their own thread) happen.
    // The short sleep only paces the polling; the wait ends on the event, or at the deadline.
    void settle() {
        QDeadlineTimer limit(10000);
        while (model->phase().kind == TranslationPhase::Kind::working && !limit.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QThread::msleep(1);
        }
        pumpAll();
    }

    void translate(const QString& text) {
        model->setText(text);
        settle();
    }

    qint64 counted() const { return store.integer(AppSettings::successfulTranslationsKey); }

    QTemporaryDir dir;
    ScriptedEngine engine;
    std::shared_ptr<FakeDictionarySource> source = std::make_shared<FakeDictionarySource>();
    DictionaryService dictionaryService{source};
    SpeechService speech{nullptr}; // says why it cannot speak
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<QString> seen = std::make_shared<QString>();
    DefaultsStore store{QStringLiteral("com.korvane.verdolin"), dir.path()};
    AppSettings settings{store, QStringList{QStringLiteral("en-US")}, QStringList{}};
    LanguageService languages{engine, preferringEnUS()};
    HistoryModel history{dir.filePath(QStringLiteral("Verdolin/history.json"))};
    std::unique_ptr<TranslatorModel> model;
};

TEST_F(TranslatorModelTest, TypingWaitsForAPauseAndEachKeystrokeStartsTheWaitAgain) {
    model->setInput(QStringLiteral("Hau"));
    EXPECT_EQ(model->phase(), TranslationPhase::working());
    EXPECT_EQ(model->detectedCode(), QStringLiteral("de"));
    clock->advance(340ms);
    pumpAll();
    model->setInput(QStringLiteral("Haus Maus"));
    clock->advance(340ms);
    pumpAll();
    EXPECT_THAT(engine.session->batches, IsEmpty());

    clock->advance(10ms);
    settle();
    EXPECT_THAT(engine.session->batches, SizeIs(1));
    EXPECT_EQ(model->result(), QStringLiteral("HAUS MAUS"));
    EXPECT_EQ(clock->waiting(), 1); // only the history record
}

TEST_F(TranslatorModelTest, SetTextTranslatesAtOnceEvenWhenTheTextIsUnchanged) {
    model->setNotice(Notice::nothingSelected);
    translate(QStringLiteral("Hallo"));
    EXPECT_FALSE(model->notice());
    translate(QStringLiteral("Hallo"));
    EXPECT_EQ(engine.session->batches.size(), 2);
    EXPECT_EQ(model->focusToken(), 2);
}

TEST_F(TranslatorModelTest, LateAnswersOfReplacedOrClearedRunsAreNeverPublished) {
    ScriptedSession& held = *engine.session;
    held.answer = nullptr;
    const auto answer = [&held](qsizetype batch) {
        held.finishPending(upperCased(held.batches.at(batch)), batch);
    };
    model->setText(QStringLiteral("erste"));
    pumpAll();
    model->setText(QStringLiteral("zweite"));
    pumpAll();
    ASSERT_EQ(held.batches.size(), 2);
    EXPECT_EQ(held.cancels, 1);
    answer(0);
    pumpAll();
    EXPECT_EQ(model->phase(), TranslationPhase::working());
    EXPECT_EQ(model->result(), QString());
    answer(1);
    settle();
    EXPECT_EQ(model->result(), QStringLiteral("ZWEITE"));

    model->setText(QStringLiteral("dritte"));
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
    EXPECT_EQ(history.entries().first().source, QStringLiteral("zweite"));
}

TEST_F(TranslatorModelTest, AFailedRunShowsWhyAndDropsItsLookUp) {
    engine.session->answer = [](const QList<TranslationRequest>&) {
        return TranslationBatchResult::failure(QStringLiteral("The translator stopped."));
    };
    translate(QStringLiteral("Haus"));
    EXPECT_EQ(model->phase(), TranslationPhase::failed(QStringLiteral("The translator stopped.")));
    EXPECT_THAT(model->entries(), IsEmpty());
}

TEST_F(TranslatorModelTest, ADownloadIsOfferedAndTheRetryAsksTheEngineAfresh) {
    engine.setStatus("de", "en-US", PairStatus::supported);
    translate(QStringLiteral("Hallo"));
    EXPECT_EQ(model->phase(), TranslationPhase::needsDownload("de", "en"));
    EXPECT_EQ(model->pendingDownload(), (DownloadRequest{de, enUS}));

    engine.setStatus("de", "en-US", PairStatus::installed);
    model->retryAfterDownload();
    settle();
    EXPECT_EQ(model->result(), QStringLiteral("HALLO"));

    // An installed pair is remembered; a retry still asks again.
    const qsizetype asked = engine.statusCalls.size();
    translate(QStringLiteral("Hallo"));
    EXPECT_EQ(engine.statusCalls.size(), asked);
    model->retryAfterDownload();
    settle();
    EXPECT_EQ(engine.statusCalls.size(), asked + 1);
}

TEST_F(TranslatorModelTest, OnlyATranslationThatStaysTwoSecondsIsRecordedAndCounted) {
    const qint64 before = counted();
    translate(QStringLiteral("  erste  "));
    clock->advance(1900ms);
    translate(QStringLiteral("zweite"));
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
    translate(QStringLiteral("dritte"));
    model->commitPendingHistory();
    EXPECT_FALSE(model->hasPendingHistory());
    clock->advance(5s);
    EXPECT_THAT(history.entries(), SizeIs(2));

    // Without saving history a translation is still counted.
    settings.setSaveHistory(false);
    translate(QStringLiteral("vierte"));
    clock->advance(2s);
    EXPECT_THAT(history.entries(), SizeIs(2));
    EXPECT_EQ(counted(), before + 3);
}

TEST_F(TranslatorModelTest, CutsCountUserPerceivedCharacters) {
    model->setInput(QStringLiteral("\n ") + graphemes(3000));
    EXPECT_EQ(*seen, graphemes(1998).trimmed()); // typing detects on 2,000 characters

    model->setText(graphemes(50000));
    EXPECT_EQ(model->input(), graphemes(40000));

    translate(QStringLiteral("  ") + graphemes(25000) + QStringLiteral("\n"));
    EXPECT_TRUE(model->truncated());
    clock->advance(2s);
    // Cut after trimming: the space that ends the 20,000th character stays.
    ASSERT_THAT(history.entries(), SizeIs(1));
    EXPECT_EQ(history.entries().first().source, graphemes(20000));

    model->clear();
    EXPECT_FALSE(model->truncated());
}

TEST_F(TranslatorModelTest, SwappingTranslatesTheResultBackAfterTheTypingDelay) {
    translate(QStringLiteral("Hallo"));
    const qsizetype batches = engine.session->batches.size();
    model->swapLanguages();
    EXPECT_EQ(model->input(), QStringLiteral("HALLO"));
    pumpAll();
    EXPECT_EQ(engine.session->batches.size(), batches);

    clock->advance(350ms);
    settle();
    EXPECT_EQ(engine.openedSessions.last(), std::make_pair(enUS, de));
    EXPECT_EQ(model->targetCode(), QStringLiteral("de"));
}

TEST_F(TranslatorModelTest, DefinitionsOnlyForSingleWordsWithDefinitionsOn) {
    translate(QStringLiteral("  „Haus“!  "));
    EXPECT_EQ(engine.session->batches.last().first().sourceText, QStringLiteral("Haus"));
    ASSERT_THAT(model->entries(), SizeIs(1));
    EXPECT_EQ(model->entries().first().text, QStringLiteral("house; home"));
    clock->advance(2s);
    EXPECT_EQ(history.entries().first().source, QStringLiteral("„Haus“!"));

    translate(QStringLiteral("Haus Haus"));
    EXPECT_THAT(model->entries(), IsEmpty());
    settings.setShowDefinitions(false);
    translate(QStringLiteral("Haus"));
    EXPECT_THAT(model->entries(), IsEmpty());

    // Chosen dictionaries are used as chosen: none at all finds nothing.
    settings.setShowDefinitions(true);
    settings.setCustomDictionaries(true);
    settings.setDictionaryIDs({});
    translate(QStringLiteral("Haus"));
    EXPECT_THAT(model->entries(), IsEmpty());
}

TEST_F(TranslatorModelTest, CopyAndSpeakNeedAResult) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    model->copyResult();
    model->speak();
    EXPECT_EQ(clipboard->text(), QStringLiteral("before"));
    EXPECT_TRUE(speech.lastError().isEmpty());
    translate(QStringLiteral("Hallo"));
    model->speak();
    EXPECT_FALSE(speech.lastError().isEmpty());
}

TEST_F(TranslatorModelTest, ACaptureResultShowsItsTextOrItsNotice) {
    // clang-format off
    const struct { CaptureResult result; bool lost; QString input; std::optional<Notice> notice; } cases[] = {
        {CaptureResult::captured("Hallo"), false, "Hallo", std::nullopt},
        {CaptureResult::empty(), false, QString(), Notice::nothingSelected},
        {CaptureResult::clipboardBusy(), false, QString(), Notice::clipboardBusy},
        {CaptureResult::captured("Welt"), true, "Welt", Notice::clipboardLost},
        {CaptureResult::empty(), true, QString(), Notice::clipboardLost},
    };
    // clang-format on
    for (auto c : cases) {
        SCOPED_TRACE(c.input.toStdString() + (c.lost ? " lost" : ""));
        model->clear();
        model->setNotice(std::nullopt);
        c.result.clipboardLost = c.lost;
        model->showCaptureResult(c.result);
        EXPECT_EQ(model->input(), c.input);
        EXPECT_EQ(model->notice(), c.notice);
    }
    // The window hands the notice over as a number, or as nothing.
    model->setProperty("notice", 0);
    EXPECT_EQ(model->notice(), Notice::nothingSelected);
    model->setProperty("notice", 3);
    EXPECT_EQ(model->notice(), Notice::nothingSelected);
    model->setProperty("notice", QVariant());
    EXPECT_FALSE(model->notice());
}

} // namespace
