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
    for (const ApertiumMode& mode : ApertiumModes::scan(m_folders)) {
        if (samePair(mode, source, target))
            return mode;
    }
    return std::nullopt;
}

std::optional<LanguagePackage>
ApertiumEngine::offeringPackage(const PackageCatalog::Listing& listing,
                                const EngineLanguage& source, const EngineLanguage& target) {
    for (const LanguagePackage& package : listing.packages) {
        if (package.installed)
            continue;
        const auto first = ApertiumModes::language(package.firstCode);
        const auto second = ApertiumModes::language(package.secondCode);
        if (!first || !second)
            continue;
        // Until it is installed its variants are unknown: it offers its base languages,
        // both ways.
        const QSet<QString> sides{first->identifier, second->identifier};
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
            if (package.installed)
                continue;
            for (const QString& side : {package.firstCode, package.secondCode}) {
                const auto language = ApertiumModes::language(side);
                if (language && !seen.contains(language->identifier)) {
                    seen.insert(language->identifier);
                    languages.append(*language);
                }
            }
        }
        return languages;
    });
}

QFuture<PairStatus> ApertiumEngine::status(const EngineLanguage& source,
                                           const EngineLanguage& target) {
    if (installedMode(source, target))
        return ready(PairStatus::installed);
    if (!m_catalog)
        return ready(PairStatus::unsupported);
    return listing(false).then([source, target](const PackageCatalog::Listing& listing) {
        return offeringPackage(listing, source, target) ? PairStatus::supported
                                                        : PairStatus::unsupported;
    });
}

std::shared_ptr<TranslationSession> ApertiumEngine::openSession(const EngineLanguage& source,
                                                                const EngineLanguage& target) {
    const std::optional<ApertiumMode> mode = installedMode(source, target);
    if (!mode)
        return nullptr;
    m_pool->closeIdle();
    return std::make_shared<ApertiumSession>(m_pool, mode->file);
}

QFuture<PrepareResult> ApertiumEngine::prepare(const EngineLanguage& source,
                                               const EngineLanguage& target) {
    if (installedMode(source, target))
        return ready(PrepareResult{PrepareResult::Outcome::installed, {}, {}});
    if (!m_catalog) {
        // Nothing here can install; Debian names pair packages after the sides.
        return ready(AptCatalog::manualInstall(
            QStringLiteral("apertium-%1-%2").arg(baseCode(source), baseCode(target))));
    }
    const auto noPackage = [source, target] {
        return PrepareResult{PrepareResult::Outcome::failed,
                             QCoreApplication::translate(
                                 "ApertiumEngine", "No package offers translation from %1 to %2.")
                                 .arg(source.identifier, target.identifier),
                             {}};
    };
    {
        // The usual road: status() has just filled the listing; the catalog's own future
        // then carries the progress.
        const std::lock_guard lock(m_listing->mutex);
        if (m_listing->listing) {
            const auto package = offeringPackage(*m_listing->listing, source, target);
            if (!package)
                return ready(noPackage());
            qCInfo(lcEngine) << "installing" << package->name;
            return m_catalog->install(package->name);
        }
    }
    auto promise = std::make_shared<QPromise<PrepareResult>>();
    QFuture<PrepareResult> future = promise->future();
    promise->start();
    listing(false).then([catalog = m_catalog, promise, source, target,
                         noPackage](const PackageCatalog::Listing& listing) {
        const auto package = offeringPackage(listing, source, target);
        if (!package) {
            promise->addResult(noPackage());
            promise->finish();
            return;
        }
        qCInfo(lcEngine) << "installing" << package->name;
        catalog->install(package->name)
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
        if (const std::optional<ApertiumMode> mode = installedMode(source, target))
            files.append(mode->file);
    }
    return m_pool->keepWarm(files);
}

QStringList ApertiumEngine::warmDirections() const {
    return m_pool->warmDirections();
}
