#include "core/AboutInfo.h"

namespace AboutInfo {

QString version(const QString& shortVersion, const QString& build) {
    return (shortVersion.isEmpty() ? QStringLiteral("1.0") : shortVersion) + QStringLiteral(" (")
           + (build.isEmpty() ? QStringLiteral("1") : build) + u')';
}

} // namespace AboutInfo
