#include "app/shell/AppDelegate.h"

#include "app/capture/PermissionWatcher.h"
#include "app/shell/SystemTray.h"
#include "app/shortcuts/DoubleCopyMonitor.h"
#include "app/shortcuts/HotKeyManager.h"
#include "tests/app/shell/ShellFixture.h"

#include <QCoreApplication>
#include <QPromise>

namespace {

using namespace std::chrono_literals;

struct Shown {
    std::optional<QString> text;
    bool nearMouse;
    bool operator==(const Shown&) const = default;
};

class RecordingWindow : public WindowPresenter {
public:
    void show(const std::optional<QString>& text, bool nearMouse) override {
        shown.append({text, nearMouse});
        active = true;
    }
    void hide() override {
        ++hidden;
        active = false;
    }
    bool isActive() const override { return active; }

    QList<Shown> shown;
    int hidden = 0;
    bool active = false;
};

class HeldHotKeys : public GlobalHotKeys {
public:
    int grab(const HotKeySpec& spec) override {
        held = spec;
        return 0;
    }
    void release() override { held.reset(); }
    void setPressHandler(std::function<void()> handler) override { press = std::move(handler); }

    std::optional<HotKeySpec> held;
    std::function<void()> press;
};

class SilentKeys : public GlobalKeyMonitor {
public:
    bool start(std::function<void(const KeyDownEvent&)>) override { return true; }
    void stop() override {}
};

class SetProbe : public PermissionProbe {
public:
    bool accessibility() override { return reading; }
    bool inputMonitoring() override { return listening; }
    bool listening = true;
    bool reading = true;
};

class RecordingTray : public SystemTray {
public:
    void setMenu(std::function<QList<TrayMenuItem>()> items, std::function<void()> click) override {
        menu = std::move(items);
        clicked = std::move(click);
    }
    void setVisible(bool shown) override { visible = shown; }
    bool isVisible() const override { return visible; }
    bool isAvailable() const override { return false; }

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
        AppDelegate::Services services;
        services.app = app.get();
        services.window = &window;
        services.hotKeys = &hotKeys;
        services.doubleCopy = &doubleCopy;
        services.permissions = &permissions;
        services.tray = &tray;
        services.capture = [this](std::function<void()> finished) {
            auto capture = std::make_shared<Capture>();
            capture->finished = std::move(finished);
            capture->promise.start();
            captures.append(capture);
            return capture->promise.future();
        };
        services.clipboardText = [this] { return clipboard; };
        services.beep = [this] { ++beeps; };
        services.quit = [this] { ++quits; };
        services.loadLanguages = [] {};
        services.clock = clock;
        delegate = std::make_unique<AppDelegate>(services);
        delegate->start(true);
    }

    void answer(int index, const CaptureResult& result) {
        captures.at(index)->promise.addResult(result);
        captures.at(index)->promise.finish();
        QCoreApplication::processEvents();
    }
    // `finished` comes from the capture's worker thread in real life.
    void finish(int index) {
        captures.at(index)->finished();
        QCoreApplication::processEvents();
    }
    void press() {
        keys->press();
        QCoreApplication::processEvents();
    }

    RecordingWindow window;
    std::shared_ptr<HeldHotKeys> keys = std::make_shared<HeldHotKeys>();
    HotKeyManager hotKeys{keys};
    DoubleCopyMonitor doubleCopy{std::make_shared<SilentKeys>(), [] { return qint64(0); }};
    std::shared_ptr<SetProbe> probe = std::make_shared<SetProbe>();
    PermissionWatcher permissions{probe, store};
    RecordingTray tray;
    QList<std::shared_ptr<Capture>> captures;
    std::optional<QString> clipboard;
    int beeps = 0;
    int quits = 0;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppDelegateTest, TheShortcutCapturesOnceAtATimeAndTheNewestCaptureOwnsTheLatch) {
    ASSERT_TRUE(keys->held.has_value());
    EXPECT_EQ(keys->held->label, QStringLiteral("Ctrl+Alt+T"));

    press();
    ASSERT_EQ(captures.size(), 1);
    press();
    delegate->translateClipboard();
    EXPECT_EQ(beeps, 2) << "a second press and the clipboard trigger are refused, not queued";
    EXPECT_EQ(captures.size(), 1);

    // The result alone does not open the latch; the capture's end does.
    answer(0, CaptureResult::captured(QStringLiteral("hola")));
    window.active = false;
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
    EXPECT_TRUE(delegate->capturing());
}

