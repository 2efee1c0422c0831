#include "app/TranslatorModel.h"

#include "tests/app/FakeDictionarySource.h"
#include "tests/app/ScriptedEngine.h"
#include "tests/support/HistoryEntryPrint.h"
#include "tests/support/ManualClock.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

inline void PrintTo(const TranslationPhase& phase, std::ostream* out) {
    static const char* const kinds[] = {"idle",   "working",       "done",
                                        "failed", "needsDownload", "unsupported"};
    *out << kinds[static_cast<int>(phase.kind)] << '(' << phase.message.toStdString()
         << phase.source.toStdString() << ',' << phase.target.toStdString() << ')';
}

inline void PrintTo(const DownloadRequest& request, std::ostream* out) {
    *out << request.source.identifier.toStdString() << '>'
         << request.target.identifier.toStdString();
}

namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::IsEmpty;

const EngineLanguage enUS = engineLanguage("en-US", "en", "en-Latn-US");
const EngineLanguage es = engineLanguage("es", "es", "es-Latn-ES");
const EngineLanguage de = engineLanguage("de", "de", "de-Latn-DE");

// Keeps every batch waiting until the test answers it, so that answers can come late and out
// of order.
class HeldSession : public TranslationSession {
public:
    QList<QList<TranslationRequest>> batches;
    int cancels = 0;

    QFuture<TranslationBatchResult>
    translations(const QList<TranslationRequest>& requests) override {
        batches.append(requests);
        auto promise = std::make_shared<QPromise<TranslationBatchResult>>();
        promise->start();
        m_pending.append(promise);
        return promise->future();
    }
    void cancel() override { ++cancels; }

    void answer(qsizetype batch, const TranslationBatchResult& result) {
        m_pending.at(batch)->addResult(result);
        m_pending.at(batch)->finish();
    }

private:
    QList<std::shared_ptr<QPromise<TranslationBatchResult>>> m_pending;
};

// The scripted engine, with the option of sessions whose batches wait.
class TestEngine : public ScriptedEngine {
public:
    std::shared_ptr<HeldSession> held;

    std::shared_ptr<TranslationSession> openSession(const EngineLanguage& source,
                                                    const EngineLanguage& target) override {
        if (!held)
            return ScriptedEngine::openSession(source, target);
        openedSessions.append({source, target});
        return held;
    }
};

class RecordingSynthesizer : public SpeechSynthesizer {
public:
    QStringList spoken;
    void speak(const QString& text, const QString& languageCode) override {
        spoken.append(languageCode + QLatin1Char(':') + text);
        emit started();
    }
    void stop() override { emit finished(); }
};

class TranslatorModelTest : public testing::Test {
protected:
    TranslatorModelTest() {
        engine.languages = {enUS, es, de};
        engine.setStatus("de", "en-US", PairStatus::installed);
        engine.setStatus("en-US", "de", PairStatus::installed);
        engine.session->answer = upperCased;
        dictionaries.add(QStringLiteral("fd-deu-eng"), QStringLiteral("German-English"),
                         {{QStringLiteral("Haus"), QStringLiteral("house; home")}});
        dictionaries.active = {QStringLiteral("fd-deu-eng")};

        store = std::make_unique<DefaultsStore>(QStringLiteral("com.korvane.verdolin"), dir.path());
        settings = std::make_unique<AppSettings>(*store, QStringList{QStringLiteral("en-US")},
                                                 QStringList{});
        settings->setMyLanguage(QStringLiteral("en"));
        settings->setSecondLanguage(QStringLiteral("es"));

        LanguageService::Setup setup;
        setup.preferredLanguages = {QStringLiteral("en-US")};
        languages = std::make_unique<LanguageService>(engine, setup);

        TranslatorModel::Services services;
        services.settings = settings.get();
        services.languages = languages.get();
        services.engine = &engine;
        // Detection always finds German.
        services.recognizers = recognizing({{"de", 0.9}}, seen);
        services.dictionaries = &dictionaryService;
        services.speech = &speech;
        services.clock = clock;
        model = std::make_unique<TranslatorModel>(std::move(services));
        model->setHistory(&history);
    }

