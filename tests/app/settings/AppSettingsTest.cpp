#include "app/settings/AppSettings.h"

#include "core/HotKeyMods.h"
#include "tests/support/ProcessGroup.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString domain = QStringLiteral("com.korvane.verdolin");

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
    EXPECT_EQ(s.hotKey(), HotKeySpec::defaultSpec());
    EXPECT_EQ(s.updateFrequency(), UpdateFrequency::weekly);
    EXPECT_FALSE(s.showSupportNudge());
    s.repairLanguages({QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("es")});
    s.repairLanguages({});
    EXPECT_EQ(s.myLanguage(), "de");
    EXPECT_EQ(s.secondLanguage(), "en");
    EXPECT_FALSE(QFile::exists(path()));

    // Input sources complete the pair after the preferred languages.
    AppSettings& t =
        open({}, {QStringLiteral("ru-RU")}, {QStringLiteral("ru"), QStringLiteral("uk")});
    EXPECT_EQ(t.secondLanguage(), "uk");
}

TEST_F(AppSettingsTest, RepairWritesOnlyTheMemberThatChanged) {
    AppSettings& s = open(R"({"myLanguage": "xx", "secondLanguage": "en"})");
    Emissions mySpy(s, &AppSettings::myLanguageChanged);
    Emissions secondSpy(s, &AppSettings::secondLanguageChanged);
    s.repairLanguages({QStringLiteral("de"), QStringLiteral("en")});
    EXPECT_EQ(s.myLanguage(), "de");
    EXPECT_EQ(mySpy.count(), 1);
    EXPECT_EQ(secondSpy.count(), 0);
    EXPECT_EQ(onDisk(), QVariantMap({{"myLanguage", "de"}, {"secondLanguage", "en"}}));

    // Only the second member is missing now: the first stays off the disk untouched.
    AppSettings& t = open(R"({"secondLanguage": "xx"})");
    t.repairLanguages({QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("fr")});
    EXPECT_EQ(t.secondLanguage(), "en");
    EXPECT_EQ(onDisk(), QVariantMap({{"secondLanguage", "en"}}));
}

TEST_F(AppSettingsTest, EachPropertyReadsTheKeyOfItsNameAndRejectsOtherTypes) {
    const struct {
        const char* key;  // also the property's name
        const char* json; // stored value; nullptr for absent
        QVariant expected;
    } cases[] = {
        // Booleans that default to true take only a Boolean.
        {"showInDock", nullptr, true},
        {"showInDock", "false", false},
        {"keepOnTop", "[]", true},
        {"showDefinitions", "1", true},
        // Booleans that default to false go through the store's conversion.
        {"doubleCopy", "\"yes\"", true},
        {"doubleCopy", "\"x\"", false},
        {"setupDismissed", "2", true},
        // Strings; a number reads as its text, anything else as absent.
        {"myLanguage", "true", "de"},
        {"interfaceLanguage", "5", "5"},
        {"appearanceMode", "{}", "system"},
        {"dictionaryIDs", "[\"wn\", \"gcide\"]", QStringList({"wn", "gcide"})},
        {"dictionaryIDs", "[\"wn\", 3]", QStringList()},
        // Frequencies match their raw value exactly.
        {"updateFrequency", "\"never\"", QVariant::fromValue(UpdateFrequency::never)},
        {"updateFrequency", "\"Daily\"", QVariant::fromValue(UpdateFrequency::weekly)},
        {"updateFrequency", "7", QVariant::fromValue(UpdateFrequency::weekly)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " = " + (c.json ? c.json : "(absent)"));
        AppSettings& s =
            open(c.json ? QByteArray("{\"") + c.key + "\": " + c.json + "}" : QByteArray("{}"));
        EXPECT_EQ(s.property(c.key), c.expected);
    }
}

