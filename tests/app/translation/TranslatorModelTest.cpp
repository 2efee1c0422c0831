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
using testing::ElementsAre;
using testing::IsEmpty;
using testing::SizeIs;

class RecordingSynthesizer : public SpeechSynthesizer {
public:
    QStringList spoken;
    void speak(const QString& text, const QString& languageCode) override {
        spoken.append(languageCode + QLatin1Char(':') + text);
        emit started();
    }
    void stop() override { emit finished(); }
};

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
    RecordingSynthesizer* synthesizer = new RecordingSynthesizer;
    SpeechService speech{std::unique_ptr<SpeechSynthesizer>(synthesizer)};
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
    ASSERT_THAT(engine.session->batches, SizeIs(1));
    EXPECT_EQ(engine.session->batches.first().first().sourceText, QStringLiteral("Haus Maus"));
    EXPECT_EQ(model->phase(), TranslationPhase::done());
    EXPECT_EQ(model->result(), QStringLiteral("HAUS MAUS"));
    EXPECT_EQ(clock->waiting(), 1); // only the history record
}

TEST_F(TranslatorModelTest, SetTextTranslatesAtOnceEvenWhenTheTextIsUnchanged) {
    model->setNotice(Notice::nothingSelected);
    translate(QStringLiteral("Hallo"));
    EXPECT_FALSE(model->notice());
    EXPECT_EQ(model->result(), QStringLiteral("HALLO"));

    int focusSignals = 0;
    QObject::connect(model.get(), &TranslatorModel::focusTokenChanged,
                     [&focusSignals] { ++focusSignals; });
    model->setText(QStringLiteral("Hallo"));
    EXPECT_EQ(model->phase(), TranslationPhase::working());
    settle();
    EXPECT_EQ(engine.session->batches.size(), 2);
    EXPECT_EQ(model->focusToken(), 2);
    EXPECT_EQ(focusSignals, 1);
}

TEST_F(TranslatorModelTest, TextWithoutWordsShowsNothingAndAsksNoOne) {
    translate(QStringLiteral("Hallo"));
    model->setInput(QStringLiteral("  123 -- !!\n"));
    EXPECT_EQ(model->phase(), TranslationPhase::idle());
    EXPECT_EQ(model->result(), QString());
    clock->advance(1s);
    pumpAll();
    EXPECT_EQ(engine.session->batches.size(), 1);
    // Detection still ran on what was typed; only a run would have cleared it.
    model->setInput(QStringLiteral("   \n  "));
    EXPECT_FALSE(model->detectedCode());
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
    EXPECT_EQ(model->phase(), TranslationPhase::idle());
    EXPECT_EQ(model->focusToken(), 4);
    answer(2);
    pumpAll();
    EXPECT_EQ(model->phase(), TranslationPhase::idle());
    EXPECT_EQ(model->result(), QString());
    EXPECT_FALSE(model->detectedCode());
    // What the cancelled run decided stays; only a new run replaces it.
    EXPECT_EQ(model->sourceCode(), QStringLiteral("de"));
    // Clearing keeps the record that was already waiting.
    EXPECT_EQ(clock->waiting(), 1);
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
    EXPECT_EQ(entry.source, QStringLiteral("zweite"));
    EXPECT_EQ(entry.result, QStringLiteral("ZWEITE"));
    EXPECT_EQ(entry.from, QStringLiteral("de"));
    EXPECT_EQ(entry.to, QStringLiteral("en"));
    EXPECT_EQ(entry.date.time().msec(), 0);
    EXPECT_EQ(counted(), before + 1);

    // Committing records the waiting translation at once, and once.
    model->commitPendingHistory();
    translate(QStringLiteral("dritte"));
    model->commitPendingHistory();
    EXPECT_FALSE(model->hasPendingHistory());
    clock->advance(5s);
    EXPECT_THAT(history.entries(), SizeIs(2));

    // Without saving history a translation is still counted; without a history, nothing breaks.
    settings.setSaveHistory(false);
    translate(QStringLiteral("vierte"));
    clock->advance(2s);
    EXPECT_THAT(history.entries(), SizeIs(2));
    EXPECT_EQ(counted(), before + 3);
    settings.setSaveHistory(true);
    model->setHistory(nullptr);
    translate(QStringLiteral("fünfte"));
    clock->advance(2s);
    EXPECT_THAT(history.entries(), SizeIs(2));
}