    // Lets queued work (immediate runs, engine answers, look-ups on their own thread) happen.
    void settle() {
        QDeadlineTimer limit(10000);
        while (model->phase().kind == TranslationPhase::Kind::working && !limit.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QThread::msleep(1);
        }
        pumpAll();
    }

    qint64 counted() const { return store->integer(AppSettings::successfulTranslationsKey); }

    QTemporaryDir dir;
    TestEngine engine;
    std::shared_ptr<FakeDictionarySource> source = std::make_shared<FakeDictionarySource>();
    FakeDictionarySource& dictionaries = *source;
    DictionaryService dictionaryService{source};
    RecordingSynthesizer* synthesizer = new RecordingSynthesizer;
    SpeechService speech{std::unique_ptr<SpeechSynthesizer>(synthesizer)};
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<QString> seen = std::make_shared<QString>();
    std::unique_ptr<DefaultsStore> store;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<LanguageService> languages;
    HistoryModel history{dir.filePath(QStringLiteral("Verdolin/history.json"))};
    std::unique_ptr<TranslatorModel> model;
};

TEST_F(TranslatorModelTest, StartsEmptyAndIdle) {
    EXPECT_EQ(model->phase(), TranslationPhase::idle());
    EXPECT_EQ(model->input(), QString());
    EXPECT_TRUE(model->fromChoice().isAutomatic());
    EXPECT_TRUE(model->toChoice().isAutomatic());
    EXPECT_FALSE(model->detectedCode());
    EXPECT_FALSE(model->pendingDownload());
    EXPECT_EQ(model->focusToken(), 0);
}

TEST_F(TranslatorModelTest, TypingWaitsForAPauseAndEachKeystrokeStartsTheWaitAgain) {
    model->setInput(QStringLiteral("Hau"));
    EXPECT_EQ(model->phase(), TranslationPhase::working());
    EXPECT_EQ(model->detectedCode(), QStringLiteral("de"));
    pumpAll();
    clock->advance(340ms);
    pumpAll();
    EXPECT_THAT(engine.session->batches, IsEmpty());

    model->setInput(QStringLiteral("Haus Maus"));
    clock->advance(340ms);
    pumpAll();
    EXPECT_THAT(engine.session->batches, IsEmpty());

    clock->advance(10ms);
    settle();
    ASSERT_EQ(engine.session->batches.size(), 1);
    EXPECT_EQ(engine.session->batches.first().first().sourceText, QStringLiteral("Haus Maus"));
    EXPECT_EQ(model->phase(), TranslationPhase::done());
    EXPECT_EQ(model->result(), QStringLiteral("HAUS MAUS"));
    EXPECT_EQ(model->sourceCode(), QStringLiteral("de"));
    EXPECT_EQ(model->targetCode(), QStringLiteral("en"));
    EXPECT_EQ(clock->waiting(), 1); // only the history record
}

TEST_F(TranslatorModelTest, SetTextTranslatesAtOnceEvenWhenTheTextIsUnchanged) {
    model->setNotice(Notice::nothingSelected);
    model->setText(QStringLiteral("Hallo"));
    EXPECT_FALSE(model->notice());
    EXPECT_EQ(model->focusToken(), 1);
    settle();
    EXPECT_EQ(model->result(), QStringLiteral("HALLO"));

    int focusSignals = 0;
    QObject::connect(model.get(), &TranslatorModel::focusTokenChanged,
                     [&focusSignals] { ++focusSignals; });
    model->setText(QStringLiteral("Hallo"));
    EXPECT_EQ(model->phase(), TranslationPhase::working());
    settle();
    EXPECT_EQ(engine.session->batches.size(), 2); // no typing delay needed
    EXPECT_EQ(model->focusToken(), 2);
    EXPECT_EQ(focusSignals, 1);
}

