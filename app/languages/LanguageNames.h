#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// Names of languages in the language of a given locale, from whatever the platform offers.
class LanguageNames {
public:
    LanguageNames() = default;
    virtual ~LanguageNames() = default;
    LanguageNames(const LanguageNames&) = delete;
    LanguageNames& operator=(const LanguageNames&) = delete;

    // The name of the language `code` as written in `locale`'s language, unchanged (not
    // capitalised); absent when the platform has no name for it.
    virtual std::optional<QString> languageName(const QString& code,
                                                const QLocale& locale) const = 0;
};
