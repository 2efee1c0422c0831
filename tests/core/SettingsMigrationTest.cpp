#include "core/SettingsMigration.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

TEST(SettingsMigration, CopiesOwnKeysOnlyIntoAnUnsetDomain) {
    const std::pair<const char*, bool> keys[] = {// clang-format off
        {"myLanguage", true}, {"NSWindow Frame main", false}, {"AppleLanguages", false},
        {"SUEnableAutomaticChecks", false}, {"legacySettingsMigrated", false},
        {"legacySettingsMigratedX", true}};
    // clang-format on
    for (const auto& [key, own] : keys)
        EXPECT_EQ(SettingsMigration::isOwnKey(QString::fromUtf8(key)), own) << '"' << key << '"';

    const QVariantMap own{{"myLanguage", "de"}, {"dictionaryIDs", QStringList{"wn"}}};
    QVariantMap legacy = own;
    legacy.insert({{"NSWindow Frame main", "0 0 100 100"}, {"legacySettingsMigrated", true}});
    // Toolkit keys do not count as set; one own key does.
    EXPECT_EQ(SettingsMigration::keysToCopy(legacy, {{"AppleLanguages", QStringList{"en"}}}), own);
    EXPECT_EQ(SettingsMigration::keysToCopy(legacy, {{"myLanguage", "fr"}}), QVariantMap());
}

} // namespace