TEST_F(TranslatorModelTest, TextWithoutWordsShowsNothingAndAsksNoOne) {
    model->setText(QStringLiteral("Hallo"));
    settle();
    ASSERT_EQ(model->phase(), TranslationPhase::done());

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

TEST_F(TranslatorModelTest, AStaleAnswerThatArrivesAfterANewerRunStartedIsNeverPublished) {
    engine.held = std::make_shared<HeldSession>();
    model->setText(QStringLiteral("erste"));
    pumpAll();
    model->setText(QStringLiteral("zweite"));
    pumpAll();
    ASSERT_EQ(engine.held->batches.size(), 2);
    EXPECT_EQ(engine.held->cancels, 1);

    engine.held->answer(0, upperCased(engine.held->batches.at(0)));
    pumpAll();
    EXPECT_EQ(model->phase(), TranslationPhase::working());
    EXPECT_EQ(model->result(), QString());

    engine.held->answer(1, upperCased(engine.held->batches.at(1)));
    settle();
    EXPECT_EQ(model->result(), QStringLiteral("ZWEITE"));
    clock->advance(2s);
    EXPECT_THAT(history.entries(), testing::SizeIs(1));
}

TEST_F(TranslatorModelTest, ClearingWhileTheEngineWorksLeavesNothingBehind) {
    engine.held = std::make_shared<HeldSession>();
    model->setText(QStringLiteral("Hallo"));
    pumpAll();
    ASSERT_EQ(engine.held->batches.size(), 1);
    model->clear();
    EXPECT_EQ(model->phase(), TranslationPhase::idle());
    EXPECT_EQ(model->focusToken(), 2);

    engine.held->answer(0, upperCased(engine.held->batches.at(0)));
    pumpAll();
    EXPECT_EQ(model->phase(), TranslationPhase::idle());
    EXPECT_EQ(model->result(), QString());
    EXPECT_FALSE(model->detectedCode());
    // What the cancelled run decided stays; only a new run replaces it.
    EXPECT_EQ(model->sourceCode(), QStringLiteral("de"));
    EXPECT_EQ(clock->waiting(), 0);
}

TEST_F(TranslatorModelTest, AnEngineFailureShowsItsMessageAndDropsTheLookUp) {
    model->setText(QStringLiteral("Hallo Welt"));
    settle();
    ASSERT_EQ(model->phase(), TranslationPhase::done());

    engine.session->answer = [](const QList<TranslationRequest>&) {
        TranslationBatchResult failed;
        failed.error = QStringLiteral("The translator stopped.");
        return failed;
    };
    model->setText(QStringLiteral("Haus"));
    settle();
    EXPECT_EQ(model->phase(), TranslationPhase::failed(QStringLiteral("The translator stopped.")));
    EXPECT_EQ(model->result(), QString());
    EXPECT_THAT(model->entries(), IsEmpty());
}

TEST_F(TranslatorModelTest, PairsTheEngineCannotTranslateSaySoWithTheDecidedCodes) {
    // Japanese has no engine variant at all; Spanish is there but its pair is not.
    model->setToChoice(LangChoice::fixed(QStringLiteral("ja")));
    model->setText(QStringLiteral("Hallo"));
    settle();
    EXPECT_EQ(model->phase(), TranslationPhase::unsupported("de", "ja"));

    model->setToChoice(LangChoice::fixed(QStringLiteral("es")));
    settle();
    EXPECT_EQ(model->phase(), TranslationPhase::unsupported("de", "es"));
    EXPECT_FALSE(model->pendingDownload());
}

TEST_F(TranslatorModelTest, AnEngineWithoutLanguagesFails) {
    engine.languages.clear();
    model->setText(QStringLiteral("Hallo"));
    settle();
    EXPECT_EQ(model->phase(), TranslationPhase::failed(TranslationRun::noEngineMessage()));
    EXPECT_THAT(TranslationRun::noEngineMessage().toStdString(),
                testing::HasSubstr("on this computer"));
}

TEST_F(TranslatorModelTest, ADownloadIsOfferedAndTheRetryAsksTheEngineAfresh) {
    engine.setStatus("de", "en-US", PairStatus::supported);
    model->setText(QStringLiteral("Hallo"));
    settle();
    EXPECT_EQ(model->phase(), TranslationPhase::needsDownload("de", "en"));
    EXPECT_EQ(model->pendingDownload(), (DownloadRequest{de, enUS}));
    EXPECT_FALSE(model->downloadRequest());

    // The screen hands the request over and clears it again.
    model->setDownloadRequest(model->pendingDownload());
    EXPECT_EQ(model->downloadRequest(), (DownloadRequest{de, enUS}));
    model->setDownloadRequest(std::nullopt);

    engine.setStatus("de", "en-US", PairStatus::installed);
    model->retryAfterDownload();
    settle();
    EXPECT_EQ(model->result(), QStringLiteral("HALLO"));

    // An installed pair is remembered; a retry still asks again.
    const qsizetype asked = engine.statusCalls.size();
    model->setText(QStringLiteral("Hallo"));
    settle();
    EXPECT_EQ(engine.statusCalls.size(), asked);
    model->retryAfterDownload();
    settle();
    EXPECT_EQ(engine.statusCalls.size(), asked + 1);
}

TEST_F(TranslatorModelTest, LinesWithoutAnAnswerStayUntranslatedInPlace) {
    engine.session->answer = [](const QList<TranslationRequest>& requests) {
        TranslationBatchResult result = upperCased(requests);
        result.responses.removeLast();
        result.responses.first().clientIdentifier = std::nullopt;
        return result;
    };
    model->setText(QStringLiteral("eins\n\n  zwei\ndrei\n"));
    settle();
    EXPECT_EQ(model->phase(), TranslationPhase::done());
    EXPECT_EQ(model->result(), QStringLiteral("eins\n\n  ZWEI\ndrei"));
}

TEST_F(TranslatorModelTest, OnlyATranslationThatStaysTwoSecondsIsRecordedAndCounted) {
    const qint64 before = counted();
    model->setText(QStringLiteral("  erste  "));
    settle();
    clock->advance(1900ms);
    model->setText(QStringLiteral("zweite"));
    settle();
    clock->advance(1900ms);
    EXPECT_THAT(history.entries(), IsEmpty());
    EXPECT_EQ(counted(), before);

    clock->advance(100ms);
    ASSERT_EQ(history.entries().size(), 1);
    const HistoryEntry& entry = history.entries().first();
    EXPECT_EQ(entry.source, QStringLiteral("zweite"));
    EXPECT_EQ(entry.result, QStringLiteral("ZWEITE"));
    EXPECT_EQ(entry.from, QStringLiteral("de"));
    EXPECT_EQ(entry.to, QStringLiteral("en"));
    EXPECT_EQ(entry.date.time().msec(), 0);
    EXPECT_EQ(counted(), before + 1);

    // The file is written and a fresh model reads it back.
    history.store().flush();
    HistoryModel reread(dir.filePath(QStringLiteral("Verdolin/history.json")));
    EXPECT_EQ(reread.entries(), history.entries());
}

TEST_F(TranslatorModelTest, ClearingKeepsTheRecordThatIsAlreadyWaiting) {
    model->setText(QStringLiteral("Hallo"));
    settle();
    model->clear();
    clock->advance(2s);
    EXPECT_THAT(history.entries(), testing::SizeIs(1));
}

TEST_F(TranslatorModelTest, WithoutSavingHistoryTheTranslationIsStillCounted) {
    settings->setSaveHistory(false);
    const qint64 before = counted();
    model->setText(QStringLiteral("Hallo"));
    settle();
    clock->advance(2s);
    EXPECT_THAT(history.entries(), IsEmpty());
    EXPECT_EQ(counted(), before + 1);

    settings->setSaveHistory(true);
    model->setHistory(nullptr);
    model->setText(QStringLiteral("Welt"));
    settle();
    clock->advance(2s);
    EXPECT_THAT(history.entries(), IsEmpty());
}

TEST_F(TranslatorModelTest, CommittingRecordsTheWaitingTranslationOnce) {
    model->commitPendingHistory();
    EXPECT_THAT(history.entries(), IsEmpty());
    model->setText(QStringLiteral("Hallo"));
    settle();
    EXPECT_TRUE(model->hasPendingHistory());
    model->commitPendingHistory();
    EXPECT_FALSE(model->hasPendingHistory());
    clock->advance(5s);
    EXPECT_THAT(history.entries(), testing::SizeIs(1));
}

// Text made of `count` user-perceived characters, each two code units long, with spaces.
QString graphemes(qsizetype count) {
    QString text;
    text.reserve(count * 2);
    for (qsizetype i = 0; i < count; ++i)
        text += i % 8 == 7 ? QStringLiteral(" ") : QStringLiteral("e\u0301");
    return text;
}

TEST_F(TranslatorModelTest, CutsCountUserPerceivedCharacters) {
    model->setText(graphemes(50000));
    EXPECT_EQ(model->input(), graphemes(40000));

    model->setText(QStringLiteral("  ") + graphemes(25000) + QStringLiteral("\n"));
    settle();
    EXPECT_TRUE(model->truncated());
    EXPECT_EQ(engine.session->batches.last().first().sourceText, graphemes(20000).trimmed());
    EXPECT_EQ(*seen, graphemes(2000).trimmed());
    clock->advance(2s);
    // Cut after trimming: the space that ends the 20,000th character stays.
    ASSERT_THAT(history.entries(), testing::SizeIs(1));
    EXPECT_EQ(history.entries().first().source, graphemes(20000));

    model->setText(graphemes(19999) + QStringLiteral("x"));
    settle();
    EXPECT_FALSE(model->truncated());

    model->setText(graphemes(20001));
    settle();
    EXPECT_TRUE(model->truncated());
    model->clear();
    EXPECT_FALSE(model->truncated());
}

TEST_F(TranslatorModelTest, TypingDetectsOnlyTheFirstTwoThousandCharacters) {
    model->setInput(QStringLiteral("\n ") + graphemes(3000));
    EXPECT_EQ(*seen, graphemes(1998).trimmed());
}

TEST_F(TranslatorModelTest, SwappingTranslatesTheResultBackAfterTheTypingDelay) {
    model->swapLanguages();
    EXPECT_EQ(model->phase(), TranslationPhase::idle());
    EXPECT_TRUE(model->fromChoice().isAutomatic());

    model->setText(QStringLiteral("Hallo"));
    settle();
    ASSERT_EQ(model->result(), QStringLiteral("HALLO"));
    const qsizetype batches = engine.session->batches.size();

    model->swapLanguages();
    EXPECT_EQ(model->fromChoice(), LangChoice::fixed(QStringLiteral("en")));
    EXPECT_EQ(model->toChoice(), LangChoice::fixed(QStringLiteral("de")));
    EXPECT_EQ(model->input(), QStringLiteral("HALLO"));
    EXPECT_EQ(model->phase(), TranslationPhase::working());
    pumpAll();
    EXPECT_EQ(engine.session->batches.size(), batches);

    clock->advance(350ms);
    settle();
    EXPECT_EQ(engine.openedSessions.last(), std::make_pair(enUS, de));
    EXPECT_EQ(model->sourceCode(), QStringLiteral("en"));
    EXPECT_EQ(model->targetCode(), QStringLiteral("de"));
}

TEST_F(TranslatorModelTest, ChoosingTheSameLanguageAgainStartsNoRun) {
    model->setText(QStringLiteral("Hallo"));
    settle();
    const qsizetype batches = engine.session->batches.size();
    model->setFromChoice(LangChoice::automatic());
    model->setToChoice(LangChoice::automatic());
    EXPECT_EQ(model->phase(), TranslationPhase::done());
    pumpAll();
    EXPECT_EQ(engine.session->batches.size(), batches);

    model->setToChoice(LangChoice::fixed(QStringLiteral("en")));
    EXPECT_EQ(model->phase(), TranslationPhase::working());
    settle();
    EXPECT_EQ(engine.session->batches.size(), batches + 1);
}

TEST_F(TranslatorModelTest, ASingleWordGetsDefinitionsAndTheWholeTextIsRecorded) {
    model->setText(QStringLiteral("  „Haus“!  "));
    settle();
    EXPECT_EQ(engine.session->batches.last().first().sourceText, QStringLiteral("Haus"));
    EXPECT_EQ(model->result(), QStringLiteral("HAUS"));
    ASSERT_EQ(model->entries().size(), 1);
    EXPECT_EQ(model->entries().first().text, QStringLiteral("house; home"));
    clock->advance(2s);
    EXPECT_EQ(history.entries().first().source, QStringLiteral("„Haus“!"));
}

TEST_F(TranslatorModelTest, DefinitionsOnlyForSingleWordsWithDefinitionsOn) {
    const std::shared_ptr<FakeDictionary> dictionary = std::const_pointer_cast<FakeDictionary>(
        std::static_pointer_cast<const FakeDictionary>(dictionaries.dictionaries().first()));
    model->setText(QStringLiteral("Haus Haus"));
    settle();
    EXPECT_THAT(model->entries(), IsEmpty());

    settings->setShowDefinitions(false);
    model->setText(QStringLiteral("Haus"));
    settle();
    EXPECT_THAT(model->entries(), IsEmpty());
    EXPECT_EQ(dictionary->asked.load(), 0);

    // Chosen dictionaries are used as chosen: none at all finds nothing.
    settings->setShowDefinitions(true);
    settings->setCustomDictionaries(true);
    settings->setDictionaryIDs({});
    model->setText(QStringLiteral("Haus"));
    settle();
    EXPECT_THAT(model->entries(), IsEmpty());
    settings->setDictionaryIDs({QStringLiteral("fd-deu-eng")});
    model->setText(QStringLiteral("Haus"));
    settle();
    EXPECT_THAT(model->entries(), testing::SizeIs(1));
}

TEST_F(TranslatorModelTest, CopyAndSpeakNeedAResult) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    model->copyResult();
    model->speak();
    EXPECT_EQ(clipboard->text(), QStringLiteral("before"));
    EXPECT_THAT(synthesizer->spoken, IsEmpty());

    model->setText(QStringLiteral("Hallo"));
    settle();
    model->copyResult();
    EXPECT_EQ(clipboard->text(), QStringLiteral("HALLO"));
    model->speak();
    EXPECT_THAT(synthesizer->spoken, ElementsAre(QStringLiteral("en:HALLO")));
    EXPECT_TRUE(speech.isSpeaking());
    model->speak();
    EXPECT_FALSE(speech.isSpeaking());
}

