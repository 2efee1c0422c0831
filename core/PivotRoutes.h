#pragma once

#include "core/LanguageLink.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Translation through one intermediate language where no direct direction exists: source →
// intermediate → target, each leg a direction of its own.
namespace PivotRoutes {

// Intermediates tried first, in this order, after those whose two legs are both installed.
const QStringList& preferredIntermediates();

struct Route {
    QString intermediate;
    bool installed = false; // both legs are on this computer

    bool operator==(const Route&) const = default;
};

// The way from `source` to `target` (base languages) over `links`: none when a direct link
// exists or no intermediate chains the two. Of several intermediates, the one whose legs are
// both installed wins, then Spanish, Catalan and English in that order, then the rest by
// language code, so the same text always takes the same way. Never through the source or the
// target itself.
std::optional<Route> route(const QString& source, const QString& target,
                           const QList<LanguageLink>& links);

} // namespace PivotRoutes
