#include "app/shell/TranslationTabState.h"

#include "app/dictionary/DictionaryPackages.h"
#include "app/dictionary/DictionaryService.h"
#include "app/shell/AppModel.h"
#include "app/system/SoftwareCentre.h"
#include "app/translation/Futures.h"

TranslationTabState::TranslationTabState(QObject* parent)
    : QObject(parent)
    , m_packageSource(DictionaryPackages::shared())
    , m_softwareCentre(SoftwareCentre::shared()) {}

TranslationTabState::~TranslationTabState() = default;

void TranslationTabState::setApp(AppModel* app) {
    if (app == m_app)
        return;
    if (m_app) {
        m_app->settings()->disconnect(this);
        m_app->languages()->disconnect(this);
    }
    m_app = app;
    m_download.reset();
    m_packageDownload.reset();
    m_pairs.clear();
    if (app) {
        connect(app->settings(), &AppSettings::myLanguageChanged, this, [this] {
            emit languagesChanged();
            refresh();
            reloadPackages();
        });
        connect(app->languages(), &LanguageService::optionsChanged, this,
                &TranslationTabState::languagesChanged);
        connect(app->settings(), &AppSettings::dictionaryIDsChanged, this,
                &TranslationTabState::dictionariesChanged);
        connect(app->settings(), &AppSettings::secondLanguageChanged, this,
                &TranslationTabState::reloadPackages);
        m_packageDownload = std::make_unique<PairDownload>(app->engine());
        connect(m_packageDownload.get(), &PairDownload::finished, this, [this](bool installed) {
            if (!installed)
                return;
            // The service reads the dictionaries again after an installation.
            reloadDictionaries();
            reloadPackages();
        });
        m_download = std::make_unique<PairDownload>(app->engine());
        connect(m_download.get(), &PairDownload::finished, this, [this] {
            m_app->languages()->invalidate();
            refresh();
        });
        refresh();
        reloadDictionaries();
        reloadPackages();
    }
    emit appChanged();
    emit languagesChanged();
}

void TranslationTabState::setDictionaryService(DictionaryService* service) {
    m_dictionaryService = service;
    if (m_app)
        reloadDictionaries();
}

DictionaryService& TranslationTabState::dictionaries() const {
    return m_dictionaryService ? *m_dictionaryService : DictionaryService::shared();
}

QVariantList TranslationTabState::languageRows() const {
    QVariantList rows;
    if (!m_app)
        return rows;
    const QString my = m_app->settings()->myLanguage();
    for (const LangOption& option : m_app->languages()->options()) {
        if (option.code == my)
            continue;
        const auto pair = m_pairs.constFind(option.code);
        const bool checked = pair != m_pairs.cend();
        rows.append(QVariantMap{
            {QStringLiteral("code"), option.code},
            {QStringLiteral("name"), option.name},
            {QStringLiteral("status"), checked ? ResolvedPair::statusName(*pair) : QString()},
            {QStringLiteral("via"), checked ? m_app->languages()->viaText(*pair) : QString()}});
    }
    return rows;
}

int TranslationTabState::downloadedCount() const {
    return int(std::ranges::count_if(m_pairs, [](const std::optional<ResolvedPair>& pair) {
        return pair && pair->status == PairStatus::installed;
    }));
}

void TranslationTabState::refresh() {
    if (!m_app)
        return;
    const int generation = ++m_generation;
    const QString my = m_app->settings()->myLanguage();
    LanguageService* languages = m_app->languages();
    Futures::whenFinished(languages->loaded(), this, [=, this](const QFuture<void>&) {
        QStringList codes;
        for (const LangOption& option : languages->options())
            if (option.code != my)
                codes.append(option.code);
        step(generation, my, codes, {});
    });
}

// One pair at a time, as the engine answers; the statuses change together at the end.
void TranslationTabState::step(int generation, const QString& my, QStringList codes,
                               QHash<QString, std::optional<ResolvedPair>> pairs) {
    if (generation != m_generation)
        return;
    if (codes.isEmpty()) {
        m_pairs = std::move(pairs);
        emit languagesChanged();
        return;
    }
    const QString code = codes.takeFirst();
    Futures::whenFinished(
        m_app->languages()->resolvePair(my, code), this,
        [this, generation, my, code, codes = std::move(codes),
         pairs = std::move(pairs)](const QFuture<std::optional<ResolvedPair>>& done) mutable {
            pairs.insert(code, Futures::resultOr(done, {}));
            step(generation, my, std::move(codes), std::move(pairs));
        });
}

void TranslationTabState::downloadLanguage(const QString& code) {
    if (!m_app || m_download->running())
        return;
    m_downloadCode = code;
    emit languagesChanged();
    m_download->startPair(*m_app->languages(), m_app->settings()->myLanguage(), code);
}

