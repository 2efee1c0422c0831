#include "app/shell/OnboardingState.h"

#include "tests/app/shell/ShellFixture.h"

#include <QPromise>

namespace {

const EngineLanguage fr = engineLanguage("fr", "fr", "fr-Latn-FR");

class OnboardingStateTest : public ShellFixture {
protected:
    OnboardingStateTest() {
        engine.languages = {enUS, es, de, fr};
        settings.setOnboardingDone(false);
        settings.setMyLanguage("en");
        settings.setSecondLanguage("es");
        app->setRoute(AppModel::Route::onboarding);
    }

    // Shows the screen and waits for the first answer about the pair.
    void show() {
        state.setApp(app.get());
        ASSERT_TRUE(waitUntil([this] { return !state.pairStatus().isEmpty(); }));
    }

    OnboardingState state;
};

TEST_F(OnboardingStateTest, EveryWayOutEndsOnboarding) {
    // Changing the shortcut leads to its settings tab; the other ways to the translator.
    const struct {
        const char* name;
        int step;
        bool change;
        const char* progress;
    } rows[] = {
        {"skip on welcome", 0, false, "Step 1 of 4"},
        {"a step past the last", 5, false, "Step 4 of 4"},
        {"change the shortcut", 3, true, "Step 4 of 4"},
    };
    state.setApp(app.get());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        settings.setOnboardingDone(false);
        app->setRoute(AppModel::Route::onboarding);
        app->setSettingsTab(SettingsTab::general);
        state.goTo(row.step);
        EXPECT_EQ(state.progressText(), row.progress);
        const int focus = app->model()->focusToken();
        if (row.change)
            state.changeShortcut();
        else
            state.finish();
        EXPECT_TRUE(settings.onboardingDone());
        EXPECT_EQ(app->route(),
                  row.change ? AppModel::Route::settings : AppModel::Route::translate);
        EXPECT_EQ(app->model()->focusToken(), focus + (row.change ? 0 : 1));
        EXPECT_EQ(app->settingsTab(), row.change ? SettingsTab::shortcuts : SettingsTab::general);
    }
}

TEST_F(OnboardingStateTest, ThePairRowShowsWhatTheEngineSays) {
    // A language the engine does not have resolves to nothing.
    const struct {
        const char* second;
        std::optional<PairStatus> status;
        const char* shown;
    } rows[] = {
        {"de", PairStatus::supported, "supported"},
        {"fr", PairStatus::unsupported, "unsupported"},
        {"ja", std::nullopt, "unsupported"},
        {"es", PairStatus::installed, "installed"},
    };
    for (const auto& row : rows)
        if (row.status)
            engine.setStatus("en-US", row.second, *row.status);
    show();
    EXPECT_EQ(state.pairStatus(), "installed");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.second);
        settings.setSecondLanguage(row.second);
        EXPECT_EQ(state.pairStatus(), "");
        ASSERT_TRUE(waitUntil([this] { return !state.pairStatus().isEmpty(); }));
        EXPECT_EQ(state.pairStatus(), row.shown);
    }
}

TEST_F(OnboardingStateTest, AnAnswerForAPairNoLongerChosenIsDropped) {
    auto held = started<PairStatus>();
    engine.heldStatuses.insert("en-US>es", held);
    engine.setStatus("en-US", "de", PairStatus::supported);
    state.setApp(app.get());
    pumpAll();
    settings.setSecondLanguage("de");
    ASSERT_TRUE(waitUntil([this] { return !state.pairStatus().isEmpty(); }));
    finish(*held, PairStatus::installed);
    pumpAll();
    EXPECT_EQ(state.pairStatus(), "supported");
}

TEST_F(OnboardingStateTest, ADownloadChecksThePairAgainWhenItEnds) {
    engine.setStatus("en-US", "es", PairStatus::supported);
    show();
    engine.heldPrepare = started<PrepareResult>();
    state.startDownload();
    ASSERT_TRUE(waitUntil([this] { return state.download()->running(); }));
    engine.setStatus("en-US", "es", PairStatus::installed);
    finish(*engine.heldPrepare, PrepareResult{PrepareResult::Outcome::installed, {}, {}});
    ASSERT_TRUE(waitUntil([this] { return state.pairStatus() == "installed"; }));
}

} // namespace
