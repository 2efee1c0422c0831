#include "core/SettingsMigration.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

TEST(SettingsMigration, OwnKeysExcludeToolkitKeysCaseSensitively) {
    const std::pair<const char*, bool> cases[] = {{"myLanguage", true},
                                                  {"NSWindow Frame main", false},
                                                  {"AppleLanguages", false},
                                                  {"SUEnableAutomaticChecks", false},
                                                  {"legacySettingsMigrated", false},
                                                  {"legacySettingsMigratedX", true}};
    for (const auto& [key, own] : cases)
        EXPECT_EQ(SettingsMigration::isOwnKey(QString::fromUtf8(key)), own) << '"' << key << '"';
}

TEST(SettingsMigration, CopiesOwnKeysOnlyIntoAnUnsetDomain) {
    const QVariantMap own{{"myLanguage", "de"}, {"dictionaryIDs", QStringList{"wn"}}};
    QVariantMap legacy = own;
    legacy.insert({{"NSWindow Frame main", "0 0 100 100"}, {"legacySettingsMigrated", true}});
    const struct {
        const char* name;
        QVariantMap current;
        QVariantMap expected;
    } cases[] = {
        {"CurrentHoldsOnlyToolkitKeys", {{"AppleLanguages", QStringList{"en"}}}, own},
        {"CurrentHasOwnSetting", {{"myLanguage", "fr"}}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SettingsMigration::keysToCopy(legacy, c.current), c.expected) << c.name;
}

} // namespace
