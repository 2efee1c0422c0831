#include "app/shell/TranslatorViewState.h"

#include "app/shell/AppModel.h"
#include "core/LangChoice.h"

TranslatorViewState::TranslatorViewState(QObject* parent)
    : QObject(parent) {}

TranslatorViewState::~TranslatorViewState() = default;

void TranslatorViewState::setApp(AppModel* app) {
    if (app == m_app)
        return;
    if (m_app) {
        m_app->model()->disconnect(this);
        m_app->languages()->disconnect(this);
    }
    m_app = app;
    m_download.reset();
    if (app) {
        TranslatorModel* model = app->model();
        for (const auto signal :
             {&TranslatorModel::inputChanged, &TranslatorModel::noticeChanged,
              &TranslatorModel::fromChoiceChanged, &TranslatorModel::toChoiceChanged,
              &TranslatorModel::phaseChanged, &TranslatorModel::sourceCodeChanged,
              &TranslatorModel::targetCodeChanged, &TranslatorModel::detectedCodeChanged,
              &TranslatorModel::truncatedChanged}) {
            connect(model, signal, this, &TranslatorViewState::changed);
        }
        connect(app->languages(), &LanguageService::optionsChanged, this,
                &TranslatorViewState::changed);
        connect(model, &TranslatorModel::downloadRequestChanged, this,
                &TranslatorViewState::takeDownloadRequest);
        m_download = std::make_unique<PairDownload>(app->engine());
        connect(model, &TranslatorModel::pendingDownloadChanged, this, [this] {
            if (const auto pending = this->model()->pendingDownload())
                m_download->forgetUnless(*pending);
        });
        connect(m_download.get(), &PairDownload::finished, this, [this] {
            if (!m_app)
                return;
            m_app->model()->setDownloadRequest(std::nullopt);
            m_app->model()->retryAfterDownload();
        });
    }
    emit appChanged();
    emit changed();
}

TranslatorModel* TranslatorViewState::model() const {
    return m_app ? m_app->model() : nullptr;
}

QString TranslatorViewState::name(const QString& code) const {
    return m_app ? m_app->languages()->name(code) : code;
}

bool TranslatorViewState::autoTitled(bool automatic, const QString& code) const {
    return automatic && !model()->input().isEmpty() && !code.isEmpty();
}

QString TranslatorViewState::title(const LangChoice& choice, const QString& decided) const {
    if (!choice.isAutomatic())
        return name(choice.codeOrEmpty());
    return autoTitled(true, decided) ? name(decided) : tr("Auto");
}

QString TranslatorViewState::sourceTitle() const {
    return model() ? title(model()->fromChoice(), model()->sourceCode()) : QString();
}

bool TranslatorViewState::sourceDetected() const {
    return model() && autoTitled(model()->fromChoice().isAutomatic(), model()->sourceCode());
}

QString TranslatorViewState::targetTitle() const {
    return model() ? title(model()->toChoice(), model()->targetCode()) : QString();
}

bool TranslatorViewState::targetDetected() const {
    return model() && autoTitled(model()->toChoice().isAutomatic(), model()->targetCode());
}

QString TranslatorViewState::detectedName() const {
    if (!model() || !model()->fromChoice().isAutomatic() || !model()->detectedCode())
        return {};
    return name(*model()->detectedCode());
}

bool TranslatorViewState::canSwap() const {
    return model() && !model()->sourceCode().isEmpty();
}

QString TranslatorViewState::resultPlaceholder() const {
    if (!model())
        return {};
    switch (model()->phase().kind) {
    case TranslationPhase::Kind::idle:
        return tr("The translation appears here as you type.");
    case TranslationPhase::Kind::working:
        return tr("Translating…");
    default:
        return {};
    }
}

StatusRow TranslatorViewState::status() const {
    if (!model())
        return {};
    return StatusRow::choose(model()->phase(), model()->notice(), model()->input().isEmpty(),
                             model()->truncated(),
                             [this](const QString& code) { return name(code); });
}

void TranslatorViewState::chooseSource(const QString& code) {
    if (model())
        model()->setFromChoice(code.isEmpty() ? LangChoice::automatic() : LangChoice::fixed(code));
}

void TranslatorViewState::chooseTarget(const QString& code) {
    if (model())
        model()->setToChoice(code.isEmpty() ? LangChoice::automatic() : LangChoice::fixed(code));
}

void TranslatorViewState::copy() {
    if (!model())
        return;
    model()->copyResult();
    const int token = ++m_copyToken;
    if (!m_copied) {
        m_copied = true;
        emit copiedChanged();
    }
    m_copyReset = m_app->clock()->after(copiedFor, [this, token] {
        if (token != m_copyToken)
            return;
        m_copied = false;
        emit copiedChanged();
    });
}

void TranslatorViewState::startDownload() {
    if (model() && model()->pendingDownload())
        model()->setDownloadRequest(model()->pendingDownload());
}

void TranslatorViewState::takeDownloadRequest() {
    const auto request = model() ? model()->downloadRequest() : std::nullopt;
    if (!request)
        return;
    model()->setDownloadRequest(std::nullopt);
    m_download->start(*request);
}

void TranslatorViewState::pickHistory(const QString& source) {
    if (!model())
        return;
    model()->setFromChoice(LangChoice::automatic());
    model()->setToChoice(LangChoice::automatic());
    model()->setText(source);
}
