#include "app/dictionary/DictionaryPackageNames.h"

#include <QCoreApplication>
#include <QLocale>

#include <utility>

namespace DictionaryPackageNames {

namespace {

// The ISO 639-3 code of one of the program's codes ("en" gives "eng"); empty when unknown.
QString threeLetterCode(const QString& code) {
    const QLocale::Language language = QLocale::codeToLanguage(code.toLower());
    if (language == QLocale::AnyLanguage || language == QLocale::C)
        return {};
    return QLocale::languageToCode(language, QLocale::ISO639Part3);
}

} // namespace

QList<DictionaryPackage> candidates(const QString& myLanguage, const QString& secondLanguage,
                                    const LanguageName& languageName) {
    const auto name = [&languageName](const QString& code) {
        const QString shown = languageName ? languageName(code) : QString();
        return shown.isEmpty() ? code : shown;
    };
    const QString my = threeLetterCode(myLanguage);
    const QString second = threeLetterCode(secondLanguage);

    QList<DictionaryPackage> found;
    if (!my.isEmpty() && !second.isEmpty() && my != second) {
        for (const auto& [from, to] :
             {std::pair(myLanguage, secondLanguage), std::pair(secondLanguage, myLanguage)}) {
            found.append(
                {QStringLiteral("dict-freedict-%1-%2")
                     .arg(threeLetterCode(from), threeLetterCode(to)),
                 QCoreApplication::translate("DictionaryPackageNames", "%1 → %2 (FreeDict)")
                     .arg(name(from), name(to)),
                 false});
        }
    }
    const QString english = my == u"eng"       ? myLanguage
                            : second == u"eng" ? secondLanguage
                                               : QString();
    if (!english.isEmpty()) {
        found.append({QStringLiteral("dict-wn"),
                      QCoreApplication::translate("DictionaryPackageNames", "WordNet (%1)")
                          .arg(name(english)),
                      false});
        found.append(
            {QStringLiteral("dict-gcide"),
             QCoreApplication::translate("DictionaryPackageNames", "GCIDE (%1)").arg(name(english)),
             false});
    }
    return found;
}

} // namespace DictionaryPackageNames
