#pragma once

#include "app/languages/TranslationEngine.h"
#include "platform/linux/apertium/ApertiumChain.h"
#include "platform/linux/apertium/ApertiumMode.h"
#include "platform/linux/apertium/ApertiumModes.h"
#include "platform/linux/apertium/ApertiumPipelinePool.h"
#include "platform/linux/packages/PackageCatalog.h"

#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

class QTimer;

// The translation engine on Apertium: installed directions are its mode files, downloadable
// ones the pair packages the system's package manager offers. Where neither gives a direction,
// two of them may chain through one intermediate language.
class ApertiumEngine final : public TranslationEngine {
public:
    struct Options {
        QStringList modeFolders = ApertiumModes::defaultFolders();
        // May be null: then nothing counts as downloadable and prepare names a command.
        std::shared_ptr<PackageCatalog> catalog;
        // An empty factory runs the real pipelines.
        ApertiumPipelinePool::Options pool;
        // How often idle pipelines are looked for, where the thread has an event loop.
        std::chrono::milliseconds idleCheckInterval = std::chrono::seconds(30);
    };

    ApertiumEngine();
    explicit ApertiumEngine(Options options);
    ~ApertiumEngine() override;

    QFuture<QList<EngineLanguage>> supportedLanguages() override;
    QList<EngineLanguage> installedLanguages() override;
    QFuture<PairStatus> status(const EngineLanguage& source, const EngineLanguage& target) override;
    std::shared_ptr<TranslationSession> openSession(const EngineLanguage& source,
                                                    const EngineLanguage& target) override;
    QFuture<PrepareResult> prepare(const EngineLanguage& source,
                                   const EngineLanguage& target) override;
    std::optional<EngineLanguage> intermediate(const EngineLanguage& source,
                                               const EngineLanguage& target) override;

    // The installed mode for exactly this pair, if any.
    std::optional<ApertiumMode> installedMode(const EngineLanguage& source,
                                              const EngineLanguage& target) const;

    // Makes Apertium's own pipelines: what a pool without another factory uses.
    static ApertiumPipelinePool::Factory realPipelines();

    // The base languages a package not yet installed offers, both ways (its variants are
    // unknown until it is); none for an installed package or a side that is no language.
    static std::optional<std::pair<EngineLanguage, EngineLanguage>>
    offeredLanguages(const LanguagePackage& package);
    // The package that would make the pair installed, from a listing.
    static std::optional<LanguagePackage> offeringPackage(const PackageCatalog::Listing& listing,
                                                          const EngineLanguage& source,
                                                          const EngineLanguage& target);
    // The packages that would make the pair installed, directly or through a chain; none when
    // it is installed or nothing offers it.
    QStringList packagesFor(const PackageCatalog::Listing& listing, const EngineLanguage& source,
                            const EngineLanguage& target) const;

    // Keeps these directions warm (see ApertiumPipelinePool::keepWarm), replacing the ones kept
    // before; directions not installed are left out.
    QFuture<void> keepWarm(const QList<std::pair<EngineLanguage, EngineLanguage>>& directions);

    // Closes pipelines idle for the time-out (a timer does it too).
    void closeIdlePipelines();
    QStringList warmDirections() const;

private:
    struct ListingCache;

    QFuture<PackageCatalog::Listing> listing(bool refresh);
    // The mode files the pair runs through when installed: its own, or a chain's two.
    QStringList installedFiles(const EngineLanguage& source, const EngineLanguage& target) const;
    // The listing last read, if any.
    std::optional<PackageCatalog::Listing> lastListing() const;
    // The chain for a pair without a direction of its own among `modes`, as far as the last
    // listing tells.
    std::optional<ApertiumChain> chain(const QList<ApertiumMode>& modes,
                                       const EngineLanguage& source,
                                       const EngineLanguage& target) const;
    static QFuture<PrepareResult> prepareFrom(const QStringList& folders,
                                              const std::shared_ptr<PackageCatalog>& catalog,
                                              const PackageCatalog::Listing& listing,
                                              const EngineLanguage& source,
                                              const EngineLanguage& target);

    const QStringList m_folders;
    const std::shared_ptr<PackageCatalog> m_catalog;
    const std::shared_ptr<ApertiumPipelinePool> m_pool;
    const std::shared_ptr<ListingCache> m_listing;
    std::unique_ptr<QTimer> m_idleTimer;
};
