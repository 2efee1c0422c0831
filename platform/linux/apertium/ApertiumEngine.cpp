#include "platform/linux/apertium/ApertiumEngine.h"

#include "platform/linux/apertium/ApertiumPipeline.h"
#include "platform/linux/apertium/ApertiumSession.h"
#include "platform/linux/packages/AptCatalog.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPromise>
#include <QSet>
#include <QTimer>

#include <mutex>

namespace {

Q_LOGGING_CATEGORY(lcEngine, "verdolin.apertium.engine")

class RealPipeline final : public ApertiumPipelinePool::Pipeline {
public:
    explicit RealPipeline(const QString& modeFile)
        : m_pipeline(modeFile) {}

    Answer translate(const QString& text, const std::atomic<bool>* cancelled) override {
        ApertiumPipeline::Result result = m_pipeline.translate(text, cancelled);
        return {std::move(result.text), std::move(result.error)};
    }

    std::optional<QString> start() override { return m_pipeline.start(); }

private:
    ApertiumPipeline m_pipeline;
};

ApertiumPipelinePool::Options withRealPipelines(ApertiumPipelinePool::Options options) {
    if (!options.factory)
        options.factory = ApertiumEngine::realPipelines();
    return options;
}

bool samePair(const ApertiumMode& mode, const EngineLanguage& source,
              const EngineLanguage& target) {
    return mode.source.identifier == source.identifier
           && mode.target.identifier == target.identifier;
}

QString baseCode(const EngineLanguage& language) {
    return language.engineCode.section(u'_', 0, 0).toLower();
}

std::optional<ApertiumMode> directMode(const QList<ApertiumMode>& modes,
                                       const EngineLanguage& source, const EngineLanguage& target) {
    for (const ApertiumMode& mode : modes) {
        if (samePair(mode, source, target))
            return mode;
    }
    return std::nullopt;
}

// What would make the pair installed: nothing when it is (on its own or through a chain), else
// its own package or a chain's missing ones; none when nothing offers it.
std::optional<QStringList> toInstall(const QList<ApertiumMode>& modes,
                                     const PackageCatalog::Listing& listing,
                                     const EngineLanguage& source, const EngineLanguage& target) {
    if (directMode(modes, source, target))
        return QStringList{};
    if (const auto package = ApertiumEngine::offeringPackage(listing, source, target))
        return QStringList{package->name};
    if (const auto chain = ApertiumChain::find(modes, listing, source, target))
        return chain->missingPackages();
    return std::nullopt;
}

template <typename T>
QFuture<T> ready(T value) {
    return QtFuture::makeReadyFuture(std::move(value));
}

} // namespace

ApertiumPipelinePool::Factory ApertiumEngine::realPipelines() {
    return [](const QString& modeFile) { return std::make_unique<RealPipeline>(modeFile); };
}

struct ApertiumEngine::ListingCache {
    std::mutex mutex;
    std::optional<PackageCatalog::Listing> listing;
};

ApertiumEngine::ApertiumEngine()
    : ApertiumEngine(Options{}) {}

ApertiumEngine::ApertiumEngine(Options options)
    : m_folders(std::move(options.modeFolders))
    , m_catalog(std::move(options.catalog))
    , m_pool(ApertiumPipelinePool::create(withRealPipelines(std::move(options.pool))))
    , m_listing(std::make_shared<ListingCache>()) {
    // A timer needs an event loop; without one (the command line) pipelines close at exit.
    if (QCoreApplication::instance() && options.idleCheckInterval.count() > 0) {
        m_idleTimer = std::make_unique<QTimer>();
        m_idleTimer->setInterval(options.idleCheckInterval);
        QObject::connect(m_idleTimer.get(), &QTimer::timeout, m_idleTimer.get(),
                         [pool = std::weak_ptr(m_pool)] {
                             if (const auto alive = pool.lock())
                                 alive->closeIdle();
                         });
        m_idleTimer->start();
    }
}

ApertiumEngine::~ApertiumEngine() = default;

std::optional<ApertiumMode> ApertiumEngine::installedMode(const EngineLanguage& source,
                                                          const EngineLanguage& target) const {
    return directMode(ApertiumModes::scan(m_folders), source, target);
}

