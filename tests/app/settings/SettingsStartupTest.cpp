#include "app/settings/SettingsStartup.h"

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

TEST_F(SettingsStartupTest, MigrationCopiesOnceAndMarksTheStore) {
    // Which keys are worth copying is the migration rules' own choice.
    const QByteArray legacy = R"({"myLanguage": "ru", "NSWindow Frame": "x"})";
    const QVariantMap copied{{"myLanguage", "ru"}, {"legacySettingsMigrated", true}};
    const QVariantMap marked{{"legacySettingsMigrated", true}};
    // An empty file content stands for no file.
    // clang-format off
    const struct { const char* name; QByteArray legacy, current; QVariantMap expected; } cases[] = {
        {"fresh", legacy, {}, copied},
        {"alreadyMigrated", legacy, R"({"legacySettingsMigrated": false})", {{"legacySettingsMigrated", false}}},
        {"noLegacy", {}, {}, marked},
        {"corruptLegacy", "{broken", {}, marked},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(dir.filePath(domain + QStringLiteral(".json")));
        QFile::remove(dir.filePath(QString(DefaultsStore::legacyDomain) + ".json"));
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
}

TEST_F(SettingsStartupTest, TheInterfaceLanguageSetsOrRemovesTheOverride) {
    const struct {
        const char* stored; // JSON value of "interfaceLanguage"; nullptr for absent
        std::optional<QStringList> expected;
    } cases[] = {
        {R"("ru")", QStringList{"ru"}}, {R"("en")", QStringList{"en"}},
        {R"("system")", std::nullopt},  {nullptr, std::nullopt},
        {R"(["ru"])", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(absent)");
        QByteArray json = R"({"AppleLanguages": ["de"])";
        if (c.stored)
            json += QByteArray(R"(, "interfaceLanguage": )") + c.stored;
        write(domain, json + "}");
        DefaultsStore store(domain, dir.path());
        SettingsStartup::applyInterfaceLanguage(store);
        EXPECT_EQ(DefaultsStore(domain, dir.path()).stringList(QStringLiteral("AppleLanguages")),
                  c.expected);
    }
}

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
