#include "app/shell/TranslatorWindowController.h"

#include "core/WindowGeometry.h"
#include "tests/app/shell/ShellFixture.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>

namespace {

class ScriptedWindowSystem : public WindowSystem {
public:
    std::optional<WindowId> activeWindow() override { return active; }
    bool activate(WindowId window) override { return activated.push_back(window), true; }
    void setShownInTaskbar(QWindow& window, bool shown) override {
        taskbar.append({window.isVisible(), shown});
    }

    std::optional<WindowId> active;
    // A std::vector: comparing a cleared QList with an empty one reads a null pointer.
    std::vector<WindowId> activated;
    // Whether the window was visible when asked, and what was asked.
    QList<std::pair<bool, bool>> taskbar;
};

// A window whose focused item may be composing with an input method.
class ComposingWindow : public QWindow {
public:
    QObject* focusObject() const override { return item.get(); }
    std::unique_ptr<QObject> item = std::make_unique<QObject>();
};

const QRect screenArea(0, 0, 1280, 1024);
const QRect available(0, 30, 1280, 994);

class TranslatorWindowControllerTest : public ShellFixture {
protected:
    std::unique_ptr<TranslatorWindowController> make() {
        TranslatorWindowController::Services services;
        services.app = app.get();
        services.build = [this]() -> QWindow* {
            ++builds;
            return (window = std::make_unique<ComposingWindow>()).get();
        };
        services.windowSystem = &system;
        services.pointer = [this] { return pointer; };
        services.screens = [] {
            return QList<TranslatorWindowController::Screen>{{screenArea, available}};
        };
        services.stopSpeech = [this] { ++speechStops; };
        return std::make_unique<TranslatorWindowController>(services);
    }

    void pressEscape() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &press);
    }

    ScriptedWindowSystem system;
    std::unique_ptr<ComposingWindow> window;
    QPoint pointer{100, 100};
    int builds = 0, speechStops = 0;
};

// Which values are valid, and where exactly a window goes, is the core's; here: that the
// controller uses them, with the frame's size and the pointer's screen.
TEST_F(TranslatorWindowControllerTest, SavedGeometryOrCentredThenNextToThePointer) {
    // clang-format off
    const struct { QVariant size, topLeft; QSize expectedSize; QPoint expectedTopLeft; } rows[] = {
        {{}, {}, {420, 480}, {430, 287}},
        {QVariantList{500.0, 600.0}, QVariantList{200.0, 300.0}, {500, 600}, {200, 300}},
        {QVariantList{300.0, 500.0}, QVariantList{2000.0, 300.0}, {420, 480}, {430, 287}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expectedTopLeft.x());
        store.setObject("windowSize", row.size);
        store.setObject("windowTopLeft", row.topLeft);
        auto controller = make();
        controller->show(std::nullopt, false);
        EXPECT_EQ(window->size(), row.expectedSize);
        EXPECT_EQ(window->framePosition(), row.expectedTopLeft);
    }

    auto controller = make();
    builds = 0;
    for (const QPoint at : {QPoint(100, 100), QPoint(1270, 100)}) {
        pointer = at;
        controller->hide();
        controller->show("hola", true);
        const int right = 1280 - 8 - window->frameGeometry().width();
        EXPECT_EQ(window->framePosition(), QPoint(std::min(at.x() + 14, right), 114));
    }
    EXPECT_EQ(builds, 1) << "one window serves every show";
    // An active window stays where the user has it.
    QCoreApplication::processEvents();
    if (controller->isActive()) {
        pointer = {600, 600};
        controller->show("otra", true);
        EXPECT_EQ(window->framePosition().y(), 114);
    }
}

TEST_F(TranslatorWindowControllerTest, TextTurnsToTheTranslatorAndNoTextKeepsTheScreen) {
    auto controller = make();
    app->setRoute(AppModel::Route::settings);
    const int focus = app->model()->focusToken();
    controller->show(std::nullopt, false);
    EXPECT_EQ(app->route(), AppModel::Route::settings);
    EXPECT_EQ(app->model()->focusToken(), focus + 1);

    controller->show("Hola", false);
    EXPECT_EQ(app->route(), AppModel::Route::translate);
    EXPECT_EQ(app->model()->input(), "Hola");

    app->setRoute(AppModel::Route::onboarding);
    controller->show(std::nullopt, true);
    EXPECT_EQ(app->route(), AppModel::Route::translate);
}

TEST_F(TranslatorWindowControllerTest, EscapeLeavesSettingsFirstAndWaitsForTheInputMethod) {
    auto controller = make();
    app->setRoute(AppModel::Route::settings);
    controller->show(std::nullopt, false);

    pressEscape();
    EXPECT_EQ(app->route(), AppModel::Route::translate);
    EXPECT_TRUE(window->isVisible());

    window->item->setProperty("preeditText", "か");
    pressEscape();
    EXPECT_TRUE(window->isVisible()) << "Escape belongs to the composition";
    window->item->setProperty("preeditText", QString());
    window->setProperty("menuOpen", true);
    pressEscape();
    EXPECT_TRUE(window->isVisible()) << "Escape belongs to the open menu";
    window->setProperty("menuOpen", false);

    pressEscape();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(speechStops, 1);
}

TEST_F(TranslatorWindowControllerTest, TheFocusGoesBackOnlyAfterAGlobalTrigger) {
    // clang-format off
    const struct { const char* name; bool nearMouse, terminating;
        std::vector<WindowSystem::WindowId> activated; } rows[] = {
        {"summoned from another application", true, false, {42}},
        {"opened from the tray", false, false, {}},
        {"quitting", true, true, {}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto controller = make();
        system.active = 42;
        system.activated.clear();
        controller->show("x", row.nearMouse);
        window->requestActivate();
        QCoreApplication::processEvents();
        if (!controller->isActive())
            GTEST_SKIP() << "this platform does not activate windows";
        if (row.terminating)
            controller->setTerminating();
        controller->hide();
        EXPECT_EQ(system.activated, row.activated);
    }
}

TEST_F(TranslatorWindowControllerTest, SettingsApplyToTheLiveWindow) {
    settings.setShowInDock(false);
    auto controller = make();
    controller->show(std::nullopt, false);
    controller->hide();
    controller->show(std::nullopt, false);
    // Asked before each show, while the window is still hidden.
    EXPECT_EQ(system.taskbar, (QList<std::pair<bool, bool>>{{false, false}, {false, false}}));
    settings.setShowInDock(true);
    EXPECT_EQ(system.taskbar.last(), std::make_pair(true, true));

    settings.setKeepOnTop(true);
    EXPECT_TRUE(window->flags().testFlag(Qt::WindowStaysOnTopHint));
    settings.setKeepOnTop(false);
    EXPECT_FALSE(window->flags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(TranslatorWindowControllerTest, ClosingHidesTheSameWindowAndItsPlaceIsKept) {
    auto controller = make();
    controller->show(std::nullopt, false);
    window->setFramePosition({300, 200});
    window->resize(500, 520);
    QCoreApplication::processEvents();
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(speechStops, 1);
    controller->show(std::nullopt, false);
    EXPECT_EQ(builds, 1);

    controller->saveGeometry();
    EXPECT_EQ(WindowGeometry::savedSize(store.object("windowSize")), QSize(500, 520));
    EXPECT_EQ(WindowGeometry::savedTopLeft(store.object("windowTopLeft"), {available}),
              QPoint(300, 200));
}

} // namespace
