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
    using enum StatusRow::Kind;
    using Phase = TranslationPhase;
    // clang-format off
    const struct { Phase phase; std::optional<Notice> notice; bool inputEmpty, truncated;
        StatusRow::Kind kind; const char* text; } rows[] = {
        {Phase::failed("boom"), Notice::nothingSelected, true, true, failed,
         "Could not translate: boom"},
        {Phase::unsupported("es", "en"), Notice::clipboardBusy, true, true, unsupported,
         "This pair is not available offline: Spanish → English"},
        {Phase::needsDownload("en", "es"), Notice::nothingSelected, true, false, needsDownload,
         "Languages are not downloaded: English → Spanish"},
        {Phase::idle(), Notice::clipboardBusy, true, false, clipboardBusy,
         "The clipboard holds files or large data, so it was left untouched. "
         "Paste the text here with Ctrl+V."},
        {Phase::idle(), Notice::nothingSelected, true, true, nothingSelected,
         "Nothing was selected. Select some text and press the shortcut again."},
        {Phase::done(), Notice::nothingSelected, false, false, none, ""},
        {Phase::done(), Notice::clipboardLost, false, true, clipboardLost,
         "Your clipboard could not be put back after copying the selection."},
        {Phase::done(), std::nullopt, false, true, truncated,
         "Only the first 20,000 characters are translated."},
        {Phase::working(), std::nullopt, false, false, none, ""},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const StatusRow chosen =
            StatusRow::choose(row.phase, row.notice, row.inputEmpty, row.truncated, named);
        EXPECT_EQ(chosen.kind, row.kind);
        EXPECT_EQ(chosen.text, QString::fromUtf8(row.text));
        EXPECT_EQ(chosen.tone().isEmpty(), row.kind == none);
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

    bool settled() {
        return waitUntil(
            [this] { return model().phase().kind != TranslationPhase::Kind::working; });
    }
    void translate(const QString& text) {
        model().setText(text);
        ASSERT_TRUE(settled());
    }

    TranslatorViewState view;
};

TEST_F(TranslatorViewStateTest, TitlesSwapAndPlaceholderFollowWhatTheRunDecided) {
    EXPECT_EQ(view.sourceTitle(), "Auto");
    EXPECT_EQ(view.targetTitle(), "Auto");
    EXPECT_FALSE(view.canSwap());
    EXPECT_EQ(view.resultPlaceholder(), "The translation appears here as you type.");

    model().setText("hola");
    EXPECT_EQ(view.resultPlaceholder(), "Translating…");
    ASSERT_TRUE(settled());
    ASSERT_EQ(model().result(), "HOLA");
    EXPECT_EQ(view.resultPlaceholder(), "");
    EXPECT_EQ(QStringList({view.sourceTitle(), view.targetTitle(), view.detectedName()}),
              QStringList({languages.name("es"), languages.name("en"), languages.name("es")}));
    EXPECT_TRUE(view.sourceDetected() && view.targetDetected() && view.canSwap());

    // A fixed choice is named without the caption, and nothing is "detected" then.
    view.chooseSource("es");
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
    translate("hola");
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
    view.chooseSource("en");
    view.chooseTarget("es");
    view.pickHistory("hola");
    EXPECT_TRUE(model().fromChoice().isAutomatic() && model().toChoice().isAutomatic());
    ASSERT_TRUE(settled());
    EXPECT_EQ(model().result(), "HOLA");
}

// The status row's Download hands the pair to the engine once; its end is told, and a pair
// that arrived is translated again.
TEST_F(TranslatorViewStateTest, ADownloadIsOfferedOnceAndItsEndIsTold) {
    using enum PrepareResult::Outcome;
    using Kind = TranslationPhase::Kind;
    const char* const apt = "sudo apt install apertium-eng-spa";
    // clang-format off
    const struct { PrepareResult result; TranslationPhase::Kind after; const char* message;
        const char* command; } rows[] = {
        {{installed, {}, {}}, Kind::done, "", ""},
        {{failed, "Not authorized", {}}, Kind::needsDownload, "Not authorized", ""},
        {{manual, {}, apt}, Kind::needsDownload,
         "Verdolin cannot install languages here. Run this command instead:", apt},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message);
        engine.setStatus("es", "en-US", PairStatus::supported);
        languages.invalidate();
        translate("hola");
        ASSERT_TRUE(view.offersDownload());
        engine.heldPrepare = started<PrepareResult>();
        const int before = engine.prepareCalls;

        view.startDownload();
        pumpAll();
        view.startDownload();
        pumpAll();
        EXPECT_EQ(engine.prepareCalls, before + 1) << "a second press while it runs is ignored";
        EXPECT_TRUE(view.download()->running());
        EXPECT_FALSE(model().downloadRequest().has_value());

        if (row.result.outcome == installed)
            engine.setStatus("es", "en-US", PairStatus::installed);
        finish(*engine.heldPrepare, row.result);
        pumpUntil([this] { return !view.download()->running(); });
        ASSERT_TRUE(settled());
        EXPECT_EQ(model().phase().kind, row.after);
        EXPECT_EQ(view.download()->message(), QString::fromUtf8(row.message));
        EXPECT_EQ(view.download()->command(), QString::fromUtf8(row.command));
    }
    // What was said about one pair goes once another one is missing.
    engine.languages.append(de);
    engine.setStatus("de", "en-US", PairStatus::supported);
    languages.load();
    pumpAll();
    view.chooseSource("de");
    ASSERT_TRUE(settled());
    ASSERT_TRUE(view.offersDownload());
    EXPECT_EQ(view.download()->message(), "");
    EXPECT_EQ(view.download()->command(), "");
}

} // namespace
