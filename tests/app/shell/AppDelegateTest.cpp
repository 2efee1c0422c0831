#include "app/shell/AppDelegate.h"

#include "app/capture/PermissionWatcher.h"
#include "app/shell/SystemTray.h"
#include "app/shortcuts/DoubleCopyMonitor.h"
#include "app/shortcuts/HotKeyManager.h"
#include "tests/app/shell/ShellFixture.h"
#include "tests/app/shortcuts/FakeHotKeys.h"
#include "tests/support/FakeUpdateInstaller.h"
#include "tests/support/FakeUpdateNetwork.h"
#include "tests/support/FakeUpdateVerifier.h"
#include "tests/support/UpdaterLaunch.h"

#include <QCoreApplication>
#include <QPromise>

namespace {

using namespace std::chrono_literals;
using Route = AppModel::Route;

using Shown = std::pair<std::optional<QString>, bool>; // text, next to the pointer

struct RecordingWindow : WindowPresenter {
    void show(const std::optional<QString>& text, bool near) override {
        shown.append({text, near});
    }
    void hide() override { ++hidden; }
    bool isActive() const override { return active; }
    QList<Shown> shown;
    int hidden = 0;
    bool active = false;
};

struct SetProbe : PermissionProbe {
    bool accessibility() override { return reading; }
    bool inputMonitoring() override { return listening; }
    bool listening = true;
    bool reading = true;
};

struct RecordingTray : SystemTray {
    void setMenu(std::function<QList<TrayMenuItem>()> items, std::function<void()> click) override {
        menu = std::move(items);
        clicked = std::move(click);
    }
    void setVisible(bool shown) override { visible = shown; }
    bool isVisible() const override { return visible; }
    bool isAvailable() const override { return false; }
    QStringList titles() const {
        QStringList list;
        for (const TrayMenuItem& item : menu())
            list.append(item.title);
        return list;
    }
    void choose(const QString& title) { menu().at(titles().indexOf(title)).action(); }
    std::function<QList<TrayMenuItem>()> menu;
    std::function<void()> clicked;
    bool visible = false;
};

// One capture the test answers and ends when it likes.
struct Capture {
    QPromise<CaptureResult> promise;
    std::function<void()> finished;
};

class AppDelegateTest : public ShellFixture {
protected:
    AppDelegateTest() {
        services.app = app.get();
        services.window = &window;
        services.hotKeys = &hotKeys;
        services.doubleCopy = &doubleCopy;
        services.permissions = &permissions;
        services.tray = &tray;
        services.clock = clock;
        services.capture = [this](std::function<void()> finished) {
            captures.append(std::make_shared<Capture>());
            captures.last()->finished = std::move(finished);
            captures.last()->promise.start();
            return captures.last()->promise.future();
        };
        services.clipboardText = [this] { return clipboard; };
        services.beep = [this] { ++beeps; };
        services.quit = [this] { ++quits; };
        delegate = std::make_unique<AppDelegate>(services);
        delegate->start(true);
        app->setWindow(&window);
    }

    // The capture answers; `finished` comes later, from its worker thread in real life.
    void answer(qsizetype index, const CaptureResult& result) {
        captures.at(index)->promise.addResult(result);
        captures.at(index)->promise.finish();
        QCoreApplication::processEvents();
    }
    void finish(qsizetype index) {
        captures.at(index)->finished();
        QCoreApplication::processEvents();
    }
    void press() {
        keys->press();
        QCoreApplication::processEvents();
    }

