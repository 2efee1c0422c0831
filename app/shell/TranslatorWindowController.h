#pragma once

#include "app/shell/WindowPresenter.h"
#include "app/shell/WindowSystem.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <optional>

class AppModel;
class AppSettings;

// The product's one window: built on first show and kept, brought up where the user left it or
// next to the pointer, closed by Escape, its size and place kept across launches, above other
// windows when asked, and, when a global trigger brought it up, handing the focus back to the
// window the user came from. Main thread only.
class TranslatorWindowController : public QObject, public WindowPresenter {
    Q_OBJECT

public:
    // Screen geometry in Qt's coordinates: the top-left corner is the origin, y grows down.
    struct Screen {
        QRect geometry;
        QRect available;
    };

    struct Services {
        // Not owned; must outlive the controller.
        AppModel* app = nullptr;
        // Makes the window, once; it stays owned by whoever made it.
        std::function<QWindow*()> build;
        // None where the desktop offers no window manager services.
        WindowSystem* windowSystem = nullptr;
        std::function<QPoint()> pointer;
        // In the desktop's order, the primary first.
        std::function<QList<Screen>()> screens;
        std::function<void()> stopSpeech;
    };

    // Writes of the size and place wait this long for the user to stop dragging.
    static constexpr int geometrySaveDelayMs = 400;

    explicit TranslatorWindowController(Services services, QObject* parent = nullptr);
    ~TranslatorWindowController() override;

    void show(const std::optional<QString>& text, bool nearMouse) override;
    void hide() override;
    bool isActive() const override;

    // From here on, closing the window gives the focus to no one.
    void setTerminating() { m_terminating = true; }
    // Writes a pending size or place now.
    void saveGeometry();

    QWindow* window() const { return m_window; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void place();
    void applyKeepOnTop();
    void handBack(bool wasActive);
    bool escapePressed();
    void geometryChanged();

    Services m_services;
    AppSettings& m_settings;
    QPointer<QWindow> m_window;
    std::optional<WindowSystem::WindowId> m_lastOther;
    bool m_summonedFromOther = false;
    bool m_terminating = false;
    bool m_geometryChanged = false;
    QTimer m_saveTimer;
};