std::optional<std::pair<EngineLanguage, EngineLanguage>>
ApertiumEngine::offeredLanguages(const LanguagePackage& package) {
    if (package.installed)
        return std::nullopt;
    const auto first = ApertiumModes::language(package.firstCode);
    const auto second = ApertiumModes::language(package.secondCode);
    if (!first || !second)
        return std::nullopt;
    return std::pair(*first, *second);
}

std::optional<LanguagePackage>
ApertiumEngine::offeringPackage(const PackageCatalog::Listing& listing,
                                const EngineLanguage& source, const EngineLanguage& target) {
    for (const LanguagePackage& package : listing.packages) {
        const auto offered = offeredLanguages(package);
        if (!offered)
            continue;
        // Until it is installed its variants are unknown: it offers its base languages,
        // both ways.
        const QSet<QString> sides{offered->first.identifier, offered->second.identifier};
        if (source.identifier != target.identifier && sides.contains(source.identifier)
            && sides.contains(target.identifier))
            return package;
    }
    return std::nullopt;
}

QFuture<PackageCatalog::Listing> ApertiumEngine::listing(bool refresh) {
    if (!m_catalog)
        return ready(PackageCatalog::Listing{});
    if (!refresh) {
        const std::lock_guard lock(m_listing->mutex);
        if (m_listing->listing)
            return ready(*m_listing->listing);
    }
    return m_catalog->packages()
        .onCanceled([] { return PackageCatalog::Listing{}; })
        .then([cache = m_listing](const PackageCatalog::Listing& listing) {
            const std::lock_guard lock(cache->mutex);
            cache->listing = listing;
            return listing;
        });
}

QList<EngineLanguage> ApertiumEngine::installedLanguages() {
    QList<EngineLanguage> languages;
    QSet<QString> seen;
    for (const ApertiumMode& mode : ApertiumModes::scan(m_folders)) {
        for (const EngineLanguage& language : {mode.source, mode.target}) {
            if (!seen.contains(language.identifier)) {
                seen.insert(language.identifier);
                languages.append(language);
            }
        }
    }
    return languages;
}

QFuture<QList<EngineLanguage>> ApertiumEngine::supportedLanguages() {
    QList<EngineLanguage> languages = installedLanguages();
    QSet<QString> seen;
    for (const EngineLanguage& language : std::as_const(languages))
        seen.insert(language.identifier);
    if (!m_catalog)
        return ready(languages);
    return listing(true).then([languages, seen](const PackageCatalog::Listing& listing) mutable {
        for (const LanguagePackage& package : listing.packages) {
            const auto offered = offeredLanguages(package);
            if (!offered)
                continue;
            for (const EngineLanguage& language : {offered->first, offered->second}) {
                if (!seen.contains(language.identifier)) {
                    seen.insert(language.identifier);
                    languages.append(language);
                }
            }
        }
        return languages;
    });
}

std::optional<PackageCatalog::Listing> ApertiumEngine::lastListing() const {
    const std::lock_guard lock(m_listing->mutex);
    return m_listing->listing;
}

std::optional<ApertiumChain> ApertiumEngine::chain(const QList<ApertiumMode>& modes,
                                                   const EngineLanguage& source,
                                                   const EngineLanguage& target) const {
    return ApertiumChain::find(modes, lastListing().value_or(PackageCatalog::Listing{}), source,
                               target);
}

QFuture<PairStatus> ApertiumEngine::status(const EngineLanguage& source,
                                           const EngineLanguage& target) {
    const QList<ApertiumMode> modes = ApertiumModes::scan(m_folders);
    if (directMode(modes, source, target))
        return ready(PairStatus::installed);
    const auto decide = [modes, source, target](const PackageCatalog::Listing& listing) {
        if (offeringPackage(listing, source, target))
            return PairStatus::supported;
        const auto chain = ApertiumChain::find(modes, listing, source, target);
        return !chain               ? PairStatus::unsupported
               : chain->installed() ? PairStatus::installed
                                    : PairStatus::supported;
    };
    if (!m_catalog)
        return ready(decide({}));
    return listing(false).then(decide);
}

