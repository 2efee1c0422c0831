#include "app/AppSettings.h"

#include "core/HotKeyMods.h"
#include "tests/support/ProcessGroup.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString domain = QStringLiteral("com.korvane.verdolin");

QSet<QString> codes(std::initializer_list<const char*> items) {
    QSet<QString> set;
    for (const char* item : items)
        set.insert(QString::fromUtf8(item));
    return set;
}

// Counts the emissions of one signal.
class Emissions {
public:
    template <typename Signal>
    Emissions(AppSettings& settings, Signal signal) {
        QObject::connect(&settings, signal, &m_context, [this] { ++m_count; });
    }
    int count() const { return m_count; }

private:
    QObject m_context;
    int m_count = 0;
};

class AppSettingsTest : public testing::Test {
protected:
    QString path() const { return dir.filePath(domain + QStringLiteral(".json")); }

    // Writes `json` as the stored domain (nothing when empty) and opens the settings on it.
    AppSettings& open(const QByteArray& json = {},
                      const QStringList& preferred = {QStringLiteral("de-DE"),
                                                      QStringLiteral("en-US")},
                      const QStringList& inputSources = {}) {
        if (!json.isEmpty()) {
            QFile out(path());
            EXPECT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(json);
        }
        settings.reset();
        store = std::make_unique<DefaultsStore>(domain, dir.path());
        settings = std::make_unique<AppSettings>(*store, preferred, inputSources);
        return *settings;
    }

    // What is on disk now, read by a store of its own.
    QVariantMap onDisk() const { return DefaultsStore(domain, dir.path()).dictionary(); }

