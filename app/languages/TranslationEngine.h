#pragma once

#include "app/languages/EngineLanguage.h"
#include "app/languages/PairStatus.h"
#include "app/languages/PrepareResult.h"
#include "app/languages/TranslationSession.h"

#include <QFuture>
#include <QList>

#include <memory>
#include <optional>

// The on-device translation engine, as the application uses it. Every operation is safe to
// call from the main thread: slow work happens elsewhere and ends in a future.
class TranslationEngine {
public:
    TranslationEngine() = default;
    virtual ~TranslationEngine() = default;
    TranslationEngine(const TranslationEngine&) = delete;
    TranslationEngine& operator=(const TranslationEngine&) = delete;

    // Every language the engine can translate from or to, installed or downloadable, in the
    // engine's own order. One base language may appear as several variants.
    virtual QFuture<QList<EngineLanguage>> supportedLanguages() = 0;
    // The languages of the installed pairs, known at once without asking the package manager;
    // empty where the engine cannot tell them apart.
    virtual QList<EngineLanguage> installedLanguages() { return {}; }

    // The status of exactly this variant pair. Never fails.
    virtual QFuture<PairStatus> status(const EngineLanguage& source,
                                       const EngineLanguage& target) = 0;

    // A session for a pair whose status was installed, usable at once; null when the pair is
    // not installed after all.
    virtual std::shared_ptr<TranslationSession> openSession(const EngineLanguage& source,
                                                            const EngineLanguage& target) = 0;

    // Offers the user the download of the pair's data and ends when that offer has ended.
    // Progress (0-100) is reported through the future's progress value where known.
    virtual QFuture<PrepareResult> prepare(const EngineLanguage& source,
                                           const EngineLanguage& target) = 0;

    // The language a pair is translated through when it has no direction of its own, as the
    // last status() found; none for a direct pair or one the engine cannot translate.
    virtual std::optional<EngineLanguage> intermediate(const EngineLanguage& source,
                                                       const EngineLanguage& target) {
        Q_UNUSED(source);
        Q_UNUSED(target);
        return std::nullopt;
    }
};
