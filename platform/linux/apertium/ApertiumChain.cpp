#include "platform/linux/apertium/ApertiumChain.h"

#include "core/PivotRoutes.h"
#include "platform/linux/apertium/ApertiumEngine.h"
#include "platform/linux/apertium/ApertiumModes.h"

#include <QHash>

QStringList ApertiumChain::modeFiles() const {
    if (!installed())
        return {};
    return {first.mode->file, second.mode->file};
}

QStringList ApertiumChain::missingPackages() const {
    QStringList names;
    for (const Leg* leg : {&first, &second}) {
        if (!leg->mode && leg->package && !names.contains(leg->package->name))
            names.append(leg->package->name);
    }
    return names;
}

namespace {

// The graph's nodes: the pair's own two languages exactly, every other language by its base,
// so that any variant of an intermediate joins the legs. Another variant of the source's or
// the target's base language is no node at all: a chain never passes through either language.
class Nodes {
public:
    Nodes(const EngineLanguage& source, const EngineLanguage& target)
        : m_source(source.identifier)
        , m_target(target.identifier)
        , m_ends{baseOf(source), baseOf(target)} {}

    std::optional<QString> of(const EngineLanguage& language) const {
        if (language.identifier == m_source || language.identifier == m_target)
            return language.identifier;
        const QString base = baseOf(language);
        if (m_ends.contains(base))
            return std::nullopt;
        return base;
    }

private:
    static QString baseOf(const EngineLanguage& language) {
        return language.languageCode.isEmpty() ? language.identifier : language.languageCode;
    }

    const QString m_source;
    const QString m_target;
    const QStringList m_ends;
};

std::optional<EngineLanguage> baseLanguage(const EngineLanguage& language) {
    return ApertiumModes::language(language.engineCode.section(u'_', 0, 0));
}

} // namespace

std::optional<ApertiumChain> ApertiumChain::find(const QList<ApertiumMode>& modes,
                                                 const PackageCatalog::Listing& listing,
                                                 const EngineLanguage& source,
                                                 const EngineLanguage& target) {
    if (source.identifier == target.identifier
        || ApertiumEngine::offeringPackage(listing, source, target))
        return std::nullopt;
    const Nodes nodes(source, target);
    QList<LanguageLink> links;
    QHash<QString, EngineLanguage> bases;
    const auto link = [&](const EngineLanguage& from, const EngineLanguage& to, bool installed) {
        const auto first = nodes.of(from);
        const auto second = nodes.of(to);
        if (!first || !second)
            return;
        links.append({*first, *second, installed});
        for (const auto& [node, side] : {std::pair(*first, from), std::pair(*second, to)}) {
            if (const auto base = baseLanguage(side))
                bases.insert(node, *base);
        }
    };
    for (const ApertiumMode& mode : modes) {
        if (mode.source.identifier == source.identifier
            && mode.target.identifier == target.identifier)
            return std::nullopt;
        link(mode.source, mode.target, true);
    }
    for (const LanguagePackage& package : listing.packages) {
        if (const auto offered = ApertiumEngine::offeredLanguages(package)) {
            link(offered->first, offered->second, false);
            link(offered->second, offered->first, false);
        }
    }

    const std::optional<PivotRoutes::Route> route =
        PivotRoutes::route(source.identifier, target.identifier, links);
    if (!route || !bases.contains(route->intermediate))
        return std::nullopt;

    ApertiumChain chain;
    chain.intermediate = bases.value(route->intermediate);
    // Of the installed modes for a leg, the one whose intermediate side is the base language.
    const auto pickMode = [&](const EngineLanguage& end,
                              bool endIsSource) -> std::optional<ApertiumMode> {
        std::optional<ApertiumMode> found;
        for (const ApertiumMode& mode : modes) {
            const EngineLanguage& middle = endIsSource ? mode.target : mode.source;
            if ((endIsSource ? mode.source : mode.target).identifier != end.identifier
                || nodes.of(middle) != std::optional(route->intermediate))
                continue;
            if (middle.identifier == chain.intermediate.identifier)
                return mode;
            if (!found)
                found = mode;
        }
        return found;
    };
    chain.first.mode = pickMode(source, true);
    chain.second.mode = pickMode(target, false);
    if (!chain.first.mode)
        chain.first.package = ApertiumEngine::offeringPackage(listing, source, chain.intermediate);
    if (!chain.second.mode)
        chain.second.package = ApertiumEngine::offeringPackage(listing, chain.intermediate, target);
    if ((!chain.first.mode && !chain.first.package)
        || (!chain.second.mode && !chain.second.package))
        return std::nullopt;
    return chain;
}
