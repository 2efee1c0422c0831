#pragma once

#include "app/languages/EngineLanguage.h"
#include "platform/linux/apertium/ApertiumMode.h"
#include "platform/linux/packages/PackageCatalog.h"

#include <QList>
#include <QStringList>

#include <optional>

// A direction with no mode or package of its own, translated through one intermediate
// language: two legs, each an installed mode or the package that would install it.
struct ApertiumChain {
    struct Leg {
        std::optional<ApertiumMode> mode;       // when installed
        std::optional<LanguagePackage> package; // otherwise what installs it
    };

    EngineLanguage intermediate; // a base language
    Leg first;
    Leg second;

    bool installed() const { return first.mode && second.mode; }
    // The legs' mode files in order; empty unless installed.
    QStringList modeFiles() const;
    // The packages that would make it installed, without repeats.
    QStringList missingPackages() const;

    // The chain for exactly this pair: none when the pair has a mode or a package of its own,
    // or when no intermediate joins the two. Legs are chosen as PivotRoutes orders them; of
    // several modes for one leg, the one whose intermediate side is the base language.
    static std::optional<ApertiumChain> find(const QList<ApertiumMode>& modes,
                                             const PackageCatalog::Listing& listing,
                                             const EngineLanguage& source,
                                             const EngineLanguage& target);
};