void TranslationTabState::setSearch(const QString& search) {
    if (search == m_search)
        return;
    m_search = search;
    emit dictionariesChanged();
}

QList<InstalledDictionary>
TranslationTabState::matching(const QList<InstalledDictionary>& installed, const QString& search) {
    const QString wanted = search.trimmed();
    if (wanted.isEmpty())
        return installed;
    QList<InstalledDictionary> found;
    for (const InstalledDictionary& dictionary : installed)
        if (dictionary.name.contains(wanted, Qt::CaseInsensitive))
            found.append(dictionary);
    return found;
}

QVariantList TranslationTabState::dictionaryRows() const {
    QVariantList rows;
    if (!m_installed || !m_app)
        return rows;
    const QStringList chosen = m_app->settings()->dictionaryIDs();
    for (const InstalledDictionary& dictionary : matching(*m_installed, m_search))
        rows.append(QVariantMap{{QStringLiteral("id"), dictionary.id},
                                {QStringLiteral("name"), dictionary.name},
                                {QStringLiteral("on"), chosen.contains(dictionary.id)}});
    return rows;
}

QString TranslationTabState::dictionaryNote() const {
    if (!m_installed)
        return {};
    if (m_installed->isEmpty())
        return tr("No dictionaries installed.");
    if (matching(*m_installed, m_search).isEmpty())
        return tr("No dictionaries match \u201c%1\u201d").arg(m_search);
    return {};
}

void TranslationTabState::reloadDictionaries() {
    const int generation = ++m_dictionaryGeneration;
    m_installed.reset();
    emit dictionariesChanged();
    DictionaryService* service = &dictionaries();
    Futures::whenFinished(Futures::onPool([service] { return service->installed(); }), this,
                          [this, generation](const QFuture<QList<InstalledDictionary>>& done) {
                              if (generation != m_dictionaryGeneration)
                                  return;
                              m_installed = Futures::resultOr(done, {});
                              emit dictionariesChanged();
                          });
}

void TranslationTabState::setCustomDictionaries(bool custom) {
    if (!m_app)
        return;
    AppSettings* settings = m_app->settings();
    if (custom && settings->dictionaryIDs().isEmpty())
        settings->setDictionaryIDs(dictionaries().activeIDs());
    settings->setCustomDictionaries(custom);
}

void TranslationTabState::toggle(const QString& id, bool on) {
    if (!m_app)
        return;
    AppSettings* settings = m_app->settings();
    QStringList ids = settings->dictionaryIDs();
    if (on && !ids.contains(id))
        ids.append(id);
    else if (!on)
        ids.removeAll(id);
    settings->setDictionaryIDs(ids);
}

void TranslationTabState::setDictionaryPackages(std::shared_ptr<DictionaryPackages> packages) {
    m_packageSource = std::move(packages);
    if (m_app)
        reloadPackages();
}

void TranslationTabState::setSoftwareCentre(std::shared_ptr<SoftwareCentre> centre) {
    m_softwareCentre = std::move(centre);
}

QVariantList TranslationTabState::packageRows() const {
    QVariantList rows;
    for (const DictionaryPackage& package : m_packages.value_or(QList<DictionaryPackage>()))
        rows.append(QVariantMap{{QStringLiteral("name"), package.name},
                                {QStringLiteral("title"), package.title},
                                {QStringLiteral("installed"), package.installed}});
    return rows;
}

void TranslationTabState::reloadPackages() {
    if (!m_app)
        return;
    const int generation = ++m_packageGeneration;
    m_packages.reset();
    emit packagesChanged();
    LanguageService* languages = m_app->languages();
    const auto named = [languages](const QString& code) { return languages->name(code); };
    Futures::whenFinished(m_packageSource->offered(m_app->settings()->myLanguage(),
                                                   m_app->settings()->secondLanguage(), named),
                          this, [this, generation](const QFuture<QList<DictionaryPackage>>& done) {
                              if (generation != m_packageGeneration)
                                  return;
                              m_packages = Futures::resultOr(done, {});
                              emit packagesChanged();
                          });
}

void TranslationTabState::installPackage(const QString& name) {
    if (!m_app || m_packageDownload->running())
        return;
    m_installingPackage = name;
    emit packagesChanged();
    m_packageDownload->follow(
        m_packageSource->install(name),
        tr("Verdolin cannot install dictionaries here. Run this command instead:"));
}

QString TranslationTabState::softwareCentreName() const {
    return m_softwareCentre->name();
}

void TranslationTabState::openSoftwareCentre() {
    m_softwareCentre->openSearch(QString(SoftwareCentre::languagePacks));
}
