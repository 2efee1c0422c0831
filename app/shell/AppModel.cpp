#include "app/shell/AppModel.h"

#include "app/shell/WindowPresenter.h"
#include "app/translation/Notice.h"

namespace {

std::unique_ptr<AppModel>& sharedModel() {
    static std::unique_ptr<AppModel> model;
    return model;
}

} // namespace

AppModel::AppModel(AppSettings& settings, LanguageService& languages,
                   std::unique_ptr<HistoryModel> history, TranslatorModel::Services translator,
                   QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_languages(languages)
    , m_engine(*translator.engine)
    , m_clock(translator.clock)
    , m_speech(translator.speech ? translator.speech : &SpeechService::shared())
    , m_route(settings.onboardingDone() ? Route::translate : Route::onboarding)
    , m_history(std::move(history))
    , m_model(std::make_unique<TranslatorModel>(std::move(translator))) {
    m_model->setHistory(m_history.get());
}

AppModel::~AppModel() = default;

void AppModel::setPermissions(PermissionWatcher* permissions) {
    if (permissions == m_permissions)
        return;
    m_permissions = permissions;
    emit permissionsChanged();
}

AppModel& AppModel::shared() {
    Q_ASSERT(sharedModel());
    return *sharedModel();
}

void AppModel::installShared(std::unique_ptr<AppModel> model) {
    sharedModel() = std::move(model);
}

AppModel* AppModel::create(QQmlEngine*, QJSEngine*) {
    AppModel* model = &shared();
    // The engine must not delete what the process owns.
    QJSEngine::setObjectOwnership(model, QJSEngine::CppOwnership);
    return model;
}

void AppModel::registerQmlTypes() {
    const char* uri = "Verdolin.Shell";
    const QString why = QStringLiteral("an enumeration");
    qmlRegisterUncreatableMetaObject(Notices::staticMetaObject, uri, 1, 0, "Notice", why);
    qmlRegisterUncreatableMetaObject(SettingsTabs::staticMetaObject, uri, 1, 0, "SettingsTab", why);
}

void AppModel::setRoute(Route route) {
    if (m_route == route)
        return;
    m_route = route;
    emit routeChanged();
}

void AppModel::setSettingsTabIndex(int index) {
    if (index >= int(SettingsTab::general) && index <= int(SettingsTab::shortcuts))
        setSettingsTab(SettingsTab(index));
}

void AppModel::setSettingsTab(SettingsTab tab) {
    if (m_settingsTab == tab)
        return;
    m_settingsTab = tab;
    emit settingsTabChanged();
}

void AppModel::setOnboardingStep(int step) {
    if (m_onboardingStep == step)
        return;
    m_onboardingStep = step;
    emit onboardingStepChanged();
}

void AppModel::setTrayAvailable(bool available) {
    if (available == m_trayAvailable)
        return;
    m_trayAvailable = available;
    emit trayAvailableChanged();
}

void AppModel::showSettings(std::optional<SettingsTab> tab) {
    if (tab)
        setSettingsTab(*tab);
    setRoute(Route::settings);
    if (m_window)
        m_window->show(std::nullopt, false);
}

void AppModel::showSettingsNamed(const QString& name) {
    showSettings(SettingsTabs::fromName(name.isNull() ? std::nullopt : std::optional(name)));
}

void AppModel::setUpdates(UpdateController* updates) {
    if (m_updates == updates)
        return;
    m_updates = updates;
    emit updatesChanged();
}
