#include "app/shell/GeneralTabState.h"

#include "app/shell/AppModel.h"
#include "app/system/LoginItem.h"

#include <QGuiApplication>

GeneralTabState::GeneralTabState(QObject* parent)
    : QObject(parent) {
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    readLogin();
            });
    readLogin();
}

GeneralTabState::~GeneralTabState() = default;

void GeneralTabState::setApp(AppModel* app) {
    if (app == m_app)
        return;
    if (m_app)
        m_app->settings()->disconnect(this);
    m_app = app;
    if (app) {
        connect(app->settings(), &AppSettings::showInDockChanged, this,
                &GeneralTabState::visibilityChanged);
        connect(app->settings(), &AppSettings::showInMenuBarChanged, this,
                &GeneralTabState::visibilityChanged);
    }
    emit appChanged();
    emit visibilityChanged();
}

void GeneralTabState::setLoginItem(LoginItem* item) {
    m_loginItem = item;
    readLogin();
}

LoginItem& GeneralTabState::loginItem() const {
    return m_loginItem ? *m_loginItem : LoginItem::shared();
}

bool GeneralTabState::canChangeTaskbar() const {
    return m_app && !(m_app->settings()->showInDock() && !m_app->settings()->showInMenuBar());
}

bool GeneralTabState::canChangeTray() const {
    return m_app && !(m_app->settings()->showInMenuBar() && !m_app->settings()->showInDock());
}

void GeneralTabState::setLogin(bool on) {
    m_loginError = loginItem().set(on).value_or(QString());
    readLogin();
    // The switch was flipped by the click; it must show the desktop's answer again.
    emit loginChanged();
}

void GeneralTabState::readLogin() {
    const bool enabled = loginItem().status() == LoginItem::Status::enabled;
    if (enabled == m_loginEnabled)
        return;
    m_loginEnabled = enabled;
    emit loginChanged();
}
