#include "app/languages/LanguageService.h"

#include "app/translation/Futures.h"
#include "core/LanguageCode.h"

#include <QCollator>
#include <QLoggingCategory>
#include <QPromise>

#include <algorithm>

Q_LOGGING_CATEGORY(lcLanguages, "verdolin.languages")

namespace {

constexpr int unmatchedScore = 100;

QString capitalized(const QString& name) {
    if (name.isEmpty())
        return name;
    // The first character may be a surrogate pair.
    const qsizetype first = name.at(0).isHighSurrogate() && name.size() > 1 ? 2 : 1;
    return name.left(first).toUpper() + name.mid(first);
}

} // namespace

struct LanguageService::Resolution {
    QString key;
    QList<EngineLanguage> sources;
    QList<EngineLanguage> targets;
    qsizetype next = 0; // index into the sources x targets combinations
    std::optional<std::pair<EngineLanguage, EngineLanguage>> supported;
    QPromise<std::optional<ResolvedPair>> promise;

    void finish(std::optional<ResolvedPair> pair) {
        promise.addResult(std::move(pair));
        promise.finish();
    }
};

LanguageService::LanguageService(TranslationEngine& engine, Setup setup, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_setup(std::move(setup)) {
    if (!m_setup.clock)
        m_setup.clock = steadyClock;
}

std::chrono::milliseconds LanguageService::steadyClock() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

QFuture<void> LanguageService::load() {
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    QFuture<void> loaded = promise->future();
    if (m_options.isEmpty()) {
        const QList<EngineLanguage> installed = m_engine.installedLanguages();
        if (!installed.isEmpty()) {
            apply(installed, false);
            m_partial = true;
            m_load = loaded;
        }
    }
    Futures::whenFinished(m_engine.supportedLanguages(), this,
                          [this, promise](const QFuture<QList<EngineLanguage>>& languages) {
                              if (languages.isCanceled() || languages.resultCount() == 0) {
                                  qCWarning(lcLanguages) << "the engine gave no language list";
                                  apply({}, true);
                              } else {
                                  apply(languages.result(), true);
                              }
                              promise->finish();
                          });
    return loaded;
}

QFuture<void> LanguageService::loaded() {
    return m_options.isEmpty() ? load() : QtFuture::makeReadyFuture();
}

void LanguageService::apply(const QList<EngineLanguage>& languages, bool complete) {
    if (complete)
        m_partial = false;
    QHash<QString, QList<EngineLanguage>> variants;
    for (const EngineLanguage& language : languages) {
        if (language.languageCode.isEmpty())
            continue;
        variants[LanguageCode::normalize(language.languageCode)].append(language);
    }
    m_variants = variants;

    QSet<QString> codes;
    for (auto it = m_variants.cbegin(); it != m_variants.cend(); ++it)
        codes.insert(it.key());
    if (complete && !codes.isEmpty() && m_repair)
        m_repair(codes);

    QList<LangOption> options;
    for (const QString& code : std::as_const(codes))
        options.append({code, name(code)});
    QCollator collator(m_setup.interfaceLocale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(options.begin(), options.end(),
              [&collator](const LangOption& a, const LangOption& b) {
                  const int order = collator.compare(a.name, b.name);
                  // Equal names keep a repeatable order.
                  return order != 0 ? order < 0 : a.code < b.code;
              });
    m_cache.clear();
    if (options != m_options) {
        m_options = options;
        emit optionsChanged();
    }
}

QString LanguageService::name(const QString& code) const {
    std::optional<QString> found;
    if (m_setup.names)
        found = m_setup.names->languageName(code, m_setup.interfaceLocale);
    return capitalized(found && !found->isEmpty() ? *found : code);
}

QString LanguageService::via(const EngineLanguage& source, const EngineLanguage& target) const {
    const std::optional<EngineLanguage> intermediate = m_engine.intermediate(source, target);
    if (!intermediate)
        return {};
    return intermediate->languageCode.isEmpty() ? intermediate->identifier
                                                : intermediate->languageCode;
}

QString LanguageService::viaText(const std::optional<ResolvedPair>& pair) const {
    if (!pair || pair->via.isEmpty() || pair->status == PairStatus::unsupported)
        return {};
    std::optional<QString> found;
    if (m_setup.names)
        found = m_setup.names->languageName(pair->via, m_setup.interfaceLocale);
    //: A translation made through a third language: "via Spanish".
    return tr("via %1").arg(found && !found->isEmpty() ? *found : pair->via);
}

QList<EngineLanguage> LanguageService::ordered(const QString& code) const {
    QStringList prefs;
    for (const QString& preferred : m_setup.preferredLanguages)
        prefs.append(QString(preferred).replace(QLatin1Char('_'), QLatin1Char('-')).toLower());

    const auto score = [&prefs](const EngineLanguage& language) {
        const QString minimal = language.minimalIdentifier.toLower();
        const QString maximal = language.maximalIdentifier.toLower();
        for (qsizetype i = 0; i < prefs.size(); ++i) {
            const QString& p = prefs.at(i);
            if (p == minimal || maximal.startsWith(p) || p.startsWith(minimal))
                return static_cast<int>(i);
        }
        return unmatchedScore;
    };

    struct Scored {
        int score;
        EngineLanguage language;
    };
    QList<Scored> scored;
    for (const EngineLanguage& language : m_variants.value(code))
        scored.append({score(language), language});
    std::stable_sort(scored.begin(), scored.end(), [](const Scored& a, const Scored& b) {
        if (a.score != b.score)
            return a.score < b.score;
        return a.language.maximalIdentifier < b.language.maximalIdentifier;
    });

    QList<EngineLanguage> list;
    for (const Scored& s : std::as_const(scored))
        list.append(s.language);
    return list;
}

QFuture<std::optional<ResolvedPair>> LanguageService::resolvePair(const QString& source,
                                                                  const QString& target) {
    const QString key = source + QLatin1Char('>') + target;
    const auto cached = m_cache.constFind(key);
    if (cached != m_cache.cend() && cached->pair.status == PairStatus::installed
        && m_setup.clock() - cached->date < cacheLifetime)
        return Futures::ready(std::optional<ResolvedPair>(cached->pair));

    auto resolution = std::make_shared<Resolution>();
    resolution->key = key;
    resolution->sources = ordered(source);
    resolution->targets = ordered(target);
    if (resolution->sources.isEmpty() || resolution->targets.isEmpty()) {
        if (!m_partial)
            return Futures::ready(std::optional<ResolvedPair>());
        // A language that no installed pair has may still be downloadable: ask again once the
        // whole list is known.
        auto later = std::make_shared<QPromise<std::optional<ResolvedPair>>>();
        later->start();
        Futures::whenFinished(m_load, this, [this, later, source, target](const QFuture<void>&) {
            Futures::whenFinished(resolvePair(source, target), this,
                                  [later](const QFuture<std::optional<ResolvedPair>>& pair) {
                                      later->addResult(pair.resultCount() > 0 ? pair.result()
                                                                              : std::nullopt);
                                      later->finish();
                                  });
        });
        return later->future();
    }

    resolution->promise.start();
    QFuture<std::optional<ResolvedPair>> resolved = resolution->promise.future();
    step(resolution);
    return resolved;
}

void LanguageService::step(const std::shared_ptr<Resolution>& resolution) {
    const qsizetype combinations = resolution->sources.size() * resolution->targets.size();
    if (resolution->next >= combinations) {
        if (resolution->supported)
            resolution->finish(ResolvedPair{
                resolution->supported->first, resolution->supported->second, PairStatus::supported,
                via(resolution->supported->first, resolution->supported->second)});
        else
            resolution->finish(ResolvedPair{resolution->sources.first(),
                                            resolution->targets.first(), PairStatus::unsupported});
        return;
    }

    const qsizetype width = resolution->targets.size();
    const EngineLanguage s = resolution->sources.at(resolution->next / width);
    const EngineLanguage t = resolution->targets.at(resolution->next % width);
    ++resolution->next;
    Futures::whenFinished(
        m_engine.status(s, t), this, [this, resolution, s, t](const QFuture<PairStatus>& status) {
            // A status that never came counts as unsupported: the engine promises one.
            const PairStatus found = status.isCanceled() || status.resultCount() == 0
                                         ? PairStatus::unsupported
                                         : status.result();
            switch (found) {
            case PairStatus::installed: {
                const ResolvedPair pair{s, t, PairStatus::installed, via(s, t)};
                m_cache.insert(resolution->key, {m_setup.clock(), pair});
                resolution->finish(pair);
                return;
            }
            case PairStatus::supported:
                if (!resolution->supported)
                    resolution->supported = std::make_pair(s, t);
                break;
            case PairStatus::unsupported:
                break;
            }
            step(resolution);
        });
}
