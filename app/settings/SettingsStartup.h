#pragma once

#include "app/settings/DefaultsStore.h"

#include <QLocale>
#include <QString>

class QCoreApplication;

// What happens to the settings at process start, before the settings object is first used.
namespace SettingsStartup {

// The store key holding the interface-language override as a list of one code.
inline constexpr QLatin1StringView interfaceLanguagesKey{"AppleLanguages"};

// Copies the settings of the earlier application identifier into `store` once per user, and
// marks the migration as done even when nothing was copied.
void migrateLegacySettings(DefaultsStore& store);

// Stores ["en"] or ["ru"] under "AppleLanguages" for those interface languages and removes the
// key for any other choice.
void applyInterfaceLanguage(DefaultsStore& store);

// The locale of the interface: the stored override, or the system's.
QLocale interfaceLocale(const DefaultsStore& store);

// The language the interface is shown in: Russian when chosen, else English. Language names
// follow it.
QLocale shownLocale(const DefaultsStore& store);

// Makes the interface locale the default one and installs the application's translation for
// it from `directory` ("verdolin_<language>.qm"). Returns whether a translation was found;
// without one the interface stays in English.
bool installTranslator(QCoreApplication& application, const DefaultsStore& store,
                       const QString& directory = QStringLiteral(":/i18n"));

// The migration and the interface-language key on the standard store.
void run();

} // namespace SettingsStartup