TEST_F(TranslatorModelTest, CutsCountUserPerceivedCharacters) {
    model->setInput(QStringLiteral("\n ") + graphemes(3000));
    EXPECT_EQ(*seen, graphemes(1998).trimmed()); // typing detects on 2,000 characters

    model->setText(graphemes(50000));
    EXPECT_EQ(model->input(), graphemes(40000));

    translate(QStringLiteral("  ") + graphemes(25000) + QStringLiteral("\n"));
    EXPECT_TRUE(model->truncated());
    EXPECT_EQ(engine.session->batches.last().first().sourceText, graphemes(20000).trimmed());
    EXPECT_EQ(*seen, graphemes(2000).trimmed());
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

    // Choosing the same language again starts no run.
    const qsizetype now = engine.session->batches.size();
    model->setToChoice(LangChoice::fixed(QStringLiteral("de")));
    EXPECT_EQ(model->phase(), TranslationPhase::done());
    pumpAll();
    EXPECT_EQ(engine.session->batches.size(), now);
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
    settings.setDictionaryIDs({QStringLiteral("fd-deu-eng")});
    translate(QStringLiteral("Haus"));
    EXPECT_THAT(model->entries(), SizeIs(1));
}

TEST_F(TranslatorModelTest, CopyAndSpeakNeedAResult) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    model->copyResult();
    model->speak();
    EXPECT_EQ(clipboard->text(), QStringLiteral("before"));
    EXPECT_THAT(synthesizer->spoken, IsEmpty());

    translate(QStringLiteral("Hallo"));
    model->copyResult();
    EXPECT_EQ(clipboard->text(), QStringLiteral("HALLO"));
    model->speak();
    EXPECT_THAT(synthesizer->spoken, ElementsAre(QStringLiteral("en:HALLO")));
    EXPECT_TRUE(speech.isSpeaking());
    model->speak();
    EXPECT_FALSE(speech.isSpeaking());
}

TEST_F(TranslatorModelTest, ACaptureResultShowsItsTextOrItsNotice) {
    const auto lost = [](CaptureResult result) {
        result.clipboardLost = true;
        return result;
    };
    const struct {
        CaptureResult result;
        QString input;
        std::optional<Notice> notice;
    } cases[] = {
        {CaptureResult::captured(QStringLiteral("Hallo")), QStringLiteral("Hallo"), std::nullopt},
        {CaptureResult::empty(), QString(), Notice::nothingSelected},
        {CaptureResult::clipboardBusy(), QString(), Notice::clipboardBusy},
        {lost(CaptureResult::captured(QStringLiteral("Welt"))), QStringLiteral("Welt"),
         Notice::clipboardLost},
        {lost(CaptureResult::empty()), QString(), Notice::clipboardLost},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result.text.toStdString() + (c.result.clipboardLost ? " lost" : ""));
        model->clear();
        model->setNotice(std::nullopt);
        model->showCaptureResult(c.result);
        EXPECT_EQ(model->input(), c.input);
        EXPECT_EQ(model->notice(), c.notice);
    }
    EXPECT_EQ(model->property("noticeText").toString(),
              QStringLiteral("Your clipboard could not be put back after copying the selection."));

    // Only an input change clears the notice; the property takes a number or nothing.
    model->setInput(QStringLiteral("Welt"));
    model->setNotice(Notice::clipboardBusy);
    model->setInput(QStringLiteral("Welt"));
    model->setFromChoice(LangChoice::fixed(QStringLiteral("de")));
    EXPECT_EQ(model->notice(), Notice::clipboardBusy);
    model->setInput(QStringLiteral("Hallo Welt"));
    EXPECT_FALSE(model->notice());
    model->setProperty("notice", 0);
    EXPECT_EQ(model->notice(), Notice::nothingSelected);
    model->setProperty("notice", QVariant());
    EXPECT_FALSE(model->notice());
}

} // namespace

int main(int argc, char** argv) {
    // The clipboard stays in the process; the X selection is checked with a server of its own
    // in TranslatorModelClipboardTest.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
