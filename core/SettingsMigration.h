#pragma once

#include <QString>
#include <QVariantMap>

// Which settings of the earlier application identifier are carried over to the current one.
namespace SettingsMigration {

// Written once the migration has run, whether or not anything was copied.
inline constexpr QLatin1StringView doneKey{"legacySettingsMigrated"};

// Keys of the application itself, as opposed to those the toolkit or updater keep.
bool isOwnKey(const QString& key);

// The entries of the old domain to copy; empty once migrated or when the current domain
// already has settings of its own.
QVariantMap keysToCopy(const QVariantMap& old, const QVariantMap& current);

} // namespace SettingsMigration
