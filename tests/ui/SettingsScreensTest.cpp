#include "tests/support/FakeUpdateInstaller.h"
#include "tests/support/FakeUpdateNetwork.h"
#include "tests/support/FakeUpdateVerifier.h"
#include "tests/support/UpdaterLaunch.h"
#include "tests/ui/ScreenFixture.h"

#include <QThreadPool>
#include <QTranslator>

Q_IMPORT_QML_PLUGIN(Verdolin_AppearancePlugin)
Q_IMPORT_QML_PLUGIN(Verdolin_ShellPlugin)
Q_IMPORT_QML_PLUGIN(Verdolin_UiPlugin)

namespace {

// What the screens complain about while they are shown: binding errors, missing types.
QStringList& complaints() {
    static QStringList list;
    return list;
}

void collect(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg && message.contains(QLatin1String("qrc:/")))
        complaints().append(message);
}

class SettingsScreensTest : public ScreenFixture {
protected:
    SettingsScreensTest() {
        engine.setStatus("en-US", "es", PairStatus::supported);
        previous = qInstallMessageHandler(collect);
        complaints().clear();
        store.setBool(UpdateController::updateServerReachedKey, true);
        updates.start(UpdatePolicy(UpdateFrequency::weekly, false));
        AppModel::shared().setUpdates(&updates);
    }
    ~SettingsScreensTest() override {
        AppModel::shared().setUpdates(nullptr);
        pumpAll();
        qInstallMessageHandler(previous);
    }

    // An update offer, every settings tab, then every onboarding step; `each` runs on every one
    // of them.
    void visitAll(const std::function<void(const QString&)>& each) {
        // A newer version offered over the translator.
        AppModel::shared().setRoute(AppModel::Route::translate);
        network.answer = {FakeUpdateNetwork::feedWith("0.2.0"), {}};
        updates.checkForUpdates();
        settle();
        each(QStringLiteral("update-offer"));
        updater.later();
        for (const auto& [tab, name] : {std::pair{SettingsTab::general, "settings-general"},
                                        {SettingsTab::translation, "settings-translation"},
                                        {SettingsTab::shortcuts, "settings-shortcuts"}}) {
            AppModel::shared().showSettings(tab);
            settle();
            each(name);
        }
        AppModel::shared().setRoute(AppModel::Route::onboarding);
        for (int step = 0; step < 4; ++step) {
            AppModel::shared().setOnboardingStep(step);
            settle();
            each(QStringLiteral("onboarding-%1").arg(step + 1));
        }
    }

    // Until the answers of the engine and of the dictionary threads have been shown.
    static void settle() {
        pumpAll();
        QThreadPool::globalInstance()->waitForDone();
        pumpAll();
    }

    QtMessageHandler previous = nullptr;
    FakeUpdateNetwork network;
    FakeUpdateVerifier verifier;
    FakeUpdateInstaller installer;
    UpdaterLaunch launched{UpdaterLaunch::services(network, verifier, installer, store, clock,
                                                   dir.filePath(QStringLiteral("downloads"))),
                           settings, store};
    Updater& updater = launched.updater;
    UpdateController& updates = launched.controller;
};

TEST_F(SettingsScreensTest, EveryTabAndStepShowsWithoutAComplaint) {
    ASSERT_NE(window, nullptr);
    QStringList seen;
    visitAll([&](const QString& name) {
        seen.append(name);
        EXPECT_EQ(complaints(), QStringList()) << name.toStdString();
        complaints().clear();
    });
    EXPECT_EQ(seen.size(), 8);
    // Onboarding's way out reaches the translator with the source pane focused.
    const int focus = model().focusToken();
    QQuickItem* done = item("done");
    ASSERT_NE(done, nullptr);
    QMetaObject::invokeMethod(done, "clicked");
    EXPECT_EQ(AppModel::shared().route(), AppModel::Route::translate);
    EXPECT_TRUE(settings.onboardingDone());
    EXPECT_EQ(model().focusToken(), focus + 1);
}

TEST_F(SettingsScreensTest, PickersShowTheStoredChoiceNotTheirFirstItem) {
    ASSERT_NE(window, nullptr);
    settings.setInterfaceLanguage(QStringLiteral("ru"));
    settings.setUpdateFrequency(UpdateFrequency::monthly);
    AppModel::shared().showSettings(SettingsTab::general);
    settle();
    for (const auto& [name, shown] :
         {std::pair{"appLanguage", "Русский"}, {"updateFrequency", "Monthly"}}) {
        QQuickItem* picker = item(name);
        ASSERT_NE(picker, nullptr) << name;
        EXPECT_EQ(picker->property("currentText").toString(), QString::fromUtf8(shown)) << name;
    }
}

// Not a check: renders every tab and step, in English and Russian, light and dark (make
// screenshots).
TEST_F(SettingsScreensTest, Screenshots) {
    const QByteArray folder = qgetenv("VERDOLIN_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set VERDOLIN_SCREENSHOTS to a folder to render the screenshots";
    ASSERT_NE(window, nullptr);
    QDir().mkpath(QString::fromLocal8Bit(folder));
    QTranslator russian;
    for (const char* language : {"en", "ru"}) {
        if (QByteArray(language) == "ru") {
            ASSERT_TRUE(russian.load(QStringLiteral(VERDOLIN_QM_DIR "/verdolin_ru.qm")));
            QCoreApplication::installTranslator(&russian);
            qml.retranslate();
        }
        visitAll([&](const QString& name) {
            for (const char* mode : {"light", "dark"}) {
                settings.setAppearanceMode(mode);
                settle();
                window->grabWindow().save(QString::fromLocal8Bit(folder) + "/" + name + "-"
                                          + language + "-" + mode + ".png");
            }
        });
    }
    QCoreApplication::removeTranslator(&russian);
}

} // namespace
