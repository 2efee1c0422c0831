#include "core/SettingsTab.h"

#include <QLatin1StringView>

namespace SettingsTabs {

QString rawValue(SettingsTab tab) {
    switch (tab) {
    case SettingsTab::general:
        return QStringLiteral("general");
    case SettingsTab::translation:
        return QStringLiteral("translation");
    case SettingsTab::shortcuts:
        return QStringLiteral("shortcuts");
    }
    return {};
}

std::optional<SettingsTab> fromRawValue(const QString& value) {
    for (const SettingsTab tab :
         {SettingsTab::general, SettingsTab::translation, SettingsTab::shortcuts}) {
        if (value == rawValue(tab))
            return tab;
    }
    return std::nullopt;
}

std::optional<SettingsTab> fromName(const std::optional<QString>& name) {
    if (!name)
        return std::nullopt;
    static const struct {
        QLatin1StringView name;
        SettingsTab tab;
    } names[] = {
        {QLatin1StringView("general"), SettingsTab::general},
        {QLatin1StringView("about"), SettingsTab::general},
        {QLatin1StringView("translation"), SettingsTab::translation},
        {QLatin1StringView("languages"), SettingsTab::translation},
        {QLatin1StringView("dictionaries"), SettingsTab::translation},
        {QLatin1StringView("shortcuts"), SettingsTab::shortcuts},
        {QLatin1StringView("shortcut"), SettingsTab::shortcuts},
        {QLatin1StringView("access"), SettingsTab::shortcuts},
    };
    for (const auto& entry : names) {
        if (*name == entry.name)
            return entry.tab;
    }
    return std::nullopt;
}

} // namespace SettingsTabs
