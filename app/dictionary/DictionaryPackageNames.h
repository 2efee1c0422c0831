#pragma once

#include "app/dictionary/DictionaryPackage.h"

#include <QList>
#include <QString>

#include <functional>

// Which dictionary packages are worth offering for the user's two languages. Debian names
// FreeDict's packages after ISO 639-3 codes ("dict-freedict-eng-spa").
namespace DictionaryPackageNames {

// The display name of one of the program's language codes ("es" gives "Spanish").
using LanguageName = std::function<QString(const QString& code)>;

// FreeDict from my language to the second, then back, then for English the monolingual
// WordNet and GCIDE; not yet installed. Titles use `languageName`, or the codes without it.
QList<DictionaryPackage> candidates(const QString& myLanguage, const QString& secondLanguage,
                                    const LanguageName& languageName);

} // namespace DictionaryPackageNames
