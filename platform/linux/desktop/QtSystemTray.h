#pragma once

#include "app/shell/SystemTray.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

// The tray icon through Qt: a StatusNotifierItem where the desktop has a host for one, the
// XEmbed tray otherwise. Its menu is built anew each time it opens.
class QtSystemTray final : public QObject, public SystemTray {
    Q_OBJECT

public:
    explicit QtSystemTray(const QIcon& icon, QObject* parent = nullptr);
    ~QtSystemTray() override;

    void setMenu(std::function<QList<TrayMenuItem>()> items,
                 std::function<void()> clicked) override;
    void setVisible(bool visible) override;
    bool isVisible() const override;
    bool isAvailable() const override;

private:
    void rebuild();

    QMenu m_menu;
    QSystemTrayIcon m_icon;
    std::function<QList<TrayMenuItem>()> m_items;
    std::function<void()> m_clicked;
};
