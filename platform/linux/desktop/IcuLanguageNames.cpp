#include "platform/linux/desktop/IcuLanguageNames.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

std::optional<QString> IcuLanguageNames::languageName(const QString& code,
                                                      const QLocale& locale) const {
    if (code.isEmpty())
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale language = icu::Locale::forLanguageTag(code.toStdString(), status);
    if (U_FAILURE(status) || language.isBogus() || *language.getLanguage() == '\0')
        return std::nullopt;
    status = U_ZERO_ERROR;
    const icu::Locale display =
        icu::Locale::forLanguageTag(locale.bcp47Name().toStdString(), status);
    if (U_FAILURE(status))
        return std::nullopt;

    icu::UnicodeString name;
    language.getDisplayLanguage(display, name);
    const QString result = QString(reinterpret_cast<const QChar*>(name.getBuffer()), name.length());
    // ICU answers with the code itself when it knows no name.
    if (result.isEmpty()
        || result.compare(QLatin1String(language.getLanguage()), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return result;
}
