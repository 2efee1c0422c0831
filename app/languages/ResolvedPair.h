#pragma once

#include "app/languages/EngineLanguage.h"
#include "app/languages/PairStatus.h"

#include <QString>

#include <optional>
#include <utility>

// The engine variants chosen for a pair of codes, and whether they can translate here.
struct ResolvedPair {
    ResolvedPair() = default;
    ResolvedPair(EngineLanguage source, EngineLanguage target, PairStatus status, QString via = {})
        : source(std::move(source))
        , target(std::move(target))
        , status(status)
        , via(std::move(via)) {}

    EngineLanguage source;
    EngineLanguage target;
    PairStatus status = PairStatus::unsupported;
    // The base language a chained pair is translated through; empty for a direct pair.
    QString via;

    bool operator==(const ResolvedPair&) const = default;

    // "installed", "supported" or "unsupported", as the screens name a pair's state; no pair at
    // all is unsupported.
    static QString statusName(const std::optional<ResolvedPair>& pair) {
        if (!pair || pair->status == PairStatus::unsupported)
            return QStringLiteral("unsupported");
        return pair->status == PairStatus::installed ? QStringLiteral("installed")
                                                     : QStringLiteral("supported");
    }
};
