#include "core/LanguageDefaults.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const LanguagePrefs& prefs, std::ostream* out) {
    *out << prefs.my.toStdString() << " / " << prefs.second.toStdString();
}

namespace {

QStringList list(std::initializer_list<const char*> items) {
    QStringList result;
    for (const char* item : items)
        result.append(QString::fromUtf8(item));
    return result;
}

QSet<QString> set(std::initializer_list<const char*> items) {
    const QStringList codes = list(items);
    return QSet<QString>(codes.begin(), codes.end());
}

LanguagePrefs pair(const char* my, const char* second) {
    return LanguagePrefs{QString::fromUtf8(my), QString::fromUtf8(second)};
}

TEST(LanguageDefaultsTest, KnownCodesAreTheTwentyTwoBuiltOnce) {
    const QSet<QString>& known = LanguageDefaults::knownLanguageCodes();
    EXPECT_EQ(known, set({"ar", "da", "de", "en", "es", "fr", "hi", "id", "it", "ja", "ko",
                          "nb", "nl", "pl", "pt", "ru", "sv", "th", "tr", "uk", "vi", "zh"}));
    EXPECT_EQ(&known, &LanguageDefaults::knownLanguageCodes());
}

struct PrefsCase {
    QStringList preferred;
    QStringList inputSources;
    std::optional<QSet<QString>> supported; // absent: the known codes
    LanguagePrefs expected;
};

class LanguageDefaultsPrefs : public testing::TestWithParam<PrefsCase> {};

TEST_P(LanguageDefaultsPrefs, DerivesThePair) {
    const PrefsCase& c = GetParam();
    EXPECT_EQ(LanguageDefaults::prefs(c.preferred, c.inputSources,
                                      c.supported.value_or(LanguageDefaults::knownLanguageCodes())),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageDefaultsPrefs,
    testing::Values(
        PrefsCase{list({"de-DE", "de-AT", "en-US"}), list({"ru"}), {}, pair("de", "en")},
        PrefsCase{list({"ga-IE"}), {}, {}, pair("en", "es")},
        PrefsCase{list({"en-GB"}), {}, {}, pair("en", "es")},
        PrefsCase{list({"fr-FR"}), {}, {}, pair("fr", "en")},
        PrefsCase{list({"no"}), {}, {}, pair("nb", "en")},
        PrefsCase{list({"de", "fr"}), list({"en"}), QSet<QString>(), pair("en", "es")},
        PrefsCase{{}, {}, {}, pair("en", "es")},
        PrefsCase{list({"ja", "ga"}), list({"zh-Hant", "ko"}), {}, pair("ja", "zh")},
        PrefsCase{{}, list({"uk", "ru"}), {}, pair("uk", "ru")},
        PrefsCase{list({"EN_us", "ES-419"}), {}, {}, pair("en", "es")},
        PrefsCase{list({"en", "fr"}), {}, set({"fr"}), pair("fr", "en")}));

struct RepairCase {
    LanguagePrefs current;
    LanguagePrefs defaults;
    QSet<QString> supported;
    LanguagePrefs expected;
};

class LanguageDefaultsRepair : public testing::TestWithParam<RepairCase> {};

TEST_P(LanguageDefaultsRepair, KeepsOrReplacesMembers) {
    const RepairCase& c = GetParam();
    EXPECT_EQ(LanguageDefaults::repair(c.current, c.defaults, c.supported), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageDefaultsRepair,
    testing::Values(
        RepairCase{pair("xx", "yy"), pair("de", "fr"), set({"de", "fr", "en"}), pair("de", "fr")},
        RepairCase{pair("de", "de"), pair("de", "en"), set({"de", "en"}), pair("de", "en")},
        RepairCase{pair("xx", "xx"), pair("de", "en"), {}, pair("xx", "xx")},
        RepairCase{pair("xx", "yy"), pair("zz", "ww"), set({"fr"}), pair("xx", "en")},
        RepairCase{pair("de", "fr"), pair("en", "es"), set({"de", "fr"}), pair("de", "fr")},
        RepairCase{pair("xx", "fr"), pair("yy", "zz"), set({"en", "fr"}), pair("en", "fr")},
        RepairCase{pair("fr", "xx"), pair("de", "yy"), set({"fr", "de", "en"}), pair("fr", "de")},
        RepairCase{pair("fr", "xx"), pair("fr", "yy"), set({"fr", "es"}), pair("fr", "es")},
        RepairCase{pair("de", "xx"), pair("de", "yy"), set({"de", "en"}), pair("de", "en")},
        RepairCase{pair("en", "xx"), pair("en", "yy"), set({"en", "es"}), pair("en", "es")},
        RepairCase{pair("en", "en"), pair("en", "en"), set({"en"}), pair("en", "es")},
        RepairCase{pair("EN", "DE"), pair("en", "de"), set({"en", "de"}), pair("en", "de")}));

} // namespace
