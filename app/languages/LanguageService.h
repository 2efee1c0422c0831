#pragma once

#include "app/languages/EngineLanguage.h"
#include "app/languages/LangOption.h"
#include "app/languages/LanguageNames.h"
#include "app/languages/ResolvedPair.h"
#include "app/languages/TranslationEngine.h"

#include <QFuture>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Between the program's base language codes and the engine's language variants: which
// languages can be picked, under which names, and which variants serve a pair of codes.
// Main thread only.
class LanguageService : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<LangOption> options READ options NOTIFY optionsChanged)

public:
    // A monotonic time; only differences matter.
    using Clock = std::function<std::chrono::milliseconds()>;
    // Receives the codes the engine offers after every load that found some.
    using RepairLanguages = std::function<void(const QSet<QString>&)>;

    static constexpr std::chrono::seconds cacheLifetime{30};

    struct Setup {
        // Absent names fall back to the codes themselves.
        std::shared_ptr<const LanguageNames> names;
        // The language the program's own texts are shown in.
        QLocale interfaceLocale{QLocale::English};
        // Best first, as the system lists them ("en-GB", "de_DE").
        QStringList preferredLanguages = QLocale::system().uiLanguages();
        Clock clock = steadyClock;
    };

    LanguageService(TranslationEngine& engine, Setup setup, QObject* parent = nullptr);

    static std::chrono::milliseconds steadyClock();

    // One entry per base code the engine offers, sorted by name; empty until loaded.
    QList<LangOption> options() const { return m_options; }
    // The engine's languages by base code, each list in the engine's order.
    QHash<QString, QList<EngineLanguage>> variants() const { return m_variants; }

    void setRepairLanguages(RepairLanguages repair) { m_repair = std::move(repair); }

    // Asks the engine for its languages and replaces options and variants. Never fails: an
    // engine that gives nothing leaves both empty. Before the first load ends, the languages of
    // the installed pairs are offered at once, so that translation need not wait for the
    // package manager.
    QFuture<void> load();
    // Finished at once when options are there; otherwise the first load.
    QFuture<void> loaded();

    // The display name of a code in the interface language, first letter upper-cased; the
    // code itself when no name is known.
    QString name(const QString& code) const;
    // "via Spanish" for a pair translated through another language, in the interface
    // language; empty for a direct pair or none.
    QString viaText(const std::optional<ResolvedPair>& pair) const;

    // The variants of one code, the user's preferred regions first.
    QList<EngineLanguage> ordered(const QString& code) const;

    // The best variant pair for two codes and its status; absent when either code has no
    // variants. Installed answers are remembered for a short while.
    QFuture<std::optional<ResolvedPair>> resolvePair(const QString& source, const QString& target);

    // Forgets every remembered pair, so that the next resolution asks the engine again.
    void invalidate() { m_cache.clear(); }

    QLocale interfaceLocale() const { return m_setup.interfaceLocale; }

signals:
    void optionsChanged();

private:
    struct CacheEntry {
        std::chrono::milliseconds date;
        ResolvedPair pair;
    };
    struct Resolution;

    // The base language the engine chains the pair through, if it does.
    QString via(const EngineLanguage& source, const EngineLanguage& target) const;

    // `complete`: the engine's whole list, against which the stored languages are repaired.
    void apply(const QList<EngineLanguage>& languages, bool complete);
    void step(const std::shared_ptr<Resolution>& resolution);

    TranslationEngine& m_engine;
    Setup m_setup;
    RepairLanguages m_repair;
    QList<LangOption> m_options;
    QHash<QString, QList<EngineLanguage>> m_variants;
    QHash<QString, CacheEntry> m_cache;
    // Only the installed languages are known yet; the whole list comes with `m_load`.
    bool m_partial = false;
    QFuture<void> m_load;
};