    QByteArray fileContents() const {
        QFile in(path());
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    std::unique_ptr<DefaultsStore> store;
    std::unique_ptr<AppSettings> settings;
};

TEST_F(AppSettingsTest, FreshUserGetsDefaultsAndNothingIsWritten) {
    AppSettings& s = open();
    EXPECT_EQ(s.languageDefaults(), (LanguagePrefs{"de", "en"}));
    EXPECT_EQ(s.myLanguage(), "de");
    EXPECT_EQ(s.secondLanguage(), "en");
    EXPECT_EQ(s.hotKey(), HotKeySpec::defaultSpec());
    EXPECT_FALSE(s.doubleCopy());
    EXPECT_TRUE(s.showInDock());
    EXPECT_TRUE(s.showInMenuBar());
    EXPECT_TRUE(s.keepOnTop());
    EXPECT_TRUE(s.saveHistory());
    EXPECT_TRUE(s.showDefinitions());
    EXPECT_FALSE(s.customDictionaries());
    EXPECT_TRUE(s.dictionaryIDs().isEmpty());
    EXPECT_FALSE(s.setupDismissed());
    EXPECT_FALSE(s.onboardingDone());
    EXPECT_EQ(s.interfaceLanguage(), "system");
    EXPECT_EQ(s.appearanceMode(), "system");
    EXPECT_EQ(s.updateFrequency(), UpdateFrequency::weekly);
    EXPECT_FALSE(s.autoInstallUpdates());
    EXPECT_FALSE(s.showSupportNudge());

    s.repairLanguages(codes({"de", "en", "es"}));
    s.repairLanguages({});
    EXPECT_EQ(s.myLanguage(), "de");
    EXPECT_EQ(s.secondLanguage(), "en");
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(AppSettingsTest, InputSourcesCompleteThePairAfterPreferredLanguages) {
    AppSettings& s =
        open({}, {QStringLiteral("ru-RU")}, {QStringLiteral("ru"), QStringLiteral("uk")});
    EXPECT_EQ(s.myLanguage(), "ru");
    EXPECT_EQ(s.secondLanguage(), "uk");
    EXPECT_EQ(&AppSettings::knownLanguageCodes(), &AppSettings::knownLanguageCodes());
    EXPECT_EQ(AppSettings::knownLanguageCodes().size(), 22);
}

TEST_F(AppSettingsTest, RepairWritesOnlyTheMemberThatChanged) {
    AppSettings& s = open(R"({"myLanguage": "xx", "secondLanguage": "en"})");
    Emissions mySpy(s, &AppSettings::myLanguageChanged);
    Emissions secondSpy(s, &AppSettings::secondLanguageChanged);

    s.repairLanguages(codes({"de", "en"}));
    EXPECT_EQ(s.myLanguage(), "de");
    EXPECT_EQ(s.secondLanguage(), "en");
    EXPECT_EQ(mySpy.count(), 1);
    EXPECT_EQ(secondSpy.count(), 0);
    EXPECT_EQ(onDisk(), QVariantMap({{"myLanguage", "de"}, {"secondLanguage", "en"}}));

    // Only the second member is missing now: the first stays off the disk untouched.
    AppSettings& t = open(R"({"secondLanguage": "xx"})");
    t.repairLanguages(codes({"de", "en", "fr"}));
    EXPECT_EQ(t.secondLanguage(), "en");
    EXPECT_EQ(onDisk(), QVariantMap({{"secondLanguage", "en"}}));
}

struct StoredCase {
    const char* key;  // also the property's name
    const char* json; // stored value; nullptr for absent
    QVariant expected;
};

void PrintTo(const StoredCase& c, std::ostream* out) {
    *out << c.key << " = " << (c.json ? c.json : "(absent)");
}

class AppSettingsStored : public AppSettingsTest, public testing::WithParamInterface<StoredCase> {};

TEST_P(AppSettingsStored, ReadsTheKeyOfTheSameName) {
    const StoredCase& c = GetParam();
    AppSettings& s =
        open(c.json ? QByteArray("{\"") + c.key + "\": " + c.json + "}" : QByteArray("{}"));
    EXPECT_EQ(s.property(c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AppSettingsStored,
    testing::Values(
        // Booleans that default to true take only a Boolean.
        StoredCase{"showInDock", "\"false\"", true}, StoredCase{"showInDock", "false", false},
        StoredCase{"showInDock", "0", true}, StoredCase{"showInMenuBar", "false", false},
        StoredCase{"showInMenuBar", "\"no\"", true}, StoredCase{"keepOnTop", "false", false},
        StoredCase{"keepOnTop", "[]", true}, StoredCase{"saveHistory", "false", false},
        StoredCase{"saveHistory", "null", true}, StoredCase{"showDefinitions", "false", false},
        StoredCase{"showDefinitions", "1", true},
        // Booleans that default to false go through the store's conversion.
        StoredCase{"doubleCopy", "true", true}, StoredCase{"doubleCopy", "\"yes\"", true},
        StoredCase{"doubleCopy", "1", true}, StoredCase{"doubleCopy", "\"x\"", false},
        StoredCase{"customDictionaries", "true", true}, StoredCase{"setupDismissed", "2", true},
        StoredCase{"onboardingDone", "true", true}, StoredCase{"autoInstallUpdates", "true", true},
        // Strings; a number reads as its text, anything else as absent.
        StoredCase{"myLanguage", "\"fr\"", "fr"}, StoredCase{"myLanguage", "true", "de"},
        StoredCase{"secondLanguage", "\"ja\"", "ja"},
        StoredCase{"interfaceLanguage", "\"ru\"", "ru"}, StoredCase{"interfaceLanguage", "5", "5"},
        StoredCase{"appearanceMode", "\"dark\"", "dark"},
        StoredCase{"appearanceMode", "{}", "system"},
        StoredCase{"dictionaryIDs", "[\"wn\", \"gcide\"]", QStringList({"wn", "gcide"})},
        StoredCase{"dictionaryIDs", "[\"wn\", 3]", QStringList()},
        StoredCase{"dictionaryIDs", "\"wn\"", QStringList()},
        // Frequencies match their raw value exactly.
        StoredCase{"updateFrequency", "\"monthly\"", QVariant::fromValue(UpdateFrequency::monthly)},
        StoredCase{"updateFrequency", "\"never\"", QVariant::fromValue(UpdateFrequency::never)},
        StoredCase{"updateFrequency", "\"Daily\"", QVariant::fromValue(UpdateFrequency::weekly)},
        StoredCase{"updateFrequency", "7", QVariant::fromValue(UpdateFrequency::weekly)}));

struct HotKeyCase {
    const char* json;
    HotKeySpec expected;
};

void PrintTo(const HotKeyCase& c, std::ostream* out) {
    *out << c.json;
}

class AppSettingsHotKey : public AppSettingsTest, public testing::WithParamInterface<HotKeyCase> {};

TEST_P(AppSettingsHotKey, IsTakenWholeOrNotAtAll) {
    EXPECT_EQ(open(GetParam().json).hotKey(), GetParam().expected);
}

const HotKeySpec defaultKey = HotKeySpec::defaultSpec();

INSTANTIATE_TEST_SUITE_P(
    Stored, AppSettingsHotKey,
    testing::Values(
        HotKeyCase{R"({"hotKeyLabel": "Ctrl+K", "hotKeyMods": 4096})", defaultKey},
        HotKeyCase{R"({"hotKeyCode": 107, "hotKeyMods": 4096, "hotKeyLabel": "Ctrl+K"})",
                   HotKeySpec{107, HotKeyMods::control, "Ctrl+K"}},
        HotKeyCase{R"({"hotKeyCode": 107})", HotKeySpec{107, 0, defaultKey.label}},
        HotKeyCase{R"({"hotKeyCode": "107", "hotKeyMods": true, "hotKeyLabel": 5})",
                   HotKeySpec{107, 1, "5"}},
        HotKeyCase{R"({"hotKeyCode": 4294967295, "hotKeyMods": 6144, "hotKeyLabel": "x"})",
                   HotKeySpec{4294967295u, 6144, "x"}},
        HotKeyCase{R"({"hotKeyCode": 4294967296, "hotKeyLabel": "x"})", defaultKey},
        HotKeyCase{R"({"hotKeyCode": 107, "hotKeyMods": -1, "hotKeyLabel": "x"})", defaultKey}));

TEST_F(AppSettingsTest, AssignmentsNotifyOnChangeAndWriteAtOnceAsTheirType) {
    AppSettings& s = open();
    Emissions dock(s, &AppSettings::showInDockChanged);
    Emissions hotKey(s, &AppSettings::hotKeyChanged);
    Emissions my(s, &AppSettings::myLanguageChanged);

    s.setShowInDock(false);
    s.setShowInDock(false);
    // Confirming the derived language stores it, although nothing visible changes.
    s.setMyLanguage(QStringLiteral("de"));
    const HotKeySpec spec{0x6b, HotKeyMods::control | HotKeyMods::shift, "Ctrl+Shift+K"};
    s.setHotKey(spec);
    s.setUpdateFrequency(UpdateFrequency::never);
    s.setDictionaryIDs({QStringLiteral("wn")});
    s.setInterfaceLanguage(QStringLiteral("ru"));
    EXPECT_EQ(dock.count(), 1);
    EXPECT_EQ(hotKey.count(), 1);
    EXPECT_EQ(my.count(), 0);

    const QVariantMap stored = onDisk();
    EXPECT_EQ(stored.value("showInDock").typeId(), QMetaType::Bool);
    EXPECT_EQ(stored.value("myLanguage"), QVariant("de"));
    EXPECT_EQ(stored.value("hotKeyCode").typeId(), QMetaType::LongLong);
    EXPECT_EQ(stored.value("hotKeyCode").toLongLong(), 0x6b);
    EXPECT_EQ(stored.value("hotKeyMods").toLongLong(), 0x1200);
    EXPECT_EQ(stored.value("hotKeyLabel"), QVariant("Ctrl+Shift+K"));
    EXPECT_EQ(stored.value("updateFrequency"), QVariant("never"));
    EXPECT_EQ(stored.value("dictionaryIDs").toStringList(), QStringList({"wn"}));

    // Read back by a new object, every value comes out as it went in.
    AppSettings& again = open({}, {QStringLiteral("fr")});
    EXPECT_FALSE(again.showInDock());
    EXPECT_EQ(again.myLanguage(), "de");
    EXPECT_EQ(again.secondLanguage(), "en");
    EXPECT_EQ(again.hotKey(), spec);
    EXPECT_EQ(again.updateFrequency(), UpdateFrequency::never);
    EXPECT_EQ(again.dictionaryIDs(), QStringList({"wn"}));
    EXPECT_EQ(again.interfaceLanguage(), "ru");
}

TEST_F(AppSettingsTest, SaveHotKeyWritesTheCurrentShortcut) {
    AppSettings& s = open(R"({"hotKeyCode": 107, "hotKeyMods": 4096, "hotKeyLabel": "Ctrl+K"})");
    QFile::remove(path());
    s.saveHotKey();
    EXPECT_EQ(onDisk(), QVariantMap({{"hotKeyCode", qint64(107)},
                                     {"hotKeyMods", qint64(4096)},
                                     {"hotKeyLabel", "Ctrl+K"}}));
}

TEST_F(AppSettingsTest, CounterReachesOneHundredAndStops) {
    AppSettings& s = open(R"({"successfulTranslations": 98})");
    Emissions nudge(s, &AppSettings::showSupportNudgeChanged);

    s.recordSuccessfulTranslation();
    EXPECT_EQ(onDisk().value("successfulTranslations").toLongLong(), 99);
    EXPECT_FALSE(s.showSupportNudge());
    s.recordSuccessfulTranslation();
    EXPECT_EQ(onDisk().value("successfulTranslations").toLongLong(), 100);
    EXPECT_TRUE(s.showSupportNudge());
    s.recordSuccessfulTranslation();
    s.recordSuccessfulTranslation();
    EXPECT_EQ(onDisk().value("successfulTranslations").toLongLong(), 100);
    EXPECT_TRUE(s.showSupportNudge());
    EXPECT_EQ(nudge.count(), 1);

    // Due across a restart until acted on.
    EXPECT_TRUE(open().showSupportNudge());
}

TEST_F(AppSettingsTest, ConcurrentProcessesCountEveryTranslationAndKeepEveryKey) {
    AppSettings& s = open();
    ProcessGroup counters;
    for (int i = 0; i < 20; ++i) {
        counters.start(QStringLiteral(SETTINGS_COUNT_ONE_PATH),
                       {dir.path(), QStringLiteral("key %1").arg(i)});
        if (i % 4 == 0)
            s.recordSuccessfulTranslation();
    }
    ASSERT_TRUE(counters.allSucceeded());
    const QVariantMap values = onDisk();
    EXPECT_EQ(values.value("successfulTranslations").toLongLong(), 25);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(values.value(QStringLiteral("key %1").arg(i)), QVariant(true)) << i;
}

TEST_F(AppSettingsTest, CounterOutOfRangeNeverPassesOneHundred) {
    AppSettings& s = open(R"({"successfulTranslations": 5000})");
    EXPECT_TRUE(s.showSupportNudge());
    s.recordSuccessfulTranslation();
    EXPECT_EQ(onDisk().value("successfulTranslations").toLongLong(), 100);
}

TEST_F(AppSettingsTest, ActedOnRequestStaysHiddenAndTheCounterUntouched) {
    const QByteArray json = R"({"successfulTranslations": 150, "supportNudgeDone": true})";
    AppSettings& s = open(json);
    EXPECT_FALSE(s.showSupportNudge());
    const QByteArray before = fileContents();
    s.recordSuccessfulTranslation();
    EXPECT_FALSE(s.showSupportNudge());
    EXPECT_EQ(fileContents(), before);
}

TEST_F(AppSettingsTest, AssigningTheSupportRequestOnlyNotifies) {
    AppSettings& s = open();
    Emissions nudge(s, &AppSettings::showSupportNudgeChanged);
    s.setShowSupportNudge(true);
    EXPECT_TRUE(s.showSupportNudge());
    EXPECT_EQ(nudge.count(), 1);
    EXPECT_FALSE(QFile::exists(path()));
}

} // namespace
