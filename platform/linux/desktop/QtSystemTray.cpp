#include "platform/linux/desktop/QtSystemTray.h"

QtSystemTray::QtSystemTray(const QIcon& icon, QObject* parent)
    : QObject(parent)
    , m_icon(icon) {
    m_icon.setToolTip(QStringLiteral("Verdolin"));
    m_icon.setContextMenu(&m_menu);
    connect(&m_menu, &QMenu::aboutToShow, this, &QtSystemTray::rebuild);
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    && m_clicked)
                    m_clicked();
            });
}

QtSystemTray::~QtSystemTray() {
    m_icon.hide();
}

void QtSystemTray::setMenu(std::function<QList<TrayMenuItem>()> items,
                           std::function<void()> clicked) {
    m_items = std::move(items);
    m_clicked = std::move(clicked);
    // Some hosts read the menu before it is first opened.
    rebuild();
}

void QtSystemTray::rebuild() {
    m_menu.clear();
    if (!m_items)
        return;
    for (const TrayMenuItem& item : m_items()) {
        if (item.isSeparator()) {
            m_menu.addSeparator();
            continue;
        }
        QAction* action = m_menu.addAction(item.title);
        if (!item.shortcut.isEmpty())
            action->setShortcut(QKeySequence(item.shortcut));
        // Queued: the menu is cleared the next time it opens, maybe from within the action.
        connect(
            action, &QAction::triggered, this, [run = item.action] { run(); },
            Qt::QueuedConnection);
    }
}

void QtSystemTray::setVisible(bool visible) {
    m_icon.setVisible(visible);
}

bool QtSystemTray::isVisible() const {
    return m_icon.isVisible();
}

bool QtSystemTray::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}
