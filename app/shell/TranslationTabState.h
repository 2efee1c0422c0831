#pragma once

#include "app/dictionary/DictionaryPackage.h"
#include "app/dictionary/InstalledDictionary.h"
#include "app/languages/ResolvedPair.h"
#include "app/shell/PairDownload.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>

class AppModel;
class DictionaryPackages;
class DictionaryService;
class SoftwareCentre;

// The translation settings' own state: which languages work offline from the user's language
// and their downloads, and the dictionaries for single words. Main thread only.
class TranslationTabState : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(AppModel* app READ app WRITE setApp NOTIFY appChanged)
    // One row per language other than mine: {code, name, status, via}; status is "installed",
    // "supported", "unsupported", or empty while it is being checked; via is "via Spanish" for
    // a language reached through another one, else empty.
    Q_PROPERTY(QVariantList languageRows READ languageRows NOTIFY languagesChanged)
    Q_PROPERTY(int downloadedCount READ downloadedCount NOTIFY languagesChanged)
    Q_PROPERTY(PairDownload* download READ download NOTIFY appChanged)
    // The language whose download runs or was the last one tried.
    Q_PROPERTY(QString downloadCode READ downloadCode NOTIFY languagesChanged)
    Q_PROPERTY(QString search READ search WRITE setSearch NOTIFY dictionariesChanged)
    Q_PROPERTY(bool dictionariesLoading READ dictionariesLoading NOTIFY dictionariesChanged)
    // The installed dictionaries that match the search: {id, name, on}.
    Q_PROPERTY(QVariantList dictionaryRows READ dictionaryRows NOTIFY dictionariesChanged)
    // Said instead of the list when it is empty.
    Q_PROPERTY(QString dictionaryNote READ dictionaryNote NOTIFY dictionariesChanged)
    // The dictionary packages for my two languages: {name, title, installed}.
    Q_PROPERTY(QVariantList packageRows READ packageRows NOTIFY packagesChanged)
    Q_PROPERTY(bool packagesLoading READ packagesLoading NOTIFY packagesChanged)
    Q_PROPERTY(PairDownload* packageDownload READ packageDownload NOTIFY appChanged)
    // The package whose installation runs or was the last one tried.
    Q_PROPERTY(QString installingPackage READ installingPackage NOTIFY packagesChanged)
    // The desktop's software centre; empty when there is none to open.
    Q_PROPERTY(QString softwareCentreName READ softwareCentreName CONSTANT)

public:
    explicit TranslationTabState(QObject* parent = nullptr);
    ~TranslationTabState() override;

    AppModel* app() const { return m_app; }
    void setApp(AppModel* app);
    // Where the dictionaries come from; the process-wide service unless a test says otherwise.
    void setDictionaryService(DictionaryService* service);
    // The system's dictionary packages and software centre unless a test says otherwise.
    void setDictionaryPackages(std::shared_ptr<DictionaryPackages> packages);
    void setSoftwareCentre(std::shared_ptr<SoftwareCentre> centre);

    QVariantList languageRows() const;
    int downloadedCount() const;
    PairDownload* download() const { return m_download.get(); }
    QString downloadCode() const { return m_downloadCode; }
    QString search() const { return m_search; }
    void setSearch(const QString& search);
    bool dictionariesLoading() const { return !m_installed.has_value(); }
    QVariantList dictionaryRows() const;
    QString dictionaryNote() const;
    QVariantList packageRows() const;
    bool packagesLoading() const { return !m_packages.has_value(); }
    PairDownload* packageDownload() const { return m_packageDownload.get(); }
    QString installingPackage() const { return m_installingPackage; }
    QString softwareCentreName() const;

    // The installed dictionaries whose name contains `search`, ignoring case.
    static QList<InstalledDictionary> matching(const QList<InstalledDictionary>& installed,
                                               const QString& search);

    // Checks every language against mine again.
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void downloadLanguage(const QString& code);
    // Reads the dictionaries on disk again, off the main thread.
    Q_INVOKABLE void reloadDictionaries();
    // "All installed dictionaries" (false) or "Choose…" (true); choosing starts from the
    // system's active dictionaries when none were chosen before.
    Q_INVOKABLE void setCustomDictionaries(bool custom);
    Q_INVOKABLE void toggle(const QString& id, bool on);
    // Asks the package manager again which dictionaries it offers for my two languages.
    Q_INVOKABLE void reloadPackages();
    Q_INVOKABLE void installPackage(const QString& name);
    Q_INVOKABLE void openSoftwareCentre();

signals:
    void appChanged();
    void languagesChanged();
    void dictionariesChanged();
    void packagesChanged();

private:
    void step(int generation, const QString& my, QStringList codes,
              QHash<QString, std::optional<ResolvedPair>> pairs);
    DictionaryService& dictionaries() const;

    QPointer<AppModel> m_app;
    DictionaryService* m_dictionaryService = nullptr;
    // From my language to each other one, once checked.
    QHash<QString, std::optional<ResolvedPair>> m_pairs;
    int m_generation = 0;
    std::unique_ptr<PairDownload> m_download;
    QString m_downloadCode;
    QString m_search;
    std::optional<QList<InstalledDictionary>> m_installed;
    int m_dictionaryGeneration = 0;
    std::shared_ptr<DictionaryPackages> m_packageSource;
    std::shared_ptr<SoftwareCentre> m_softwareCentre;
    std::optional<QList<DictionaryPackage>> m_packages;
    int m_packageGeneration = 0;
    std::unique_ptr<PairDownload> m_packageDownload;
    QString m_installingPackage;
};
