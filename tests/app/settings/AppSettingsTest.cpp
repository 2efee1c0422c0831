#include "app/settings/AppSettings.h"

#include "app/settings/SettingsStartup.h"
#include "core/HotKeyMods.h"
#include "tests/support/ProcessGroup.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString domain = QStringLiteral("com.korvane.verdolin");

class AppSettingsTest : public testing::Test {
protected:
    QString path() const { return dir.filePath(domain + ".json"); }

    void write(const QString& name, const QByteArray& json) const {
        QFile out(dir.filePath(name + ".json"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(json);
    }

    // Writes `json` as the stored domain (nothing when empty) and opens the settings on it.
    AppSettings& open(const QByteArray& json = {},
                      const QStringList& preferred = {"de-DE", "en-US"},
                      const QStringList& inputSources = {}) {
        if (!json.isEmpty())
            write(domain, json);
        settings.reset();
        store = std::make_unique<DefaultsStore>(domain, dir.path());
        settings = std::make_unique<AppSettings>(*store, preferred, inputSources);
        return *settings;
    }

    QVariantMap onDisk() const { return DefaultsStore(domain, dir.path()).dictionary(); }

    QTemporaryDir dir;
    std::unique_ptr<DefaultsStore> store;
    std::unique_ptr<AppSettings> settings;
};

TEST_F(AppSettingsTest, DerivedLanguagesAreNotWrittenAndRepairWritesOnlyTheChangedMember) {
    AppSettings& s = open();
    EXPECT_EQ(s.languageDefaults(), (LanguagePrefs{"de", "en"}));
    s.repairLanguages({"de", "en", "es"});
    EXPECT_FALSE(QFile::exists(path()));
    // Input sources complete the pair after the preferred languages.
    EXPECT_EQ(open({}, {"ru-RU"}, {"ru", "uk"}).secondLanguage(), "uk");

    AppSettings& t = open(R"({"myLanguage": "xx", "secondLanguage": "en"})");
    int my = 0, second = 0;
    QObject::connect(&t, &AppSettings::myLanguageChanged, [&] { ++my; });
    QObject::connect(&t, &AppSettings::secondLanguageChanged, [&] { ++second; });
    t.repairLanguages({"de", "en"});
    EXPECT_EQ(std::make_pair(my, second), std::make_pair(1, 0));
    EXPECT_EQ(onDisk(), QVariantMap({{"myLanguage", "de"}, {"secondLanguage", "en"}}));
}

TEST_F(AppSettingsTest, ThePickersNeverHoldTheSameLanguage) {
    // Stored pair: de (mine), en (second).
    const struct {
        const char* name;
        bool pickMine;
        QString code, my, second;
    } cases[] = {
        {"my language takes the second's: swapped", true, "en", "en", "de"},
        {"the second takes mine: swapped", false, "de", "en", "de"},
        {"another language for mine", true, "fr", "fr", "en"},
        {"another second language", false, "fr", "de", "fr"},
        {"the same choice again", true, "de", "de", "en"},
        {"nothing chosen", false, "", "de", "en"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppSettings& s = open(R"({"myLanguage": "de", "secondLanguage": "en"})");
        if (c.pickMine)
            s.chooseMyLanguage(c.code);
        else
            s.chooseSecondLanguage(c.code);
        EXPECT_EQ(std::make_pair(s.myLanguage(), s.secondLanguage()),
                  std::make_pair(c.my, c.second));
        EXPECT_EQ(onDisk(), QVariantMap({{"myLanguage", c.my}, {"secondLanguage", c.second}}));
    }
}

TEST_F(AppSettingsTest, EachPropertyReadsTheKeyOfItsNameAndRejectsOtherTypes) {
    // clang-format off
    const struct { const char* key; const char* json; QVariant expected; } cases[] = {
        {"showInDock", "false", false},
        {"keepOnTop", "[]", true}, // booleans that default to true take only a Boolean
        {"doubleCopy", "\"yes\"", true}, // those that default to false convert
        {"myLanguage", "true", "de"}, // a number reads as its text, anything else as absent
        {"interfaceLanguage", "5", "5"},
        {"appearanceMode", "{}", "system"},
        {"dictionaryIDs", "[\"wn\", \"gcide\"]", QStringList({"wn", "gcide"})},
        {"dictionaryIDs", "[\"wn\", 3]", QStringList()},
        {"updateFrequency", "\"never\"", QVariant::fromValue(UpdateFrequency::never)},
        {"updateFrequency", "7", QVariant::fromValue(UpdateFrequency::weekly)},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " = " + c.json);
        EXPECT_EQ(open(QByteArray("{\"") + c.key + "\": " + c.json + "}").property(c.key),
                  c.expected);
    }
}

TEST_F(AppSettingsTest, TheHotKeyIsTakenWholeOrNotAtAll) {
    const HotKeySpec defaultKey = HotKeySpec::defaultSpec();
    // clang-format off
    const struct { const char* json; HotKeySpec expected; } cases[] = {
        {R"({"hotKeyLabel": "Ctrl+K", "hotKeyMods": 4096})", defaultKey},
        {R"({"hotKeyCode": 107})", HotKeySpec{107, 0, defaultKey.label}},
        {R"({"hotKeyCode": "107", "hotKeyMods": true, "hotKeyLabel": 5})", HotKeySpec{107, 1, "5"}},
        {R"({"hotKeyCode": 4294967295, "hotKeyMods": 6144, "hotKeyLabel": "x"})",
         HotKeySpec{4294967295u, 6144, "x"}},
        {R"({"hotKeyCode": 4294967296, "hotKeyLabel": "x"})", defaultKey},
        {R"({"hotKeyCode": 107, "hotKeyMods": -1, "hotKeyLabel": "x"})", defaultKey},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(open(c.json).hotKey(), c.expected);
    }
}

TEST_F(AppSettingsTest, AssignmentsNotifyOnChangeAndWriteAtOnceAsTheirType) {
    AppSettings& s = open();
    int dock = 0, my = 0, frequency = 0, ids = 0;
    QObject::connect(&s, &AppSettings::showInDockChanged, [&] { ++dock; });
    QObject::connect(&s, &AppSettings::myLanguageChanged, [&] { ++my; });
    QObject::connect(&s, &AppSettings::updateFrequencyChanged, [&] { ++frequency; });
    QObject::connect(&s, &AppSettings::dictionaryIDsChanged, [&] { ++ids; });
    for (int i = 0; i < 2; ++i) {
        s.setShowInDock(false);
        s.setUpdateFrequency(UpdateFrequency::never);
        s.setDictionaryIDs({"wn"});
    }
    // Confirming the derived language stores it, although nothing visible changes.
    s.setMyLanguage("de");
    const HotKeySpec spec{0x6b, HotKeyMods::control | HotKeyMods::shift, "Ctrl+Shift+K"};
    s.setHotKey(spec);
    EXPECT_EQ(std::make_tuple(dock, my, frequency, ids), std::make_tuple(1, 0, 1, 1));
    const QVariantMap stored = onDisk();
    EXPECT_EQ(stored.value("showInDock").typeId(), QMetaType::Bool);
    EXPECT_EQ(stored.value("hotKeyCode").typeId(), QMetaType::LongLong);
    EXPECT_EQ(stored.value("hotKeyMods").toLongLong(), 0x1200);
    EXPECT_EQ(stored.value("updateFrequency"), QVariant("never"));
    EXPECT_EQ(open().hotKey(), spec);
}

TEST_F(AppSettingsTest, TheCounterStopsAtOneHundredAndAnActedOnRequestStaysHidden) {
    AppSettings& s = open(R"({"successfulTranslations": 99})");
    int nudges = 0;
    QObject::connect(&s, &AppSettings::showSupportNudgeChanged, [&] { ++nudges; });
    s.recordSuccessfulTranslation();
    s.recordSuccessfulTranslation();
    EXPECT_EQ(onDisk().value("successfulTranslations").toLongLong(), 100);
    EXPECT_EQ(nudges, 1);
    EXPECT_TRUE(open().showSupportNudge()); // due across a restart until acted on
    open(R"({"successfulTranslations": 5000})").recordSuccessfulTranslation();
    EXPECT_EQ(onDisk().value("successfulTranslations").toLongLong(), 100);

    AppSettings& done = open(R"({"successfulTranslations": 150, "supportNudgeDone": true})");
    done.recordSuccessfulTranslation();
    EXPECT_FALSE(done.showSupportNudge());
    EXPECT_EQ(onDisk().value("successfulTranslations").toLongLong(), 150);
}

TEST_F(AppSettingsTest, ConcurrentProcessesCountEveryTranslationAndKeepEveryKey) {
    AppSettings& s = open();
    ProcessGroup counters;
    for (int i = 0; i < 20; ++i) {
        counters.start(SETTINGS_COUNT_ONE_PATH, {dir.path(), QString("key %1").arg(i)});
        if (i % 4 == 0)
            s.recordSuccessfulTranslation();
    }
    ASSERT_TRUE(counters.allSucceeded());
    const QVariantMap values = onDisk();
    EXPECT_EQ(values.value("successfulTranslations").toLongLong(), 25);
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(values.contains(QString("key %1").arg(i)));
}

using SettingsStartupTest = AppSettingsTest;

TEST_F(SettingsStartupTest, MigrationCopiesOnceAndMarksTheStore) {
    // Which keys are worth copying is the migration rules' own choice.
    const QByteArray legacy = R"({"myLanguage": "ru", "NSWindow Frame": "x"})";
    const QVariantMap copied{{"myLanguage", "ru"}, {"legacySettingsMigrated", true}};
    const QVariantMap marked{{"legacySettingsMigrated", true}};
    // An empty file content stands for no file.
    // clang-format off
    const struct { const char* name; QByteArray legacy, current; QVariantMap expected; } cases[] = {
        {"fresh", legacy, {}, copied},
        {"alreadyMigrated", legacy, R"({"legacySettingsMigrated": false})",
         {{"legacySettingsMigrated", false}}},
        {"noLegacy", {}, {}, marked},
        {"corruptLegacy", "{broken", {}, marked},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path());
        QFile::remove(dir.filePath(QString(DefaultsStore::legacyDomain) + ".json"));
        if (!c.legacy.isEmpty())
            write(QString(DefaultsStore::legacyDomain), c.legacy);
        if (!c.current.isEmpty())
            write(domain, c.current);
        DefaultsStore store(domain, dir.path());
        SettingsStartup::migrateLegacySettings(store);
        EXPECT_EQ(onDisk(), c.expected);

        // A second start copies nothing, even when the old domain has changed since.
        write(QString(DefaultsStore::legacyDomain), R"({"keepOnTop": false})");
        DefaultsStore restarted(domain, dir.path());
        SettingsStartup::migrateLegacySettings(restarted);
        EXPECT_EQ(onDisk(), c.expected);
    }
}

TEST_F(SettingsStartupTest, TheInterfaceLanguageSetsOrRemovesTheOverride) {
    // The stored JSON value of "interfaceLanguage", none for absent.
    const struct {
        const char* stored;
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
        EXPECT_EQ(DefaultsStore(domain, dir.path()).stringList("AppleLanguages"), c.expected);
    }
}

} // namespace
