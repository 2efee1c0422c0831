#include "core/SettingsMigration.h"

#include <algorithm>

namespace SettingsMigration {

bool isOwnKey(const QString& key) {
    return !key.startsWith(QLatin1StringView("NS")) && !key.startsWith(QLatin1StringView("Apple"))
           && !key.startsWith(QLatin1StringView("SU")) && key != doneKey;
}

QVariantMap keysToCopy(const QVariantMap& old, const QVariantMap& current) {
    if (current.contains(doneKey))
        return {};
    const QStringList currentKeys = current.keys();
    if (std::any_of(currentKeys.cbegin(), currentKeys.cend(), isOwnKey))
        return {};
    QVariantMap copy;
    for (auto it = old.cbegin(); it != old.cend(); ++it) {
        if (isOwnKey(it.key()))
            copy.insert(it.key(), it.value());
    }
    return copy;
}

} // namespace SettingsMigration
