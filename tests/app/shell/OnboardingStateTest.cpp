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
    struct Row {
        const char* name;
        int step;
        bool change;
        const char* progress;
        AppModel::Route route;
    };
    const Row rows[] = {
        {"skip on welcome", 0, false, "Step 1 of 4", AppModel::Route::translate},
        {"skip on languages", 2, false, "Step 3 of 4", AppModel::Route::translate},
        {"done", 3, false, "Step 4 of 4", AppModel::Route::translate},
        {"a step past the last", 5, false, "Step 4 of 4", AppModel::Route::translate},
        {"change the shortcut", 3, true, "Step 4 of 4", AppModel::Route::settings},
    };
    state.setApp(app.get());
    for (const Row& row : rows) {
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
        EXPECT_EQ(app->route(), row.route);
        EXPECT_EQ(app->model()->focusToken(), focus + (row.change ? 0 : 1));
        EXPECT_EQ(app->settingsTab(), row.change ? SettingsTab::shortcuts : SettingsTab::general);
    }
}

TEST_F(OnboardingStateTest, ThePairRowShowsWhatTheEngineSays) {
    struct Row {
        const char* second;
        std::optional<PairStatus> status;
        const char* shown;
    };
    const Row rows[] = {
        {"de", PairStatus::supported, "supported"},
        {"fr", PairStatus::unsupported, "unsupported"},
        // A language the engine does not have resolves to nothing.
        {"ja", std::nullopt, "unsupported"},
        {"es", PairStatus::installed, "installed"},
    };
    for (const Row& row : rows)
        if (row.status)
            engine.setStatus("en-US", row.second, *row.status);
    show();
    EXPECT_EQ(state.pairStatus(), "installed");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.second);
        settings.setSecondLanguage(row.second);
        EXPECT_EQ(state.pairStatus(), "");
        ASSERT_TRUE(waitUntil([this] { return !state.pairStatus().isEmpty(); }));
        EXPECT_EQ(state.pairStatus(), row.shown);
    }
}

TEST_F(OnboardingStateTest, AnAnswerForAPairNoLongerChosenIsDropped) {
    auto held = std::make_shared<QPromise<PairStatus>>();
    held->start();
    engine.heldStatuses.insert("en-US>es", held);
    engine.setStatus("en-US", "de", PairStatus::supported);
    state.setApp(app.get());
    pumpAll();
    settings.setSecondLanguage("de");
    ASSERT_TRUE(waitUntil([this] { return !state.pairStatus().isEmpty(); }));
    held->addResult(PairStatus::installed);
    held->finish();
    pumpAll();
    EXPECT_EQ(state.pairStatus(), "supported");
}

TEST_F(OnboardingStateTest, ADownloadChecksThePairAgainWhenItEnds) {
    engine.setStatus("en-US", "es", PairStatus::supported);
    show();
    engine.heldPrepare = std::make_shared<QPromise<PrepareResult>>();
    engine.heldPrepare->start();
    state.startDownload();
    ASSERT_TRUE(waitUntil([this] { return state.download()->running(); }));
    state.startDownload();
    pumpAll();
    EXPECT_EQ(engine.prepareCalls, 1);

    engine.setStatus("en-US", "es", PairStatus::installed);
    engine.heldPrepare->addResult(PrepareResult{PrepareResult::Outcome::installed, {}, {}});
    engine.heldPrepare->finish();
    ASSERT_TRUE(waitUntil([this] { return state.pairStatus() == "installed"; }));
}

} // namespace
