#pragma once

#include "app/languages/LanguageNames.h"

// Language names from ICU's locale data, which covers far more interface languages than Qt's
// own names (those are English or native only).
class IcuLanguageNames : public LanguageNames {
public:
    std::optional<QString> languageName(const QString& code, const QLocale& locale) const override;
};
