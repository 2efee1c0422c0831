#pragma once

#include <QString>

#include <optional>

// The tabs of the settings screen, and the names URL commands may use for them.
enum class SettingsTab { general, translation, shortcuts };

namespace SettingsTabs {

// "general", "translation" or "shortcuts".
QString rawValue(SettingsTab tab);

// Only the three raw values.
std::optional<SettingsTab> fromRawValue(const QString& value);

// Lenient and case-sensitive: "about" opens general, "languages" and "dictionaries" the
// translation tab, "shortcut" and "access" the shortcuts tab; anything else none.
std::optional<SettingsTab> fromName(const std::optional<QString>& name);

} // namespace SettingsTabs
