#include "core/SettingsMigration.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct OwnKeyCase {
    const char* key;
    bool own;
};

void PrintTo(const OwnKeyCase& c, std::ostream* os) {
    *os << '"' << c.key << '"';
}

class SettingsMigrationOwnKey : public testing::TestWithParam<OwnKeyCase> {};

TEST_P(SettingsMigrationOwnKey, ExcludesToolkitKeysCaseSensitively) {
    const OwnKeyCase c = GetParam();
    EXPECT_EQ(SettingsMigration::isOwnKey(QString::fromUtf8(c.key)), c.own);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SettingsMigrationOwnKey,
    testing::Values(OwnKeyCase{"myLanguage", true}, OwnKeyCase{"NSWindow Frame main", false},
                    OwnKeyCase{"NS", false}, OwnKeyCase{"AppleLanguages", false},
                    OwnKeyCase{"SUEnableAutomaticChecks", false},
                    OwnKeyCase{"legacySettingsMigrated", false}, OwnKeyCase{"nsFoo", true},
                    OwnKeyCase{"appleFoo", true}, OwnKeyCase{"suFoo", true},
                    OwnKeyCase{"legacySettingsMigratedX", true}, OwnKeyCase{"", true}));

QVariantMap legacyDomain() {
    return {{QStringLiteral("myLanguage"), QStringLiteral("de")},
            {QStringLiteral("hotKeyCode"), 116},
            {QStringLiteral("saveHistory"), false},
            {QStringLiteral("dictionaryIDs"), QStringList{QStringLiteral("wn")}},
            {QStringLiteral("NSWindow Frame main"), QStringLiteral("0 0 100 100")},
            {QStringLiteral("AppleLanguages"), QStringList{QStringLiteral("ru")}},
            {QStringLiteral("SULastCheckTime"), 1},
            {QStringLiteral("legacySettingsMigrated"), true}};
}

const QVariantMap legacyOwnEntries{
    {QStringLiteral("myLanguage"), QStringLiteral("de")},
    {QStringLiteral("hotKeyCode"), 116},
    {QStringLiteral("saveHistory"), false},
    {QStringLiteral("dictionaryIDs"), QStringList{QStringLiteral("wn")}}};

struct CopyCase {
    const char* name;
    QVariantMap current;
    QVariantMap expected;
};

void PrintTo(const CopyCase& c, std::ostream* os) {
    *os << c.name;
}

class SettingsMigrationCopy : public testing::TestWithParam<CopyCase> {};

TEST_P(SettingsMigrationCopy, CopiesOwnKeysOnlyIntoAnUnsetDomain) {
    const CopyCase& c = GetParam();
    EXPECT_EQ(SettingsMigration::keysToCopy(legacyDomain(), c.current), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Domains, SettingsMigrationCopy,
    testing::Values(
        CopyCase{"EmptyCurrent", {}, legacyOwnEntries},
        CopyCase{"CurrentHoldsOnlyToolkitKeys",
                 {{QStringLiteral("NSNavLastRootDirectory"), QStringLiteral("~")},
                  {QStringLiteral("AppleLanguages"), QStringList{QStringLiteral("en")}},
                  {QStringLiteral("SUHasLaunchedBefore"), true}},
                 legacyOwnEntries},
        CopyCase{
            "CurrentHasOwnSetting", {{QStringLiteral("myLanguage"), QStringLiteral("fr")}}, {}},
        CopyCase{"AlreadyMigrated", {{QStringLiteral("legacySettingsMigrated"), true}}, {}},
        CopyCase{"MarkerPresentButFalse", {{QStringLiteral("legacySettingsMigrated"), false}}, {}}),
    [](const testing::TestParamInfo<CopyCase>& info) { return std::string(info.param.name); });

} // namespace
