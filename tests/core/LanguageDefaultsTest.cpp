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

TEST(LanguageDefaultsTest, PrefsDerivesThePair) {
    const struct {
        QStringList preferred;
        QStringList inputSources;
        std::optional<QSet<QString>> supported; // absent: the known codes
        LanguagePrefs expected;
    } cases[] = {
        // clang-format off
        {list({"de-DE", "de-AT", "en-US"}), list({"ru"}), {}, pair("de", "en")},
        {list({"ga-IE"}), {}, {}, pair("en", "es")},
        {list({"en-GB"}), {}, {}, pair("en", "es")},
        {list({"fr-FR"}), {}, {}, pair("fr", "en")},
        {list({"no"}), {}, {}, pair("nb", "en")},
        {list({"de", "fr"}), list({"en"}), QSet<QString>(), pair("en", "es")},
        {{}, {}, {}, pair("en", "es")},
        {list({"ja", "ga"}), list({"zh-Hant", "ko"}), {}, pair("ja", "zh")},
        {{}, list({"uk", "ru"}), {}, pair("uk", "ru")},
        {list({"EN_us", "ES-419"}), {}, {}, pair("en", "es")},
        {list({"en", "fr"}), {}, set({"fr"}), pair("fr", "en")},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preferred.join(',').toStdString() + " / "
                     + c.inputSources.join(',').toStdString());
        EXPECT_EQ(
            LanguageDefaults::prefs(c.preferred, c.inputSources,
                                    c.supported.value_or(LanguageDefaults::knownLanguageCodes())),
            c.expected);
    }
}

TEST(LanguageDefaultsTest, RepairKeepsOrReplacesMembers) {
    // Current, defaults, supported, repaired.
    const std::tuple<LanguagePrefs, LanguagePrefs, QSet<QString>, LanguagePrefs> cases[] = {
        // clang-format off
        {pair("xx", "yy"), pair("de", "fr"), set({"de", "fr", "en"}), pair("de", "fr")},
        {pair("de", "de"), pair("de", "en"), set({"de", "en"}), pair("de", "en")},
        {pair("xx", "xx"), pair("de", "en"), {}, pair("xx", "xx")},
        {pair("xx", "yy"), pair("zz", "ww"), set({"fr"}), pair("xx", "en")},
        {pair("de", "fr"), pair("en", "es"), set({"de", "fr"}), pair("de", "fr")},
        {pair("xx", "fr"), pair("yy", "zz"), set({"en", "fr"}), pair("en", "fr")},
        {pair("fr", "xx"), pair("de", "yy"), set({"fr", "de", "en"}), pair("fr", "de")},
        {pair("fr", "xx"), pair("fr", "yy"), set({"fr", "es"}), pair("fr", "es")},
        {pair("de", "xx"), pair("de", "yy"), set({"de", "en"}), pair("de", "en")},
        {pair("en", "xx"), pair("en", "yy"), set({"en", "es"}), pair("en", "es")},
        {pair("en", "en"), pair("en", "en"), set({"en"}), pair("en", "es")},
        {pair("EN", "DE"), pair("en", "de"), set({"en", "de"}), pair("en", "de")},
        // clang-format on
    };
    for (const auto& [current, defaults, supported, expected] : cases)
        EXPECT_EQ(LanguageDefaults::repair(current, defaults, supported), expected)
            << testing::PrintToString(current) << " with defaults "
            << testing::PrintToString(defaults);
}

} // namespace
