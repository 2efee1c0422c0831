#include "core/LanguageDefaults.h"

#include "core/LangChoice.h"
#include "core/LanguageCode.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const LanguagePrefs& prefs, std::ostream* out) {
    *out << prefs.my.toStdString() << " / " << prefs.second.toStdString();
}

namespace {

using Codes = QSet<QString>;
using Prefs = LanguagePrefs;

TEST(LanguageDefaultsTest, PrefsDerivesThePair) {
    // Preferred languages, input sources, supported codes (absent: the known codes), result.
    const std::tuple<QStringList, QStringList, std::optional<Codes>, Prefs> cases[] = {
        {{"de-DE", "de-AT", "en-US"}, {"ru"}, {}, {"de", "en"}},
        {{"ga-IE"}, {}, {}, {"en", "es"}},
        {{"en-GB"}, {}, {}, {"en", "es"}},
        {{"fr-FR"}, {}, {}, {"fr", "en"}},
        {{"ja", "ga"}, {"zh-Hant", "ko"}, {}, {"ja", "zh"}},
        {{"en", "fr"}, {}, Codes{"fr"}, {"fr", "en"}},
    };
    for (const auto& [preferred, sources, supported, expected] : cases)
        EXPECT_EQ(
            LanguageDefaults::prefs(preferred, sources,
                                    supported.value_or(LanguageDefaults::knownLanguageCodes())),
            expected)
            << preferred.join(',').toStdString() << " / " << sources.join(',').toStdString();
}

TEST(LanguageDefaultsTest, RepairKeepsOrReplacesMembers) {
    // Current, defaults, supported, repaired.
    const std::tuple<Prefs, Prefs, Codes, Prefs> cases[] = {
        // clang-format off
        {{"xx", "yy"}, {"de", "fr"}, {"de", "fr", "en"}, {"de", "fr"}},
        {{"de", "de"}, {"de", "en"}, {"de", "en"}, {"de", "en"}},
        {{"xx", "xx"}, {"de", "en"}, {}, {"xx", "xx"}},
        {{"xx", "yy"}, {"zz", "ww"}, {"fr"}, {"xx", "en"}},
        {{"de", "fr"}, {"en", "es"}, {"de", "fr"}, {"de", "fr"}},
        {{"xx", "fr"}, {"yy", "zz"}, {"en", "fr"}, {"en", "fr"}},
        {{"fr", "xx"}, {"de", "yy"}, {"fr", "de", "en"}, {"fr", "de"}},
        {{"fr", "xx"}, {"fr", "yy"}, {"fr", "es"}, {"fr", "es"}},
        {{"de", "xx"}, {"de", "yy"}, {"de", "en"}, {"de", "en"}},
        {{"en", "en"}, {"en", "en"}, {"en"}, {"en", "es"}},
        // clang-format on
    };
    for (const auto& [current, defaults, supported, expected] : cases)
        EXPECT_EQ(LanguageDefaults::repair(current, defaults, supported), expected)
            << testing::PrintToString(current) << " with defaults "
            << testing::PrintToString(defaults);
}

TEST(LanguageCode, NormalizeReducesToBaseCode) {
    const std::pair<const char*, const char*> cases[] = {
        {"en-US", "en"}, {"en_GB", "en"}, {"EN", "en"},  {"zh-Hans", "zh"}, {"zh-Hant-TW", "zh"},
        {"zh_CN", "zh"}, {"pt-BR", "pt"}, {"no", "nb"},  {"no-NO", "nb"},   {"NO", "nb"},
        {"nb-NO", "nb"}, {"NO_nb", "nb"}, {"_de", "de"}, {"", ""},          {"--", "--"},
        {"_-_", "_-_"},  {"nob", "nob"}};
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(LanguageCode::normalize(QString::fromUtf8(input)), QString::fromUtf8(expected))
            << "input: " << input;
}

// Automatic is no code at all, which an empty fixed code must not be taken for.
TEST(LangChoiceTest, EqualChoicesHashEquallyAndCodesAreKeptAsGiven) {
    EXPECT_FALSE(LangChoice::fixed(QString()).isAutomatic());
    EXPECT_EQ(LangChoice::fixed(QStringLiteral("EN-us")).code, QStringLiteral("EN-us"));
    const QSet<LangChoice> choices{LangChoice::automatic(), LangChoice{},
                                   LangChoice::fixed(QStringLiteral("de")),
                                   LangChoice{QStringLiteral("de")}, LangChoice::fixed(QString())};
    EXPECT_EQ(choices.size(), 3);
}

} // namespace
