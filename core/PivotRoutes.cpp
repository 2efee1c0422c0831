#include "core/PivotRoutes.h"

#include <QHash>

#include <tuple>

namespace PivotRoutes {

const QStringList& preferredIntermediates() {
    static const QStringList order{QStringLiteral("es"), QStringLiteral("ca"),
                                   QStringLiteral("en")};
    return order;
}

std::optional<Route> route(const QString& source, const QString& target,
                           const QList<LanguageLink>& links) {
    if (source == target)
        return std::nullopt;
    // Per intermediate, whether each leg exists and is installed (one installed copy of a
    // direction is enough).
    struct Legs {
        std::optional<bool> first;
        std::optional<bool> second;
    };
    QHash<QString, Legs> through;
    // A chain through the source or the target itself would need the direct link, which ends
    // the search first.
    for (const LanguageLink& link : links) {
        if (link.source == source && link.target == target)
            return std::nullopt;
        if (link.source == source) {
            std::optional<bool>& leg = through[link.target].first;
            leg = leg.value_or(false) || link.installed;
        } else if (link.target == target) {
            std::optional<bool>& leg = through[link.source].second;
            leg = leg.value_or(false) || link.installed;
        }
    }
    std::optional<Route> best;
    const auto rank = [](const Route& route) {
        const qsizetype preferred = preferredIntermediates().indexOf(route.intermediate);
        return std::tuple(!route.installed,
                          preferred < 0 ? preferredIntermediates().size() : preferred,
                          route.intermediate);
    };
    for (auto it = through.cbegin(); it != through.cend(); ++it) {
        if (!it->first || !it->second)
            continue;
        const Route candidate{it.key(), *it->first && *it->second};
        if (!best || rank(candidate) < rank(*best))
            best = candidate;
    }
    return best;
}

} // namespace PivotRoutes
