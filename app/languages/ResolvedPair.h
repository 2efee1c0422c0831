#pragma once

#include "app/languages/EngineLanguage.h"
#include "app/languages/PairStatus.h"

// The engine variants chosen for a pair of codes, and whether they can translate here.
struct ResolvedPair {
    EngineLanguage source;
    EngineLanguage target;
    PairStatus status = PairStatus::unsupported;

    bool operator==(const ResolvedPair&) const = default;
};
