#pragma once

#include "core/LanguagePrefs.h"

#include <QSet>
#include <QString>
#include <QStringList>

// Derives a first language pair from the system's preferences and repairs a stored pair
// that names languages the engine cannot handle.
namespace LanguageDefaults {

// Candidates are `preferred` then `inputSources`, each normalised; the first two distinct
// supported codes become my and second language.
LanguagePrefs prefs(const QStringList& preferred, const QStringList& inputSources,
                    const QSet<QString>& supported);

// Replaces unsupported members by defaults where possible and keeps second apart from my.
// An empty `supported` set means "not known yet" and leaves the pair as it is.
LanguagePrefs repair(const LanguagePrefs& current, const LanguagePrefs& defaults,
                     const QSet<QString>& supported);

// The 22 codes assumed supported while the engine has not reported its own languages.
const QSet<QString>& knownLanguageCodes();

} // namespace LanguageDefaults
