#pragma once

#include "app/settings/AppSettings.h"
#include "app/settings/DefaultsStore.h"
#include "app/shell/AppModel.h"
#include "app/shell/WindowPresenter.h"
#include "app/system/SpeechService.h"
#include "tests/app/translation/ScriptedEngine.h"
#include "tests/support/ManualClock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// The app model on scripted services: settings in a temporary folder, an engine that answers
// in capitals, a clock that moves only when told.
class ShellFixture : public testing::Test {
protected:
    ShellFixture() {
        engine.languages = {enUS, es};
        engine.session->answer = upperCased;
        settings.setOnboardingDone(true);
        app = std::make_unique<AppModel>(
            settings, languages, std::make_unique<HistoryModel>(std::nullopt),
            TranslatorModel::Services{&settings, &languages, &engine, recognizing({{"es", 0.9}}),
                                      nullptr, &speech, clock});
    }

    QTemporaryDir dir;
    DefaultsStore store{"com.korvane.verdolin", dir.path()};
    AppSettings settings{store, {"en-US"}, {}};
    ScriptedEngine engine;
    LanguageService languages{engine, preferringEnUS()};
    SpeechService speech{nullptr};
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::unique_ptr<AppModel> app;
};
