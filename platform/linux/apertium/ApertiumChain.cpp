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
// so that any variant of an intermediate joins the legs. A variant of the source or target
// language is a node of its own: a chain never passes through either.
class Nodes {
public:
    Nodes(const EngineLanguage& source, const EngineLanguage& target)
        : m_source(source.identifier)
        , m_target(target.identifier) {}

    QString of(const EngineLanguage& language) const {
        if (language.identifier == m_source || language.identifier == m_target)
            return language.identifier;
        const QString base =
            language.languageCode.isEmpty() ? language.identifier : language.languageCode;
        return base == m_source || base == m_target ? language.identifier : base;
    }

private:
    const QString m_source;
    const QString m_target;
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
    for (const ApertiumMode& mode : modes) {
        if (mode.source.identifier == source.identifier
            && mode.target.identifier == target.identifier)
            return std::nullopt;
        links.append({nodes.of(mode.source), nodes.of(mode.target), true});
        for (const EngineLanguage& side : {mode.source, mode.target}) {
            if (const auto base = baseLanguage(side))
                bases.insert(nodes.of(side), *base);
        }
    }
    for (const LanguagePackage& package : listing.packages) {
        if (package.installed)
            continue;
        const auto first = ApertiumModes::language(package.firstCode);
        const auto second = ApertiumModes::language(package.secondCode);
        if (!first || !second)
            continue;
        // Until it is installed a package offers its base languages both ways.
        links.append({nodes.of(*first), nodes.of(*second), false});
        links.append({nodes.of(*second), nodes.of(*first), false});
        bases.insert(nodes.of(*first), *first);
        bases.insert(nodes.of(*second), *second);
    }

    const std::optional<PivotRoutes::Route> route =
        PivotRoutes::route(nodes.of(source), nodes.of(target), links);
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
                || nodes.of(middle) != route->intermediate)
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
