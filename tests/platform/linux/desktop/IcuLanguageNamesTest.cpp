#include "platform/linux/desktop/IcuLanguageNames.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TEST(IcuNames, NamesLanguagesInTheInterfaceLanguage) {
    const struct {
        const char* code;
        QLocale::Language interface;
        std::optional<QString> expected;
    } cases[] = {{"ca", QLocale::Russian, QString::fromUtf8("каталанский")},
                 {"ast", QLocale::English, QStringLiteral("Asturian")},
                 {"nb", QLocale::German, QString::fromUtf8("Norwegisch (Bokmål)")},
                 {"qqq", QLocale::Russian, std::nullopt},
                 {"", QLocale::Russian, std::nullopt},
                 {"not a code", QLocale::English, std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(IcuLanguageNames().languageName(QString::fromUtf8(c.code), QLocale(c.interface)),
                  c.expected)
            << c.code;
}

} // namespace
