#pragma once

#include "app/capture/CaptureResult.h"
#include "app/shell/AppModel.h"
#include "app/shell/TrayMenuItem.h"
#include "app/system/LoginRegistration.h"
#include "app/translation/DelayClock.h"
#include "core/CaptureLatch.h"
#include "core/LaunchArguments.h"
#include "core/UpdatePolicy.h"

#include <QFuture>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AppSettings;
class DoubleCopyMonitor;
class HotKeyManager;
class PermissionWatcher;
class SystemTray;
class UpdateController;
class WindowPresenter;

// The running application: wires the global triggers (shortcut, double copy, tray, URL
// commands, the text service) to the window, keeps the tray icon and the appearance in step
// with the settings, and runs the product's central flow: capture the selection of the focused
// application and show its translation next to the pointer. Main thread only.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // How long a capture may hold the latch when its end never arrives.
    static constexpr std::chrono::milliseconds captureRelease{12000};
    // A launch within this long of the computer's start, with the login item on and the tray
    // icon shown, counts as a login launch.
    static constexpr double loginUptimeLimit = 90.0;

    struct Services {
        // Not owned; must outlive the delegate.
        AppModel* app = nullptr;
        WindowPresenter* window = nullptr;
        HotKeyManager* hotKeys = nullptr;
        DoubleCopyMonitor* doubleCopy = nullptr;
        PermissionWatcher* permissions = nullptr;
        // None when the desktop gets no tray icon.
        SystemTray* tray = nullptr;
        // None when this build looks for no updates.
        UpdateController* updates = nullptr;

        // One capture of the selection; `finished` comes once no keystroke or clipboard work
        // is pending any more, possibly from another thread.
        std::function<QFuture<CaptureResult>(std::function<void()> finished)> capture;
        // The clipboard's plain text, none when it holds none.
        std::function<std::optional<QString>()> clipboardText;
        std::function<void()> beep;
        std::function<void()> showAbout;
        std::function<void()> openSupport;
        std::function<void()> quit;
        std::shared_ptr<DelayClock> clock;
    };

    explicit AppDelegate(Services services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Whether this start is the login item's: its flag on the command line, or the login item
    // on, the tray icon shown and the computer up for less than 90 s (`uptime` in seconds, none
    // when unknown).
    static bool launchedAsLoginItem(bool loginFlag, LoginRegistration::Status loginItem,
                                    bool showInTray, std::optional<double> uptime);

    // The start after the services exist: triggers, tray, appearance, observers, and the window
    // unless this is a login launch.
    void start(bool login);

    // The shortcut and the tray's first item: hides an active window, else captures.
    void translateSelection();
    // Double copy and "Translate Clipboard".
    void translateClipboard();
    void openTranslator();
    void openSettings();
    // What a start asked for, in order; nothing asked brings the window back.
    void handle(const QList<LaunchRequest>& requests);
    // One verdolin:// command.
    void handleUrl(const QString& url);
    // The text service: the window at the pointer with `text`; empty text does nothing.
    void translateText(const QString& text);

    // Starts or stops listening for double copy as the setting and the permission allow.
    void syncDoubleCopyMonitor();
    // The application became active again: a permission granted meanwhile takes effect.
    void becameActive();
    // The tray icon's menu as it is now.
    QList<TrayMenuItem> trayMenuItems() const;
    bool capturing() const { return m_latch.capturing(); }

private:
    void updateTray(std::optional<bool> shown);
    UpdatePolicy updatePolicy() const;
    // Quitting installs a downloaded update first, if one waits.
    void quit();
    void observeSettings();
    void perform(AppModel::Action action);
    void release(qint64 generation);
    void showCaptureResult(const CaptureResult& result);

    Services m_services;
    AppSettings& m_settings;
    CaptureLatch m_latch;
    std::unique_ptr<DelayClock::Pending> m_releaseTimer;
};