TEST_F(TranslatorModelTest, OnlyAnInputChangeClearsTheNotice) {
    model->setInput(QStringLiteral("Hallo"));
    model->setNotice(Notice::clipboardBusy);
    model->setInput(QStringLiteral("Hallo"));
    EXPECT_EQ(model->notice(), Notice::clipboardBusy);
    model->setFromChoice(LangChoice::fixed(QStringLiteral("de")));
    EXPECT_EQ(model->notice(), Notice::clipboardBusy);
    model->setInput(QStringLiteral("Hallo Welt"));
    EXPECT_FALSE(model->notice());
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
}

TEST_F(TranslatorModelTest, TheFieldsReachQmlAsProperties) {
    model->setProperty("notice", QVariant::fromValue(Notice::clipboardBusy));
    EXPECT_EQ(model->notice(), Notice::clipboardBusy);
    model->setProperty("notice", 0);
    EXPECT_EQ(model->notice(), Notice::nothingSelected);
    model->setProperty("notice", static_cast<int>(Notice::clipboardLost));
    EXPECT_EQ(model->notice(), Notice::clipboardLost);
    model->setProperty("notice", QVariant());
    EXPECT_FALSE(model->notice());
    EXPECT_TRUE(model->property("detectedCode").isNull());

    model->setProperty("input", QStringLiteral("Hallo"));
    EXPECT_EQ(model->property("detectedCode").toString(), QStringLiteral("de"));
    const auto phase = model->property("phase").value<TranslationPhase>();
    EXPECT_EQ(phase, TranslationPhase::working());
    EXPECT_EQ(model->property("fromChoice").value<LangChoice>(), LangChoice::automatic());
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
