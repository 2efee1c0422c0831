#include "app/shell/TranslatorWindowController.h"

#include "app/settings/AppSettings.h"
#include "app/settings/DefaultsStore.h"
#include "app/shell/AppModel.h"
#include "core/WindowGeometry.h"
#include "core/WindowPlacement.h"

#include <QKeyEvent>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(shellLog)

namespace {

const QString sizeKey = QStringLiteral("windowSize");
const QString topLeftKey = QStringLiteral("windowTopLeft");

} // namespace

TranslatorWindowController::TranslatorWindowController(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_settings(*m_services.app->settings()) {
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(geometrySaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &TranslatorWindowController::saveGeometry);
    m_services.app->setWindow(this);
}

TranslatorWindowController::~TranslatorWindowController() {
    saveGeometry();
    if (m_window)
        m_window->removeEventFilter(this);
    m_services.app->setWindow(nullptr);
}

void TranslatorWindowController::show(const std::optional<QString>& text, bool nearMouse) {
    m_summonedFromOther = nearMouse;
    if (!m_window)
        build();
    if (!m_window)
        return;
    AppModel& app = *m_services.app;
    if (nearMouse)
        app.setRoute(AppModel::Route::translate);
    if (text) {
        app.setRoute(AppModel::Route::translate);
        app.model()->setText(*text);
    } else {
        app.model()->requestFocus();
    }
    if (nearMouse && !isActive()) {
        // The window the user is in now gets the focus back when this one goes.
        if (m_services.windowSystem) {
            if (const std::optional<WindowSystem::WindowId> other =
                    m_services.windowSystem->activeWindow())
                m_lastOther = other;
        }
        place();
    }
    // Showing a hidden window builds its state anew.
    if (m_services.windowSystem)
        m_services.windowSystem->setShownInTaskbar(*m_window, m_settings.showInDock());
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
}

void TranslatorWindowController::hide() {
    if (!m_window)
        return;
    const bool wasActive = isActive();
    m_window->hide();
    if (m_services.stopSpeech)
        m_services.stopSpeech();
    handBack(wasActive);
}

bool TranslatorWindowController::isActive() const {
    return m_window && m_window->isVisible() && m_window->isActive();
}

void TranslatorWindowController::build() {
    m_window = m_services.build ? m_services.build() : nullptr;
    if (!m_window) {
        qCWarning(shellLog) << "the translator window could not be made";
        return;
    }
    m_window->setTitle(QStringLiteral("Verdolin"));
    m_window->setMinimumSize(WindowGeometry::kMinimumSize);
    const DefaultsStore& store = m_settings.store();
    m_window->resize(
        WindowGeometry::savedSize(store.object(sizeKey)).value_or(WindowGeometry::kDefaultSize));

    const QList<Screen> screens = m_services.screens ? m_services.screens() : QList<Screen>();
    QList<QRect> available;
    for (const Screen& screen : screens)
        available.append(screen.available);
    if (const std::optional<QPoint> topLeft =
            WindowGeometry::savedTopLeft(store.object(topLeftKey), available)) {
        m_window->setFramePosition(*topLeft);
    } else if (!screens.isEmpty()) {
        QRect frame(QPoint(), m_window->size());
        frame.moveCenter(screens.first().available.center());
        m_window->setFramePosition(frame.topLeft());
    }

    applyKeepOnTop();
    connect(&m_settings, &AppSettings::keepOnTopChanged, this,
            &TranslatorWindowController::applyKeepOnTop);
    connect(&m_settings, &AppSettings::showInDockChanged, this, [this] {
        if (m_window && m_services.windowSystem)
            m_services.windowSystem->setShownInTaskbar(*m_window, m_settings.showInDock());
    });
    for (auto changed :
         {&QWindow::xChanged, &QWindow::yChanged, &QWindow::widthChanged, &QWindow::heightChanged})
        connect(m_window, changed, this, &TranslatorWindowController::geometryChanged);
    m_window->installEventFilter(this);
}

void TranslatorWindowController::place() {
    const QList<Screen> screens = m_services.screens ? m_services.screens() : QList<Screen>();
    if (screens.isEmpty() || !m_services.pointer)
        return;
    const QPoint pointer = m_services.pointer();
    const Screen* screen = &screens.first();
    for (const Screen& candidate : screens) {
        if (candidate.geometry.contains(pointer)) {
            screen = &candidate;
            break;
        }
    }
    const QSize frame = m_window->frameGeometry().size();
    m_window->setFramePosition(WindowPlacement::nearPointer(pointer, frame, screen->available));
}

void TranslatorWindowController::applyKeepOnTop() {
    if (m_window)
        m_window->setFlag(Qt::WindowStaysOnTopHint, m_settings.keepOnTop());
}

void TranslatorWindowController::handBack(bool wasActive) {
    // A window opened from the tray, the taskbar or at launch moves the focus nowhere.
    if (!m_summonedFromOther || !wasActive || m_terminating || !m_lastOther)
        return;
    if (m_services.windowSystem)
        m_services.windowSystem->activate(*m_lastOther);
}

void TranslatorWindowController::geometryChanged() {
    if (!m_window || !m_window->isVisible())
        return;
    m_geometryChanged = true;
    m_saveTimer.start();
}

void TranslatorWindowController::saveGeometry() {
    m_saveTimer.stop();
    if (!m_window || !m_geometryChanged)
        return;
    m_geometryChanged = false;
    m_settings.store().setObject(sizeKey, WindowGeometry::sizeValue(m_window->size()));
    m_settings.store().setObject(topLeftKey,
                                 WindowGeometry::topLeftValue(m_window->framePosition()));
}

bool TranslatorWindowController::escapePressed() {
    // Escape belongs to an open menu, and to an input method while it composes.
    if (m_window->property("menuOpen").toBool())
        return false;
    if (QObject* focus = m_window->focusObject()) {
        if (!focus->property("preeditText").toString().isEmpty())
            return false;
    }
    AppModel& app = *m_services.app;
    if (app.route() == AppModel::Route::settings)
        app.setRoute(AppModel::Route::translate);
    else
        hide();
    return true;
}

bool TranslatorWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier)
            return escapePressed();
        return false;
    }
    case QEvent::Close:
        // The same window serves every show, so closing only hides it.
        event->ignore();
        hide();
        return true;
    default:
        return false;
    }
}