    RecordingWindow window;
    std::shared_ptr<FakeHotKeys> keys = std::make_shared<FakeHotKeys>();
    HotKeyManager hotKeys{keys};
    DoubleCopyMonitor doubleCopy{std::make_shared<ScriptedKeys>(), [] { return qint64(0); }};
    std::shared_ptr<SetProbe> probe = std::make_shared<SetProbe>();
    PermissionWatcher permissions{probe, store};
    RecordingTray tray;
    QList<std::shared_ptr<Capture>> captures;
    std::optional<QString> clipboard;
    int beeps = 0, quits = 0;
    AppDelegate::Services services;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppDelegateTest, TheShortcutCapturesOnceAtATimeAndTheNewestCaptureOwnsTheLatch) {
    ASSERT_EQ(keys->held.value_or(HotKeySpec()).label, "Ctrl+Alt+T");
    window.active = true;
    press();
    EXPECT_EQ(window.hidden, 1) << "an active window is put away, nothing captured";
    window.active = false;

    press();
    ASSERT_EQ(captures.size(), 1);
    press();
    delegate->translateClipboard();
    EXPECT_EQ(beeps, 2) << "a second press and the clipboard trigger are refused, not queued";

    // The result alone does not open the latch; the capture's end does.
    answer(0, CaptureResult::captured("hola"));
    press();
    EXPECT_EQ(beeps, 3);
    finish(0);
    press();
    ASSERT_EQ(captures.size(), 2);

    // The second never ends: 12 s open the latch, not a second less.
    clock->advance(11999ms);
    press();
    EXPECT_EQ(beeps, 4);
    clock->advance(1ms);
    press();
    ASSERT_EQ(captures.size(), 3);

    // The second capture's late end leaves the third one's latch closed.
    finish(1);
    press();
    EXPECT_EQ(beeps, 5);
}

TEST_F(AppDelegateTest, EachCaptureResultOpensTheWindowAtThePointer) {
    CaptureResult lost = CaptureResult::captured("hello"), lostEmpty = CaptureResult::empty();
    lost.clipboardLost = lostEmpty.clipboardLost = true;
    // clang-format off
    const struct { CaptureResult result; std::optional<QString> text; std::optional<Notice> notice;
        bool needsAttention = false; } rows[] = {
        {CaptureResult::captured("hello"), "hello", {}},
        {lost, "hello", Notice::clipboardLost},
        {CaptureResult::empty(), {}, Notice::nothingSelected},
        {lostEmpty, {}, Notice::clipboardLost},
        {CaptureResult::clipboardBusy(), {}, Notice::clipboardBusy},
        {CaptureResult::noPermission(), {}, {}, true},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(captures.size());
        app->model()->setNotice(std::nullopt);
        probe->reading = !row.needsAttention;
        permissions.setNeedsAttention(false);
        window.shown.clear();
        press();
        answer(captures.size() - 1, row.result);
        finish(captures.size() - 1);
        EXPECT_EQ(window.shown, (QList<Shown>{{row.text, true}}));
        EXPECT_EQ(app->model()->notice(), row.notice);
        EXPECT_EQ(permissions.needsAttention(), row.needsAttention);
    }
}

TEST_F(AppDelegateTest, UrlCommandsAndStartRequestsReachTheWindow) {
    using Kind = LaunchRequest::Kind;
    using enum SettingsTab;
    const auto url = [](const char* text) { return LaunchRequest{Kind::url, text}; };
    const Shown reopened{std::nullopt, false};
    clipboard = "copied";
    // Rows in order: a tab chosen stays until another is; URL parsing is the core's.
    // clang-format off
    const struct { QList<LaunchRequest> requests; QList<Shown> shown;
        Route route = Route::settings; SettingsTab tab = general; int hidden = 0; } rows[] = {
        {{}, {reopened}},
        {{url("verdolin://translate?text=Hola%20amigo")}, {{"Hola amigo", true}}},
        {{url("verdolin://translate")}, {{std::nullopt, true}}},
        {{url("verdolin://hide")}, {}, Route::settings, general, 1},
        {{url("verdolin://")}, {reopened}},
        {{url("verdolin://setup?step=7")}, {reopened}, Route::onboarding},
        {{url("verdolin://settings?tab=access")}, {reopened}, Route::settings, shortcuts},
        {{{Kind::translateText, ""}}, {}, Route::settings, shortcuts},
        {{{Kind::openTranslator, {}}}, {reopened}, Route::translate, shortcuts},
        {{url("verdolin://hide"), {Kind::translateText, "uno"}, {Kind::translateClipboard, {}}},
         {{"uno", true}, {"copied", true}}, Route::settings, shortcuts, 1},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(qPrintable(row.requests.value(0).value));
        window.shown.clear();
        window.hidden = 0;
        app->setRoute(Route::settings);
        delegate->handle(row.requests);
        EXPECT_EQ(window.shown, row.shown);
        EXPECT_EQ(window.hidden, row.hidden);
        EXPECT_EQ(app->route(), row.route);
        EXPECT_EQ(app->settingsTab(), row.tab);
    }
    EXPECT_EQ(app->onboardingStep(), 3);
}

TEST_F(AppDelegateTest, TheTrayMenuShowsTheCurrentShortcutAndItsIconOpensTheTranslator) {
    ASSERT_TRUE(tray.menu && tray.visible);
    EXPECT_EQ(tray.titles(), (QStringList{"Translate Selection   Ctrl+Alt+T", "Translate Clipboard",
                                          "", "Open Translator", "Settings…", "", "About Verdolin",
                                          "Support Verdolin…", "", "Quit Verdolin"}));
    settings.setHotKey({0x79, 0x1800, "Ctrl+Alt+Y"});
    EXPECT_EQ(tray.titles().first(), "Translate Selection   Ctrl+Alt+Y");

    tray.menu().last().action();
    EXPECT_EQ(quits, 1);
    app->setRoute(Route::settings);
    tray.clicked();
    EXPECT_EQ(app->route(), Route::translate);
    EXPECT_EQ(window.shown, (QList<Shown>{{std::nullopt, false}}));

    settings.setShowInMenuBar(false);
    EXPECT_FALSE(tray.visible);
}

TEST_F(AppDelegateTest, UpdatesFollowTheSettingsAndAWaitingOneIsInstalledOnQuit) {
    store.setBool(UpdateController::updateServerReachedKey, true);
    settings.setUpdateFrequency(UpdateFrequency::daily);
    settings.setAutoInstallUpdates(true);
    FakeUpdateNetwork network;
    FakeUpdateVerifier verifier;
    FakeUpdateInstaller installer;
    UpdaterLaunch launched(UpdaterLaunch::services(network, verifier, installer, store, clock,
                                                   dir.filePath("downloads")),
                           settings, store);
    Updater& updater = launched.updater;
    services.updates = &launched.controller;
    delegate = std::make_unique<AppDelegate>(services);
    delegate->start(true);
    EXPECT_TRUE(updater.automaticallyDownloadsUpdates());
    settings.setUpdateFrequency(UpdateFrequency::never);
    EXPECT_FALSE(updater.automaticallyChecksForUpdates());
    settings.setUpdateFrequency(UpdateFrequency::daily);
    EXPECT_EQ(tray.titles().indexOf("Check for Updates…"), tray.titles().indexOf("Settings…") + 1);

    network.answer = {FakeUpdateNetwork::feedWith("0.2.0"), {}};
    clock->advance(std::chrono::hours(24));
    pumpAll();
    ASSERT_TRUE(updater.hasPendingInstall());
    tray.choose("Quit Verdolin");
    pumpAll();
    EXPECT_EQ(installer.installed, QList<QByteArray>{"signed"});
    EXPECT_EQ(std::make_pair(window.hidden, quits), std::make_pair(1, 1));

    // A check from the tray answers in the window.
    network.answer = {FakeUpdateNetwork::feedWith({}), {}};
    updater.dismiss();
    tray.choose("Check for Updates…");
    pumpAll();
    EXPECT_EQ(updater.stage(), Updater::Stage::upToDate);
    EXPECT_EQ(window.shown.size(), 1);
}

TEST_F(AppDelegateTest, DoubleCopyListensOnlyWhenTurnedOnAndPermitted) {
    const struct {
        bool setting, permitted, listening;
    } rows[] = {{true, true, true}, {true, false, false}, {false, true, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.setting << row.permitted);
        probe->listening = row.permitted;
        permissions.refresh();
        settings.setDoubleCopy(!row.setting);
        settings.setDoubleCopy(row.setting);
        EXPECT_EQ(doubleCopy.isListening(), row.listening);
    }
    // A permission granted meanwhile takes effect when the application is active again.
    settings.setDoubleCopy(true);
    probe->listening = false;
    permissions.refresh();
    delegate->syncDoubleCopyMonitor();
    EXPECT_FALSE(doubleCopy.isListening());
    probe->listening = true;
    delegate->becameActive();
    EXPECT_TRUE(doubleCopy.isListening());
}

TEST(AppDelegateLoginTest, ALoginLaunchIsTheFlagOrAnEarlyStartWithTheTrayIcon) {
    using enum LoginRegistration::Status;
    // clang-format off
    const struct { bool flag; LoginRegistration::Status item; bool tray;
        std::optional<double> uptime; bool login; } rows[] = {
        {true, notRegistered, false, std::nullopt, true},
        {false, enabled, true, 89.9, true},
        {false, enabled, true, 90.0, false},
        {false, enabled, false, 10.0, false},
        {false, notRegistered, true, 10.0, false},
        {false, enabled, true, std::nullopt, false},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.flag << row.tray << row.uptime.value_or(-1));
        EXPECT_EQ(AppDelegate::launchedAsLoginItem(row.flag, row.item, row.tray, row.uptime),
                  row.login);
    }
}

} // namespace
