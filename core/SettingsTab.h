#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace SettingsTabs {
Q_NAMESPACE

// The tabs of the settings screen, and the names URL commands may use for them.
enum class SettingsTab {
    general,
    translation,
    shortcuts,
    // QML reads enum values only by names that begin with a capital letter.
    General = general,
    Translation = translation,
    Shortcuts = shortcuts,
};
Q_ENUM_NS(SettingsTab)

} // namespace SettingsTabs

using SettingsTab = SettingsTabs::SettingsTab;

namespace SettingsTabs {

// "general", "translation" or "shortcuts".
QString rawValue(SettingsTab tab);

// Only the three raw values.
std::optional<SettingsTab> fromRawValue(const QString& value);

// Lenient and case-sensitive: "about" opens general, "languages" and "dictionaries" the
// translation tab, "shortcut" and "access" the shortcuts tab; anything else none.
std::optional<SettingsTab> fromName(const std::optional<QString>& name);

} // namespace SettingsTabs
