#include "app/shell/OnboardingState.h"

#include "app/shell/AppModel.h"
#include "app/translation/Futures.h"

OnboardingState::OnboardingState(QObject* parent)
    : QObject(parent) {}

OnboardingState::~OnboardingState() = default;

void OnboardingState::setApp(AppModel* app) {
    if (app == m_app)
        return;
    if (m_app) {
        m_app->disconnect(this);
        m_app->settings()->disconnect(this);
        m_app->languages()->disconnect(this);
    }
    m_app = app;
    m_download.reset();
    if (app) {
        connect(app, &AppModel::onboardingStepChanged, this, &OnboardingState::stepChanged);
        connect(app->settings(), &AppSettings::myLanguageChanged, this,
                &OnboardingState::refreshPair);
        connect(app->settings(), &AppSettings::secondLanguageChanged, this,
                &OnboardingState::refreshPair);
        connect(app->languages(), &LanguageService::optionsChanged, this,
                &OnboardingState::refreshPair);
        m_download = std::make_unique<PairDownload>(app->engine());
        connect(m_download.get(), &PairDownload::finished, this, [this] {
            m_app->languages()->invalidate();
            refreshPair();
        });
        refreshPair();
    }
    emit appChanged();
    emit stepChanged();
}

QString OnboardingState::progressText() const {
    const int step = m_app ? std::clamp(m_app->onboardingStep(), 0, stepCount - 1) : 0;
    return tr("Step %1 of %2").arg(step + 1).arg(stepCount);
}

void OnboardingState::refreshPair() {
    if (!m_app)
        return;
    const int generation = ++m_generation;
    setPairStatus({});
    AppSettings* settings = m_app->settings();
    LanguageService* languages = m_app->languages();
    const QString my = settings->myLanguage();
    const QString second = settings->secondLanguage();
    Futures::whenFinished(languages->loaded(), this, [=, this](const QFuture<void>&) {
        Futures::whenFinished(
            languages->resolvePair(my, second), this,
            [this, generation, languages](const QFuture<std::optional<ResolvedPair>>& done) {
                if (generation != m_generation)
                    return;
                const std::optional<ResolvedPair> pair = Futures::resultOr(done, {});
                setPairStatus(ResolvedPair::statusName(pair), languages->viaText(pair));
            });
    });
}

void OnboardingState::startDownload() {
    if (m_app)
        m_download->startPair(*m_app->languages(), m_app->settings()->myLanguage(),
                              m_app->settings()->secondLanguage());
}

void OnboardingState::goTo(int step) {
    if (m_app)
        m_app->setOnboardingStep(std::max(step, 0));
}

void OnboardingState::finish() {
    if (!m_app)
        return;
    m_app->settings()->setOnboardingDone(true);
    m_app->setRoute(AppModel::Route::translate);
    m_app->model()->requestFocus();
}

void OnboardingState::changeShortcut() {
    if (!m_app)
        return;
    m_app->settings()->setOnboardingDone(true);
    m_app->showSettings(SettingsTab::shortcuts);
}

void OnboardingState::setPairStatus(const QString& status, const QString& via) {
    if (status == m_pairStatus && via == m_pairVia)
        return;
    m_pairStatus = status;
    m_pairVia = via;
    emit pairStatusChanged();
}