TEST_F(AppSettingsTest, TheHotKeyIsTakenWholeOrNotAtAll) {
    const HotKeySpec defaultKey = HotKeySpec::defaultSpec();
    const struct {
        const char* json;
        HotKeySpec expected;
    } cases[] = {
        {R"({"hotKeyLabel": "Ctrl+K", "hotKeyMods": 4096})", defaultKey},
        {R"({"hotKeyCode": 107})", HotKeySpec{107, 0, defaultKey.label}},
        {R"({"hotKeyCode": "107", "hotKeyMods": true, "hotKeyLabel": 5})", HotKeySpec{107, 1, "5"}},
        {R"({"hotKeyCode": 4294967295, "hotKeyMods": 6144, "hotKeyLabel": "x"})",
         HotKeySpec{4294967295u, 6144, "x"}},
        {R"({"hotKeyCode": 4294967296, "hotKeyLabel": "x"})", defaultKey},
        {R"({"hotKeyCode": 107, "hotKeyMods": -1, "hotKeyLabel": "x"})", defaultKey},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(open(c.json).hotKey(), c.expected);
    }
}

TEST_F(AppSettingsTest, AssignmentsNotifyOnChangeAndWriteAtOnceAsTheirType) {
    AppSettings& s = open();
    Emissions dock(s, &AppSettings::showInDockChanged);
    Emissions my(s, &AppSettings::myLanguageChanged);
    s.setShowInDock(false);
    s.setShowInDock(false);
    // Confirming the derived language stores it, although nothing visible changes.
    s.setMyLanguage(QStringLiteral("de"));
    const HotKeySpec spec{0x6b, HotKeyMods::control | HotKeyMods::shift, "Ctrl+Shift+K"};
    s.setHotKey(spec);
    s.setUpdateFrequency(UpdateFrequency::never);
    s.setDictionaryIDs({QStringLiteral("wn")});
    EXPECT_EQ(dock.count(), 1);
    EXPECT_EQ(my.count(), 0);

    const QVariantMap stored = onDisk();
    EXPECT_EQ(stored.value("showInDock").typeId(), QMetaType::Bool);
    EXPECT_EQ(stored.value("hotKeyCode").typeId(), QMetaType::LongLong);
    EXPECT_EQ(stored.value("hotKeyMods").toLongLong(), 0x1200);
    EXPECT_EQ(stored.value("updateFrequency"), QVariant("never"));

    // Read back by a new object, every value comes out as it went in.
    AppSettings& again = open({}, {QStringLiteral("fr")});
    EXPECT_FALSE(again.showInDock());
    EXPECT_EQ(again.myLanguage(), "de");
    EXPECT_EQ(again.hotKey(), spec);
    EXPECT_EQ(again.dictionaryIDs(), QStringList({"wn"}));
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
    AppSettings& s = open(R"({"successfulTranslations": 99})");
    Emissions nudge(s, &AppSettings::showSupportNudgeChanged);
    EXPECT_FALSE(s.showSupportNudge());
    s.recordSuccessfulTranslation();
    EXPECT_TRUE(s.showSupportNudge());
    s.recordSuccessfulTranslation();
    EXPECT_EQ(onDisk().value("successfulTranslations").toLongLong(), 100);
    EXPECT_EQ(nudge.count(), 1);
    // Due across a restart until acted on.
    EXPECT_TRUE(open().showSupportNudge());

    // Out of range, it never passes one hundred.
    open(R"({"successfulTranslations": 5000})").recordSuccessfulTranslation();
    EXPECT_EQ(onDisk().value("successfulTranslations").toLongLong(), 100);
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

TEST_F(AppSettingsTest, ActedOnRequestStaysHiddenAndTheCounterUntouched) {
    AppSettings& s = open(R"({"successfulTranslations": 150, "supportNudgeDone": true})");
    EXPECT_FALSE(s.showSupportNudge());
    const QByteArray before = fileContents();
    s.recordSuccessfulTranslation();
    EXPECT_FALSE(s.showSupportNudge());
    EXPECT_EQ(fileContents(), before);

    // Assigning the request only notifies.
    Emissions nudge(s, &AppSettings::showSupportNudgeChanged);
    s.setShowSupportNudge(true);
    EXPECT_EQ(nudge.count(), 1);
    EXPECT_EQ(fileContents(), before);
}

} // namespace
