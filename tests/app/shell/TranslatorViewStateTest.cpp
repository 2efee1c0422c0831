#include "app/shell/TranslatorViewState.h"

#include "app/shell/StatusRow.h"
#include "tests/app/shell/ShellFixture.h"

#include <QPromise>

using namespace std::chrono_literals;

namespace {

QString named(const QString& code) {
    return code == QLatin1String("es") ? QStringLiteral("Spanish") : QStringLiteral("English");
}

TEST(StatusRowTest, TheMostPressingStateWins) {
    using Kind = StatusRow::Kind;
    using Phase = TranslationPhase;
    struct Row {
        const char* name;
        Phase phase;
        std::optional<Notice> notice;
        bool inputEmpty;
        bool truncated;
        Kind kind;
        const char* text;
    };
    const Row rows[] = {
        {"failure_first", Phase::failed("boom"), Notice::nothingSelected, true, true, Kind::failed,
         "Could not translate: boom"},
        {"unsupported", Phase::unsupported("es", "en"), Notice::clipboardBusy, true, true,
         Kind::unsupported, "This pair is not available offline: Spanish → English"},
        {"download_over_notice", Phase::needsDownload("en", "es"), Notice::nothingSelected, true,
         false, Kind::needsDownload, "Languages are not downloaded: English → Spanish"},
        {"busy", Phase::idle(), Notice::clipboardBusy, true, false, Kind::clipboardBusy,
         "The clipboard holds files or large data, so it was left untouched. Paste the text "
         "here with Ctrl+V."},
        {"nothing", Phase::idle(), Notice::nothingSelected, true, true, Kind::nothingSelected,
         "Nothing was selected. Select some text and press the shortcut again."},
        {"notice_under_input", Phase::done(), Notice::nothingSelected, false, false, Kind::none,
         ""},
        {"lost_even_with_input", Phase::done(), Notice::clipboardLost, false, true,
         Kind::clipboardLost, "Your clipboard could not be put back after copying the selection."},
        {"truncated", Phase::done(), std::nullopt, false, true, Kind::truncated,
         "Only the first 20,000 characters are translated."},
        {"quiet", Phase::working(), std::nullopt, false, false, Kind::none, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const StatusRow chosen =
            StatusRow::choose(row.phase, row.notice, row.inputEmpty, row.truncated, named);
        EXPECT_EQ(chosen.kind, row.kind);
        EXPECT_EQ(chosen.text, QString::fromUtf8(row.text));
        EXPECT_EQ(chosen.tone().isEmpty(), row.kind == Kind::none);
    }
}

class TranslatorViewStateTest : public ShellFixture {
protected:
    TranslatorViewStateTest() {
        engine.setStatus("es", "en-US", PairStatus::installed);
        languages.load();
        pumpAll();
        view.setApp(app.get());
    }

    TranslatorModel& model() { return *app->model(); }

    void translate(const QString& text) {
        model().setText(text);
        ASSERT_TRUE(
            waitUntil([this] { return model().phase().kind != TranslationPhase::Kind::working; }));
    }

    TranslatorViewState view;
};

TEST_F(TranslatorViewStateTest, TitlesSwapAndPlaceholderFollowWhatTheRunDecided) {
    EXPECT_EQ(view.sourceTitle(), "Auto");
    EXPECT_EQ(view.targetTitle(), "Auto");
    EXPECT_FALSE(view.canSwap());
    EXPECT_EQ(view.resultPlaceholder(), "The translation appears here as you type.");

    model().setText(QStringLiteral("hola"));
    EXPECT_EQ(view.resultPlaceholder(), "Translating…");
    ASSERT_TRUE(
        waitUntil([this] { return model().phase().kind != TranslationPhase::Kind::working; }));
    ASSERT_EQ(model().result(), "HOLA");
    EXPECT_EQ(view.resultPlaceholder(), "");
    EXPECT_EQ(view.sourceTitle(), languages.name("es"));
    EXPECT_TRUE(view.sourceDetected());
    EXPECT_EQ(view.targetTitle(), languages.name("en"));
    EXPECT_TRUE(view.targetDetected());
    EXPECT_EQ(view.detectedName(), languages.name("es"));
    EXPECT_TRUE(view.canSwap());

    // A fixed choice is named without the caption, and nothing is "detected" then.
    view.chooseSource(QStringLiteral("es"));
    EXPECT_EQ(view.sourceTitle(), languages.name("es"));
    EXPECT_FALSE(view.sourceDetected());
    EXPECT_EQ(view.detectedName(), "");
    view.chooseSource(QString());
    EXPECT_TRUE(model().fromChoice().isAutomatic());

    // With the input gone Auto says only "Auto" again.
    model().clear();
    EXPECT_EQ(view.sourceTitle(), "Auto");
}

TEST_F(TranslatorViewStateTest, CopiedStaysUntil1400msAfterTheLastPress) {
    translate(QStringLiteral("hola"));
    view.copy();
    EXPECT_TRUE(view.copied());
    clock->advance(1000ms);
    view.copy();
    clock->advance(1000ms);
    EXPECT_TRUE(view.copied()) << "the first press's time is up, but a second one followed";
    clock->advance(399ms);
    EXPECT_TRUE(view.copied());
    clock->advance(1ms);
    EXPECT_FALSE(view.copied());
}

TEST_F(TranslatorViewStateTest, AHistoryPickReturnsBothSidesToAutoAndTranslatesAtOnce) {
    view.chooseSource(QStringLiteral("en"));
    view.chooseTarget(QStringLiteral("es"));
    view.pickHistory(QStringLiteral("hola"));
    EXPECT_TRUE(model().fromChoice().isAutomatic());
    EXPECT_TRUE(model().toChoice().isAutomatic());
    ASSERT_TRUE(
        waitUntil([this] { return model().phase().kind != TranslationPhase::Kind::working; }));
    EXPECT_EQ(model().result(), "HOLA");
}

// The status row's Download hands the pair to the engine once; its end is told, and a pair
// that arrived is translated again.
TEST_F(TranslatorViewStateTest, ADownloadIsOfferedOnceAndItsEndIsTold) {
    struct Row {
        const char* name;
        PrepareResult result;
        TranslationPhase::Kind after;
        const char* message;
        const char* command;
    };
    const Row rows[] = {
        {"installed",
         {PrepareResult::Outcome::installed, {}, {}},
         TranslationPhase::Kind::done,
         "",
         ""},
        {"refused",
         {PrepareResult::Outcome::failed, QStringLiteral("Not authorized"), {}},
         TranslationPhase::Kind::needsDownload,
         "Not authorized",
         ""},
        {"manual",
         {PrepareResult::Outcome::manual, {}, QStringLiteral("sudo apt install apertium-eng-spa")},
         TranslationPhase::Kind::needsDownload,
         "Verdolin cannot install languages here. Run this command instead:",
         "sudo apt install apertium-eng-spa"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        engine.setStatus("es", "en-US", PairStatus::supported);
        languages.invalidate();
        translate(QStringLiteral("hola"));
        ASSERT_TRUE(view.offersDownload());
        engine.heldPrepare = std::make_shared<QPromise<PrepareResult>>();
        engine.heldPrepare->start();
        const int before = engine.prepareCalls;

        view.startDownload();
        pumpAll();
        view.startDownload();
        pumpAll();
        EXPECT_EQ(engine.prepareCalls, before + 1) << "a second press while it runs is ignored";
        EXPECT_TRUE(view.download()->running());
        EXPECT_FALSE(model().downloadRequest().has_value());

        if (row.result.outcome == PrepareResult::Outcome::installed)
            engine.setStatus("es", "en-US", PairStatus::installed);
        engine.heldPrepare->addResult(row.result);
        engine.heldPrepare->finish();
        pumpUntil([this] { return !view.download()->running(); });
        ASSERT_TRUE(
            waitUntil([this] { return model().phase().kind != TranslationPhase::Kind::working; }));
        EXPECT_EQ(model().phase().kind, row.after);
        EXPECT_EQ(view.download()->message(), QString::fromUtf8(row.message));
        EXPECT_EQ(view.download()->command(), QString::fromUtf8(row.command));
    }
    // What was said about one pair goes once another one is missing.
    engine.languages.append(de);
    engine.setStatus("de", "en-US", PairStatus::supported);
    languages.load();
    pumpAll();
    view.chooseSource(QStringLiteral("de"));
    ASSERT_TRUE(
        waitUntil([this] { return model().phase().kind != TranslationPhase::Kind::working; }));
    ASSERT_TRUE(view.offersDownload());
    EXPECT_EQ(view.download()->message(), "");
    EXPECT_EQ(view.download()->command(), "");
}

} // namespace