TEST_F(AppDelegateTest, TheShortcutHidesAnActiveWindowWithoutCapturing) {
    window.active = true;
    press();
    EXPECT_EQ(window.hidden, 1);
    EXPECT_TRUE(captures.isEmpty());
    EXPECT_EQ(beeps, 0);
}

TEST_F(AppDelegateTest, EachCaptureResultOpensTheWindowAtThePointer) {
    struct Row {
        const char* name;
        CaptureResult result;
        Shown shown;
        std::optional<Notice> notice;
        bool needsAttention;
    };
    CaptureResult lost = CaptureResult::captured(QStringLiteral("hello"));
    lost.clipboardLost = true;
    const Row rows[] = {
        {"text",
         CaptureResult::captured(QStringLiteral("hello")),
         {QStringLiteral("hello"), true},
         std::nullopt,
         false},
        {"text, clipboard lost",
         lost,
         {QStringLiteral("hello"), true},
         Notice::clipboardLost,
         false},
        {"empty", CaptureResult::empty(), {std::nullopt, true}, Notice::nothingSelected, false},
        {"busy",
         CaptureResult::clipboardBusy(),
         {std::nullopt, true},
         Notice::clipboardBusy,
         false},
        {"no permission", CaptureResult::noPermission(), {std::nullopt, true}, std::nullopt, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        app->model()->setNotice(std::nullopt);
        probe->reading = !row.needsAttention;
        permissions.setNeedsAttention(false);
        window.shown.clear();
        window.active = false;
        const qsizetype index = captures.size();
        press();
        answer(int(index), row.result);
        finish(int(index));
        EXPECT_EQ(window.shown, QList<Shown>{row.shown});
        EXPECT_EQ(app->model()->notice(), row.notice);
        EXPECT_EQ(permissions.needsAttention(), row.needsAttention);
    }
}

TEST_F(AppDelegateTest, UrlCommandsAndStartRequestsReachTheWindow) {
    struct Row {
        const char* name;
        QList<LaunchRequest> requests;
        QList<Shown> shown;
        int hidden;
        AppModel::Route route;
    };
    using Kind = LaunchRequest::Kind;
    const Row rows[] = {
        {"nothing asked: the window comes back",
         {},
         {{std::nullopt, false}},
         0,
         AppModel::Route::settings},
        {"translate with text",
         {{Kind::url, "verdolin://translate?text=Hola%20amigo"}},
         {{QStringLiteral("Hola amigo"), true}},
         0,
         AppModel::Route::settings},
        {"translate without text",
         {{Kind::url, "verdolin://translate"}},
         {{std::nullopt, true}},
         0,
         AppModel::Route::settings},
        {"hide", {{Kind::url, "verdolin://hide"}}, {}, 1, AppModel::Route::settings},
        {"no host",
         {{Kind::url, "verdolin://"}},
         {{std::nullopt, false}},
         0,
         AppModel::Route::settings},
        {"unknown host",
         {{Kind::url, "verdolin://Translate?text=x"}},
         {{std::nullopt, false}},
         0,
         AppModel::Route::settings},
        {"setup",
         {{Kind::url, "verdolin://setup?step=7"}},
         {{std::nullopt, false}},
         0,
         AppModel::Route::onboarding},
        {"empty text service", {{Kind::translateText, ""}}, {}, 0, AppModel::Route::settings},
        {"text service",
         {{Kind::translateText, "Hola"}},
         {{QStringLiteral("Hola"), true}},
         0,
         AppModel::Route::settings},
        {"open translator",
         {{Kind::openTranslator, {}}},
         {{std::nullopt, false}},
         0,
         AppModel::Route::translate},
        {"in order",
         {{Kind::url, "verdolin://hide"}, {Kind::translateText, "uno"}},
         {{QStringLiteral("uno"), true}},
         1,
         AppModel::Route::settings},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window.shown.clear();
        window.hidden = 0;
        app->setRoute(AppModel::Route::settings);
        delegate->handle(row.requests);
        EXPECT_EQ(window.shown, row.shown);
        EXPECT_EQ(window.hidden, row.hidden);
        // Text shown at the pointer turns to the translator in the window, not here.
        EXPECT_EQ(app->route(), row.route);
    }
    EXPECT_EQ(app->onboardingStep(), 3);
}

TEST_F(AppDelegateTest, SettingsCommandsPickTheirTabByName) {
    struct Row {
        const char* url;
        SettingsTab tab;
    };
    const Row rows[] = {
        {"verdolin://settings?tab=access", SettingsTab::shortcuts},
        // Not a tab name: the tab chosen last stays.
        {"verdolin://settings?tab=About", SettingsTab::shortcuts},
        {"verdolin://settings?tab=languages", SettingsTab::translation},
        {"verdolin://settings", SettingsTab::translation},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        app->setRoute(AppModel::Route::translate);
        window.shown.clear();
        delegate->handleUrl(QString::fromLatin1(row.url));
        EXPECT_EQ(app->settingsTab(), row.tab);
        EXPECT_EQ(app->route(), AppModel::Route::settings);
    }
}

TEST_F(AppDelegateTest, TheClipboardTriggerShowsTheClipboardAtThePointer) {
    delegate->translateClipboard();
    clipboard = QStringLiteral("copied");
    delegate->translateClipboard();
    EXPECT_EQ(window.shown, (QList<Shown>{{std::nullopt, true}, {QStringLiteral("copied"), true}}));
}

TEST_F(AppDelegateTest, TheTrayMenuShowsTheCurrentShortcutAndItsIconOpensTheTranslator) {
    ASSERT_TRUE(tray.menu);
    EXPECT_TRUE(tray.visible);
    const auto titles = [this] {
        QStringList list;
        for (const TrayMenuItem& item : tray.menu())
            list.append(item.title);
        return list;
    };
    EXPECT_EQ(titles(), (QStringList{"Translate Selection   Ctrl+Alt+T", "Translate Clipboard", "",
                                     "Open Translator", "Settings…", "", "About Verdolin",
                                     "Support Verdolin…", "", "Quit Verdolin"}));
    settings.setHotKey({0x79, 0x1800, QStringLiteral("Ctrl+Alt+Y")});
    EXPECT_EQ(titles().first(), QStringLiteral("Translate Selection   Ctrl+Alt+Y"));

    tray.menu().last().action();
    EXPECT_EQ(quits, 1);
    app->setRoute(AppModel::Route::settings);
    tray.clicked();
    EXPECT_EQ(app->route(), AppModel::Route::translate);
    EXPECT_EQ(window.shown, (QList<Shown>{{std::nullopt, false}}));

    settings.setShowInMenuBar(false);
    EXPECT_FALSE(tray.visible);
}

TEST_F(AppDelegateTest, DoubleCopyListensOnlyWhenTurnedOnAndPermitted) {
    struct Row {
        bool setting;
        bool permitted;
        bool listening;
    };
    const Row rows[] = {{true, true, true}, {true, false, false}, {false, true, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.setting << row.permitted);
        probe->listening = row.permitted;
        permissions.refresh();
        settings.setDoubleCopy(!row.setting);
        settings.setDoubleCopy(row.setting);
        EXPECT_EQ(doubleCopy.isListening(), row.listening);
    }
    // A permission granted meanwhile takes effect when the application is active again.
    probe->listening = true;
    delegate->becameActive();
    EXPECT_FALSE(doubleCopy.isListening());
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
    using Status = LoginRegistration::Status;
    struct Row {
        bool flag;
        Status item;
        bool tray;
        std::optional<double> uptime;
        bool login;
    };
    const Row rows[] = {
        {true, Status::notRegistered, false, std::nullopt, true},
        {false, Status::enabled, true, 89.9, true},
        {false, Status::enabled, true, 90.0, false},
        {false, Status::enabled, false, 10.0, false},
        {false, Status::notRegistered, true, 10.0, false},
        {false, Status::enabled, true, std::nullopt, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.flag << row.tray << row.uptime.value_or(-1));
        EXPECT_EQ(AppDelegate::launchedAsLoginItem(row.flag, row.item, row.tray, row.uptime),
                  row.login);
    }
}

} // namespace
