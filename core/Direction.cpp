#include "core/Direction.h"

namespace Direction {

Pair resolve(const std::optional<QString>& detected, const LangChoice& from, const LangChoice& to,
             const LanguagePrefs& prefs) {
    const QString source = from.code.value_or(detected.value_or(prefs.second));
    const QString partner = source == prefs.my ? prefs.second : prefs.my;

    const QString candidate = to.code.value_or(partner);
    if (candidate != source)
        return Pair{source, candidate};
    if (partner != source)
        return Pair{source, partner};
    return Pair{source,
                source == QLatin1String("en") ? QStringLiteral("es") : QStringLiteral("en")};
}

} // namespace Direction
