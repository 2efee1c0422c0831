#include "app/SettingsStartup.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString domain = QStringLiteral("com.korvane.verdolin");

class SettingsStartupTest : public testing::Test {
protected:
    void write(const QString& name, const QByteArray& json) const {
        QFile out(dir.filePath(name + QStringLiteral(".json")));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(json);
    }

    QVariantMap stored() const { return DefaultsStore(domain, dir.path()).dictionary(); }

    QTemporaryDir dir;
};

struct MigrationCase {
    const char* name;
    QByteArray legacy;  // empty: no legacy file
    QByteArray current; // empty: no current file
    QVariantMap expected;
};

void PrintTo(const MigrationCase& c, std::ostream* out) {
    *out << c.name;
}

class SettingsMigrationAtStart : public SettingsStartupTest,
                                 public testing::WithParamInterface<MigrationCase> {};

TEST_P(SettingsMigrationAtStart, CopiesOnceAndMarksTheStore) {
    const MigrationCase& c = GetParam();
    if (!c.legacy.isEmpty())
        write(QString(DefaultsStore::legacyDomain), c.legacy);
    if (!c.current.isEmpty())
        write(domain, c.current);

    DefaultsStore store(domain, dir.path());
    SettingsStartup::migrateLegacySettings(store);
    EXPECT_EQ(stored(), c.expected);

    // A second start copies nothing, even when the old domain has changed since.
    write(QString(DefaultsStore::legacyDomain), R"({"keepOnTop": false})");
    DefaultsStore restarted(domain, dir.path());
    SettingsStartup::migrateLegacySettings(restarted);
    EXPECT_EQ(stored(), c.expected);
}

const QByteArray legacy =
    R"({"myLanguage": "ru", "hotKeyCode": 107, "saveHistory": false,
        "dictionaryIDs": ["wn"], "NSWindow Frame": "x", "AppleLanguages": ["ru"],
        "SUEnableAutomaticChecks": true, "legacySettingsMigrated": true})";

const QVariantMap copied{
    {"myLanguage", "ru"},
    {"hotKeyCode", qint64(107)},
    {"saveHistory", false},
    {"dictionaryIDs", QVariantList{"wn"}},
    {"legacySettingsMigrated", true},
};

QVariantMap with(QVariantMap map, const QVariantMap& more) {
    map.insert(more);
    return map;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsMigrationAtStart,
    testing::Values(MigrationCase{"fresh", legacy, {}, copied},
                    MigrationCase{"onlyToolkitKeys", legacy,
                                  R"({"NSNavLastRootDirectory": "~", "AppleLanguages": ["en"],
                          "SULastCheckTime": 5})",
                                  with(copied, {{"NSNavLastRootDirectory", "~"},
                                                {"AppleLanguages", QVariantList{"en"}},
                                                {"SULastCheckTime", qint64(5)}})},
                    MigrationCase{"ownSettings",
                                  legacy,
                                  R"({"myLanguage": "de"})",
                                  {{"myLanguage", "de"}, {"legacySettingsMigrated", true}}},
                    MigrationCase{"alreadyMigrated",
                                  legacy,
                                  R"({"legacySettingsMigrated": false})",
                                  {{"legacySettingsMigrated", false}}},
                    MigrationCase{"noLegacy", {}, {}, {{"legacySettingsMigrated", true}}},
                    MigrationCase{
                        "corruptLegacy", "{broken", {}, {{"legacySettingsMigrated", true}}}));

struct InterfaceCase {
    const char* stored; // JSON value of "interfaceLanguage"; nullptr for absent
    std::optional<QStringList> expected;
};

void PrintTo(const InterfaceCase& c, std::ostream* out) {
    *out << (c.stored ? c.stored : "(absent)");
}

class SettingsInterfaceLanguage : public SettingsStartupTest,
                                  public testing::WithParamInterface<InterfaceCase> {};

TEST_P(SettingsInterfaceLanguage, SetsOrRemovesTheOverride) {
    const InterfaceCase& c = GetParam();
    QByteArray json = R"({"AppleLanguages": ["de"])";
    if (c.stored)
        json += QByteArray(R"(, "interfaceLanguage": )") + c.stored;
    write(domain, json + "}");

    DefaultsStore store(domain, dir.path());
    SettingsStartup::applyInterfaceLanguage(store);
    EXPECT_EQ(DefaultsStore(domain, dir.path()).stringList(QStringLiteral("AppleLanguages")),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsInterfaceLanguage,
                         testing::Values(InterfaceCase{R"("ru")", QStringList{"ru"}},
                                         InterfaceCase{R"("en")", QStringList{"en"}},
                                         InterfaceCase{R"("system")", std::nullopt},
                                         InterfaceCase{nullptr, std::nullopt},
                                         InterfaceCase{R"("de")", std::nullopt},
                                         InterfaceCase{R"("RU")", std::nullopt},
                                         InterfaceCase{R"(["ru"])", std::nullopt}));

TEST_F(SettingsStartupTest, OverrideChoosesTheInterfaceLocaleAndDefaultLocale) {
    int argc = 1;
    char name[] = "SettingsStartupTest";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);

    write(domain, R"({"interfaceLanguage": "ru"})");
    DefaultsStore store(domain, dir.path());
    EXPECT_EQ(SettingsStartup::interfaceLocale(store), QLocale::system());

    SettingsStartup::applyInterfaceLanguage(store);
    EXPECT_EQ(SettingsStartup::interfaceLocale(store).language(), QLocale::Russian);
    // No translation files yet: the interface stays in its own language.
    EXPECT_FALSE(SettingsStartup::installTranslator(application, store, dir.path()));
    EXPECT_EQ(QLocale().language(), QLocale::Russian);
    QLocale::setDefault(QLocale::system());
}

} // namespace
