#pragma once

#include "app/capture/PermissionWatcher.h"
#include "app/languages/LanguageService.h"
#include "app/settings/AppSettings.h"
#include "app/translation/HistoryModel.h"
#include "app/translation/TranslatorModel.h"
#include "app/updates/UpdateController.h"
#include "core/SettingsTab.h"

#include <QObject>
#include <QPointer>
#include <QQmlEngine>

#include <memory>
#include <optional>

class WindowPresenter;

// The models behind the one window and where it is: which screen it shows, which settings tab
// is selected and which onboarding step is shown. Main thread only.
class AppModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(Route route READ route WRITE setRoute NOTIFY routeChanged)
    Q_PROPERTY(SettingsTabs::SettingsTab settingsTab READ settingsTab WRITE setSettingsTab NOTIFY
                   settingsTabChanged)
    // The same as a number in the tab bar's order, for QML, which cannot type the enum.
    Q_PROPERTY(int settingsTabIndex READ settingsTabIndex WRITE setSettingsTabIndex NOTIFY
                   settingsTabChanged)
    Q_PROPERTY(
        int onboardingStep READ onboardingStep WRITE setOnboardingStep NOTIFY onboardingStepChanged)
    Q_PROPERTY(AppSettings* settings READ settings CONSTANT)
    Q_PROPERTY(LanguageService* languages READ languages CONSTANT)
    Q_PROPERTY(HistoryModel* history READ history CONSTANT)
    Q_PROPERTY(TranslatorModel* model READ model CONSTANT)
    Q_PROPERTY(SpeechService* speech READ speech CONSTANT)
    // Null until the application has one.
    Q_PROPERTY(PermissionWatcher* permissions READ permissions NOTIFY permissionsChanged)
    // Whether the desktop shows tray icons at all.
    Q_PROPERTY(bool trayAvailable READ trayAvailable NOTIFY trayAvailableChanged)
    // "0.1.0 (1)".
    Q_PROPERTY(QString version READ version CONSTANT)
    // Null when this build looks for no updates.
    Q_PROPERTY(UpdateController* updates READ updates NOTIFY updatesChanged)

public:
    // QML reads enum values only by names that begin with a capital letter, hence the aliases.
    enum class Route {
        onboarding,
        translate,
        settings,
        Onboarding = onboarding,
        Translate = translate,
        Settings = settings,
    };
    Q_ENUM(Route)

    // What the window's menus and shortcuts ask the application for.
    enum class Action {
        translateSelection,
        translateClipboard,
        openTranslator,
        openSettings,
        openSupport,
        showAbout,
        hideWindow,
        quit,
        checkForUpdates,
        TranslateSelection = translateSelection,
        TranslateClipboard = translateClipboard,
        OpenTranslator = openTranslator,
        OpenSettings = openSettings,
        OpenSupport = openSupport,
        ShowAbout = showAbout,
        HideWindow = hideWindow,
        Quit = quit,
        CheckForUpdates = checkForUpdates,
    };
    Q_ENUM(Action)

    // The settings and language service must outlive the model; `history` is taken over and
    // given to the translator model as the place its translations are recorded.
    AppModel(AppSettings& settings, LanguageService& languages,
             std::unique_ptr<HistoryModel> history, TranslatorModel::Services translator,
             QObject* parent = nullptr);
    ~AppModel() override;

    // The process-wide model, made at start; QML receives it as the AppModel singleton.
    static AppModel& shared();
    static void installShared(std::unique_ptr<AppModel> model);
    static AppModel* create(QQmlEngine* engine, QJSEngine* script);
    // Makes the enums of other folders known to QML as Notice and SettingsTab; before the
    // first QML is loaded.
    static void registerQmlTypes();

    Route route() const { return m_route; }
    SettingsTab settingsTab() const { return m_settingsTab; }
    int onboardingStep() const { return m_onboardingStep; }
    int settingsTabIndex() const { return int(m_settingsTab); }
    void setSettingsTabIndex(int index);
    AppSettings* settings() const { return &m_settings; }
    LanguageService* languages() const { return &m_languages; }
    HistoryModel* history() const { return m_history.get(); }
    TranslatorModel* model() const { return m_model.get(); }
    // What the translator model works with, for the screens' downloads and delays.
    TranslationEngine& engine() const { return m_engine; }
    const std::shared_ptr<DelayClock>& clock() const { return m_clock; }
    SpeechService* speech() const { return m_speech; }
    PermissionWatcher* permissions() const { return m_permissions; }
    void setPermissions(PermissionWatcher* permissions);
    bool trayAvailable() const { return m_trayAvailable; }
    void setTrayAvailable(bool available);
    QString version() const { return m_version; }
    UpdateController* updates() const { return m_updates; }
    void setUpdates(UpdateController* updates);
    // Before QML first reads it.
    void setVersion(const QString& version) { m_version = version; }

    void setRoute(Route route);
    void setSettingsTab(SettingsTab tab);
    void setOnboardingStep(int step);

    // The window that showSettings brings up; not owned.
    void setWindow(WindowPresenter* window) { m_window = window; }

    // The settings screen on `tab`, or on the tab selected last; the window comes up where it
    // was.
    void showSettings(std::optional<SettingsTab> tab);
    // The same for a tab name as URL commands give it ("access", "languages", …).
    Q_INVOKABLE void showSettingsNamed(const QString& name);

    Q_INVOKABLE void trigger(Action action) { emit actionTriggered(action); }

signals:
    void routeChanged();
    void settingsTabChanged();
    void onboardingStepChanged();
    void permissionsChanged();
    void trayAvailableChanged();
    void updatesChanged();
    void actionTriggered(AppModel::Action action);

private:
    AppSettings& m_settings;
    LanguageService& m_languages;
    TranslationEngine& m_engine;
    std::shared_ptr<DelayClock> m_clock;
    SpeechService* m_speech;
    QPointer<PermissionWatcher> m_permissions;
    Route m_route;
    SettingsTab m_settingsTab = SettingsTab::general;
    int m_onboardingStep = 0;
    bool m_trayAvailable = true;
    QString m_version;
    QPointer<UpdateController> m_updates;
    std::unique_ptr<HistoryModel> m_history;
    std::unique_ptr<TranslatorModel> m_model;
    WindowPresenter* m_window = nullptr;
};