std::optional<EngineLanguage> ApertiumEngine::intermediate(const EngineLanguage& source,
                                                           const EngineLanguage& target) {
    // No chain is found for a pair with a mode of its own.
    const auto found = chain(ApertiumModes::scan(m_folders), source, target);
    return found ? std::optional(found->intermediate) : std::nullopt;
}

QStringList ApertiumEngine::installedFiles(const EngineLanguage& source,
                                           const EngineLanguage& target) const {
    const QList<ApertiumMode> modes = ApertiumModes::scan(m_folders);
    if (const std::optional<ApertiumMode> mode = directMode(modes, source, target))
        return {mode->file};
    const auto found = chain(modes, source, target);
    return found ? found->modeFiles() : QStringList{};
}

std::shared_ptr<TranslationSession> ApertiumEngine::openSession(const EngineLanguage& source,
                                                                const EngineLanguage& target) {
    const QStringList files = installedFiles(source, target);
    if (files.isEmpty())
        return nullptr;
    m_pool->closeIdle();
    return std::make_shared<ApertiumSession>(m_pool, files);
}

QStringList ApertiumEngine::packagesFor(const PackageCatalog::Listing& listing,
                                        const EngineLanguage& source,
                                        const EngineLanguage& target) const {
    return toInstall(ApertiumModes::scan(m_folders), listing, source, target)
        .value_or(QStringList{});
}

QFuture<PrepareResult> ApertiumEngine::prepareFrom(const QStringList& folders,
                                                   const std::shared_ptr<PackageCatalog>& catalog,
                                                   const PackageCatalog::Listing& listing,
                                                   const EngineLanguage& source,
                                                   const EngineLanguage& target) {
    const std::optional<QStringList> packages =
        toInstall(ApertiumModes::scan(folders), listing, source, target);
    if (packages && packages->isEmpty())
        return ready(PrepareResult{PrepareResult::Outcome::installed, {}, {}});
    if (!packages) {
        if (!catalog) {
            // Nothing here can install; Debian names pair packages after the sides.
            return ready(AptCatalog::manualInstall(
                {QStringLiteral("apertium-%1-%2").arg(baseCode(source), baseCode(target))}));
        }
        return ready(
            PrepareResult{PrepareResult::Outcome::failed,
                          QCoreApplication::translate(
                              "ApertiumEngine", "No package offers translation from %1 to %2.")
                              .arg(source.identifier, target.identifier),
                          {}});
    }
    // Every missing leg of a chain in one transaction: one prompt, all or nothing.
    qCInfo(lcEngine) << "installing" << *packages;
    return catalog->install(*packages);
}

QFuture<PrepareResult> ApertiumEngine::prepare(const EngineLanguage& source,
                                               const EngineLanguage& target) {
    if (installedMode(source, target))
        return ready(PrepareResult{PrepareResult::Outcome::installed, {}, {}});
    if (!m_catalog)
        return prepareFrom(m_folders, nullptr, {}, source, target);
    // The usual road: status() has just filled the listing; the catalog's own future then
    // carries the progress.
    if (const std::optional<PackageCatalog::Listing> known = lastListing())
        return prepareFrom(m_folders, m_catalog, *known, source, target);
    auto promise = std::make_shared<QPromise<PrepareResult>>();
    QFuture<PrepareResult> future = promise->future();
    promise->start();
    listing(false).then([folders = m_folders, catalog = m_catalog, promise, source,
                         target](const PackageCatalog::Listing& listing) {
        prepareFrom(folders, catalog, listing, source, target)
            .onCanceled([] {
                return PrepareResult{PrepareResult::Outcome::cancelled, {}, {}};
            })
            .then([promise](const PrepareResult& result) {
                promise->addResult(result);
                promise->finish();
            });
    });
    return future;
}

void ApertiumEngine::closeIdlePipelines() {
    m_pool->closeIdle();
}

QFuture<void>
ApertiumEngine::keepWarm(const QList<std::pair<EngineLanguage, EngineLanguage>>& directions) {
    QStringList files;
    for (const auto& [source, target] : directions) {
        files.append(installedFiles(source, target)); // the pool keeps a shared leg once
    }
    return m_pool->keepWarm(files);
}

QStringList ApertiumEngine::warmDirections() const {
    return m_pool->warmDirections();
}
