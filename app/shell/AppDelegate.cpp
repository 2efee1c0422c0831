#include "app/shell/AppDelegate.h"

#include "app/capture/PermissionWatcher.h"
#include "app/settings/AppSettings.h"
#include "app/shell/SystemTray.h"
#include "app/shell/WindowPresenter.h"
#include "app/shortcuts/DoubleCopyMonitor.h"
#include "app/shortcuts/HotKeyManager.h"
#include "app/translation/Futures.h"
#include "app/updates/UpdateController.h"
#include "core/UrlCommand.h"

#include <QLoggingCategory>
#include <QMetaObject>

Q_LOGGING_CATEGORY(shellLog, "verdolin.shell")

AppDelegate::AppDelegate(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_settings(*m_services.app->settings()) {
    connect(m_services.app, &AppModel::actionTriggered, this, &AppDelegate::perform);
}

AppDelegate::~AppDelegate() {
    if (m_services.hotKeys)
        m_services.hotKeys->onTrigger = nullptr;
    if (m_services.doubleCopy)
        m_services.doubleCopy->onDoubleCopy = nullptr;
}

bool AppDelegate::launchedAsLoginItem(bool loginFlag, LoginRegistration::Status loginItem,
                                      bool showInTray, std::optional<double> uptime) {
    if (loginFlag)
        return true;
    return loginItem == LoginRegistration::Status::enabled && showInTray && uptime
           && *uptime < loginUptimeLimit;
}

void AppDelegate::start(bool login) {
    QPointer<AppDelegate> self(this);
    if (m_services.hotKeys) {
        m_services.hotKeys->onTrigger = [self] {
            if (self)
                self->translateSelection();
        };
        m_services.hotKeys->registerHotKey(m_settings.hotKey());
    }
    if (m_services.doubleCopy) {
        m_services.doubleCopy->onDoubleCopy = [self] {
            if (self)
                self->translateClipboard();
        };
    }
    syncDoubleCopyMonitor();
    if (m_services.tray) {
        m_services.tray->setMenu(
            [self] { return self ? self->trayMenuItems() : QList<TrayMenuItem>(); },
            [self] {
                if (self)
                    self->openTranslator();
            });
    }
    updateTray(std::nullopt);
    if (UpdateController* updates = m_services.updates) {
        updates->start(updatePolicy());
        // An offer, or the answer to a check asked for from the tray, is shown in the window.
        connect(updates->updater(), &Updater::attentionNeeded, this,
                [this] { m_services.window->show(std::nullopt, false); });
    }
    observeSettings();
    if (!login)
        m_services.window->show(std::nullopt, false);
}

void AppDelegate::translateSelection() {
    if (m_services.window->isActive()) {
        m_services.window->hide();
        return;
    }
    const std::optional<qint64> generation = m_latch.begin();
    if (!generation) {
        if (m_services.beep)
            m_services.beep();
        return;
    }
    const qint64 gen = *generation;
    QPointer<AppDelegate> self(this);
    m_releaseTimer = m_services.clock->after(captureRelease, [self, gen] {
        if (self)
            self->release(gen);
    });
    // `finished` may come from the capture's worker thread.
    const auto finished = [self, gen] {
        QMetaObject::invokeMethod(
            self.data(),
            [self, gen] {
                if (self)
                    self->release(gen);
            },
            Qt::QueuedConnection);
    };
    // Watched from here: a capture may outlive the delegate when the application quits.
    Futures::whenFinished(m_services.capture(finished), this,
                          [this](const QFuture<CaptureResult>& result) {
                              if (result.resultCount() > 0)
                                  showCaptureResult(result.result());
                          });
}

void AppDelegate::release(qint64 generation) {
    m_latch.release(generation);
}

void AppDelegate::showCaptureResult(const CaptureResult& result) {
    TranslatorModel& model = *m_services.app->model();
    switch (result.kind) {
    case CaptureResult::Kind::text:
        m_services.window->show(result.text, true);
        // After the new text, which clears the notice.
        if (result.clipboardLost)
            model.setNotice(Notice::clipboardLost);
        return;
    case CaptureResult::Kind::empty:
    case CaptureResult::Kind::clipboardBusy:
        model.showCaptureResult(result);
        break;
    case CaptureResult::Kind::noPermission:
        if (m_services.permissions) {
            m_services.permissions->setNeedsAttention(true);
            m_services.permissions->refresh();
        }
        break;
    }
    m_services.window->show(std::nullopt, true);
}

void AppDelegate::translateClipboard() {
    if (m_latch.capturing()) {
        if (m_services.beep)
            m_services.beep();
        return;
    }
    m_services.window->show(m_services.clipboardText ? m_services.clipboardText() : std::nullopt,
                            true);
}

void AppDelegate::openTranslator() {
    m_services.app->setRoute(AppModel::Route::translate);
    m_services.window->show(std::nullopt, false);
}

void AppDelegate::openSettings() {
    m_services.app->setRoute(AppModel::Route::settings);
    m_services.window->show(std::nullopt, false);
}

void AppDelegate::translateText(const QString& text) {
    if (text.isEmpty())
        return;
    m_services.window->show(text, true);
}

void AppDelegate::handle(const QList<LaunchRequest>& requests) {
    if (requests.isEmpty()) {
        m_services.window->show(std::nullopt, false);
        return;
    }
    for (const LaunchRequest& request : requests) {
        switch (request.kind) {
        case LaunchRequest::Kind::url:
            handleUrl(request.value);
            break;
        case LaunchRequest::Kind::translateText:
            translateText(request.value);
            break;
        case LaunchRequest::Kind::translateClipboard:
            translateClipboard();
            break;
        case LaunchRequest::Kind::openTranslator:
            openTranslator();
            break;
        }
    }
}

void AppDelegate::handleUrl(const QString& url) {
    const UrlCommand command = UrlCommand::parse(url);
    AppModel& app = *m_services.app;
    switch (command.kind) {
    case UrlCommand::Kind::translate:
        m_services.window->show(command.text, true);
        break;
    case UrlCommand::Kind::hide:
        m_services.window->hide();
        break;
    case UrlCommand::Kind::setup:
        app.setOnboardingStep(command.step);
        app.setRoute(AppModel::Route::onboarding);
        m_services.window->show(std::nullopt, false);
        break;
    case UrlCommand::Kind::settings:
        app.showSettings(SettingsTabs::fromName(command.tab));
        break;
    case UrlCommand::Kind::reopen:
        m_services.window->show(std::nullopt, false);
        break;
    }
}

void AppDelegate::syncDoubleCopyMonitor() {
    if (!m_services.doubleCopy)
        return;
    const bool allowed = m_services.permissions && m_services.permissions->inputMonitoring();
    if (m_settings.doubleCopy() && allowed)
        m_services.doubleCopy->start();
    else
        m_services.doubleCopy->stop();
}

void AppDelegate::becameActive() {
    if (m_services.app->languages()->options().isEmpty())
        m_services.app->languages()->load();
    if (m_services.permissions)
        m_services.permissions->refresh();
    syncDoubleCopyMonitor();
}

QList<TrayMenuItem> AppDelegate::trayMenuItems() const {
    using Action = AppModel::Action;
    const auto item = [self = const_cast<AppDelegate*>(this)](const QString& title, Action action,
                                                              const QString& shortcut = {}) {
        return TrayMenuItem{title, [self, action] { self->perform(action); }, shortcut};
    };
    QList<TrayMenuItem> items{
        item(tr("Translate Selection") + QStringLiteral("   ") + m_settings.hotKey().label,
             Action::translateSelection),
        item(tr("Translate Clipboard"), Action::translateClipboard),
        {},
        item(tr("Open Translator"), Action::openTranslator),
        item(tr("Settings…"), Action::openSettings),
    };
    if (m_services.updates)
        items.append(item(tr("Check for Updates…"), Action::checkForUpdates));
    items.append(QList<TrayMenuItem>{
        {},
        item(tr("About Verdolin"), Action::showAbout),
        item(tr("Support Verdolin…"), Action::openSupport),
        {},
        item(tr("Quit Verdolin"), Action::quit, QStringLiteral("Ctrl+Q")),
    });
    return items;
}

void AppDelegate::updateTray(std::optional<bool> shown) {
    if (!m_services.tray)
        return;
    const bool wanted = shown.value_or(m_settings.showInMenuBar());
    const bool available = m_services.tray->isAvailable();
    // The general settings say so under the tray's switch.
    m_services.app->setTrayAvailable(available);
    if (wanted && !available)
        qCInfo(shellLog) << "the desktop shows no tray icons; the window stays reachable from "
                            "the taskbar and the shortcut";
    m_services.tray->setVisible(wanted);
}

void AppDelegate::observeSettings() {
    connect(&m_settings, &AppSettings::showInMenuBarChanged, this,
            [this] { updateTray(m_settings.showInMenuBar()); });
    if (m_services.updates) {
        const auto apply = [this] { m_services.updates->apply(updatePolicy()); };
        connect(&m_settings, &AppSettings::updateFrequencyChanged, this, apply);
        connect(&m_settings, &AppSettings::autoInstallUpdatesChanged, this, apply);
    }
    connect(&m_settings, &AppSettings::doubleCopyChanged, this, [this] {
        PermissionWatcher* permissions = m_services.permissions;
        if (m_settings.doubleCopy() && permissions && !permissions->inputMonitoring())
            permissions->request();
        syncDoubleCopyMonitor();
    });
}

void AppDelegate::perform(AppModel::Action action) {
    switch (action) {
    case AppModel::Action::translateSelection:
        translateSelection();
        break;
    case AppModel::Action::translateClipboard:
        translateClipboard();
        break;
    case AppModel::Action::openTranslator:
        openTranslator();
        break;
    case AppModel::Action::openSettings:
        openSettings();
        break;
    case AppModel::Action::openSupport:
        if (m_services.openSupport)
            m_services.openSupport();
        break;
    case AppModel::Action::showAbout:
        if (m_services.showAbout)
            m_services.showAbout();
        break;
    case AppModel::Action::hideWindow:
        m_services.window->hide();
        break;
    case AppModel::Action::quit:
        quit();
        break;
    case AppModel::Action::checkForUpdates:
        if (m_services.updates) {
            m_services.updates->checkForUpdates();
            m_services.window->show(std::nullopt, false);
        }
        break;
    }
}

UpdatePolicy AppDelegate::updatePolicy() const {
    return UpdatePolicy(m_settings.updateFrequency(), m_settings.autoInstallUpdates());
}

void AppDelegate::quit() {
    if (!m_services.quit)
        return;
    Updater* updater = m_services.updates ? m_services.updates->updater() : nullptr;
    if (!updater || !updater->hasPendingInstall()) {
        m_services.quit();
        return;
    }
    // The system's prompt comes up on its own; the window is out of its way.
    m_services.window->hide();
    updater->installPendingThen(m_services.quit);
}
