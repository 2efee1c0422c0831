#pragma once

#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QString>

class AppModel;
class LoginItem;

// The general settings' own state: the login item as the desktop has it, and the rule that
// keeps the window reachable (taskbar or tray). Main thread only.
class GeneralTabState : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(AppModel* app READ app WRITE setApp NOTIFY appChanged)
    Q_PROPERTY(bool loginEnabled READ loginEnabled NOTIFY loginChanged)
    // Why the desktop refused the last change; empty when it did not.
    Q_PROPERTY(QString loginError READ loginError NOTIFY loginChanged)
    // The last of the two that is on cannot be turned off.
    Q_PROPERTY(bool canChangeTaskbar READ canChangeTaskbar NOTIFY visibilityChanged)
    Q_PROPERTY(bool canChangeTray READ canChangeTray NOTIFY visibilityChanged)

public:
    explicit GeneralTabState(QObject* parent = nullptr);
    ~GeneralTabState() override;

    AppModel* app() const { return m_app; }
    void setApp(AppModel* app);
    // The process-wide login item unless a test says otherwise.
    void setLoginItem(LoginItem* item);

    bool loginEnabled() const { return m_loginEnabled; }
    QString loginError() const { return m_loginError; }
    bool canChangeTaskbar() const;
    bool canChangeTray() const;

    // Asks the desktop to start Verdolin at login or not; the switch then shows what the
    // desktop did, not what was asked.
    Q_INVOKABLE void setLogin(bool on);
    // Reads the login item again: the user may have changed it elsewhere.
    Q_INVOKABLE void readLogin();

signals:
    void appChanged();
    void loginChanged();
    void visibilityChanged();

private:
    LoginItem& loginItem() const;

    QPointer<AppModel> m_app;
    LoginItem* m_loginItem = nullptr;
    bool m_loginEnabled = false;
    QString m_loginError;
};
