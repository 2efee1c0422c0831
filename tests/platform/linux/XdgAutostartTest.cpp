#include "platform/linux/XdgAutostart.h"

#include "app/LoginItem.h"
#include "platform/linux/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Status = LoginRegistration::Status;

class XdgAutostartTest : public testing::Test {
protected:
    QString folder() const { return dir.path() + QStringLiteral("/config/autostart"); }
    QString entryPath() const { return folder() + u'/' + XdgAutostart::fileName; }

    void writeEntry(const QByteArray& contents) const {
        ASSERT_TRUE(QDir().mkpath(folder()));
        QFile out(entryPath());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(contents);
    }

    QByteArray readEntry() const {
        QFile in(entryPath());
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    // The Exec line of the written entry.
    QByteArray execLine() const {
        for (const QByteArray& line : readEntry().split('\n')) {
            if (line.startsWith("Exec="))
                return line;
        }
        return {};
    }

    QTemporaryDir dir;
};

TEST_F(XdgAutostartTest, WritesACompleteEntryWithAQuotedPath) {
    XdgAutostart autostart(folder(), QStringLiteral("/opt/My Apps/verdolin"));
    ASSERT_EQ(autostart.registerApp(), std::nullopt);
    EXPECT_EQ(autostart.filePath(), entryPath());
    EXPECT_EQ(readEntry(), QByteArray("[Desktop Entry]\n"
                                      "Type=Application\n"
                                      "Name=Verdolin\n"
                                      "Comment=Translate selected text offline\n"
                                      "Exec=\"/opt/My Apps/verdolin\" --login\n"
                                      "Icon=com.korvane.Verdolin\n"
                                      "Terminal=false\n"
                                      "NoDisplay=false\n"
                                      "X-GNOME-Autostart-enabled=true\n"));
    EXPECT_EQ(autostart.status(), Status::enabled);
}

struct Quoting {
    const char* name;
    QString path;
    QByteArray exec;
};

void PrintTo(const Quoting& quoting, std::ostream* out) {
    *out << quoting.name;
}

class ExecQuotingTest : public XdgAutostartTest, public testing::WithParamInterface<Quoting> {};

// The Exec line as written, and read back: quoting first, then the string escapes on top.
TEST_P(ExecQuotingTest, WritesAndReadsBack) {
    const Quoting& quoting = GetParam();
    XdgAutostart autostart(folder(), quoting.path);
    ASSERT_EQ(autostart.registerApp(), std::nullopt);
    EXPECT_EQ(execLine(), quoting.exec);
    EXPECT_EQ(autostart.status(), Status::enabled);
    const QHash<QString, QString> keys = DesktopEntry::mainGroup(readEntry());
    EXPECT_EQ(DesktopEntry::execArguments(keys.value(QStringLiteral("Exec"))),
              QStringList({quoting.path, LoginItem::launchFlag}));
}

INSTANTIATE_TEST_SUITE_P(
    XdgAutostart, ExecQuotingTest,
    testing::Values(
        Quoting{"Plain", QStringLiteral("/usr/bin/verdolin"), "Exec=/usr/bin/verdolin --login"},
        Quoting{"Space", QStringLiteral("/opt/a b/verdolin"), "Exec=\"/opt/a b/verdolin\" --login"},
        Quoting{"DoubleQuote", QStringLiteral("/opt/a\"b/verdolin"),
                "Exec=\"/opt/a\\\\\"b/verdolin\" --login"},
        Quoting{"Backslash", QStringLiteral("/opt/a\\b/verdolin"),
                "Exec=\"/opt/a\\\\\\\\b/verdolin\" --login"},
        Quoting{"Dollar", QStringLiteral("/opt/$HOME/verdolin"),
                "Exec=\"/opt/\\\\$HOME/verdolin\" --login"},
        Quoting{"Percent", QStringLiteral("/opt/100%/verdolin"),
                "Exec=/opt/100%%/verdolin --login"},
        Quoting{"PercentAndSpace", QStringLiteral("/opt/100 %U/verdolin"),
                "Exec=\"/opt/100 %%U/verdolin\" --login"},
        Quoting{"Newline", QStringLiteral("/opt/a\nb/verdolin"),
                "Exec=\"/opt/a\\nb/verdolin\" --login"}),
    [](const testing::TestParamInfo<Quoting>& info) { return std::string(info.param.name); });

TEST_F(XdgAutostartTest, PathWithAControlCharacterIsRefused) {
    const QString path = QStringLiteral("/opt/a\x01z/verdolin");
    EXPECT_EQ(XdgAutostart::entryFor(path), std::nullopt);
    const std::optional<QString> error = XdgAutostart(folder(), path).registerApp();
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->isEmpty());
    EXPECT_FALSE(QFile::exists(entryPath()));
}

TEST_F(XdgAutostartTest, UnknownOrRelativeExecutableIsRefused) {
    EXPECT_TRUE(XdgAutostart(folder(), QString()).registerApp());
    EXPECT_TRUE(XdgAutostart(folder(), QStringLiteral("bin/verdolin")).registerApp());
    EXPECT_FALSE(QFile::exists(entryPath()));
}

struct Existing {
    const char* name;
    QByteArray contents;
    Status status;
};

void PrintTo(const Existing& existing, std::ostream* out) {
    *out << existing.name;
}

class ExistingEntryTest : public XdgAutostartTest, public testing::WithParamInterface<Existing> {};

TEST_P(ExistingEntryTest, Status) {
    writeEntry(GetParam().contents);
    EXPECT_EQ(XdgAutostart(folder(), QStringLiteral("/usr/bin/verdolin")).status(),
              GetParam().status);
}

const QByteArray ours = "[Desktop Entry]\nType=Application\nExec=/usr/bin/verdolin --login\n";

INSTANTIATE_TEST_SUITE_P(
    XdgAutostart, ExistingEntryTest,
    testing::Values(
        Existing{"Ours", ours, Status::enabled},
        Existing{"Hidden", ours + "Hidden=true\n", Status::notRegistered},
        Existing{"HiddenCapitalised", ours + "Hidden=True\n", Status::notRegistered},
        Existing{"GnomeDisabled", ours + "X-GNOME-Autostart-enabled=false\n",
                 Status::notRegistered},
        Existing{"SwitchedOffThenOnAgain",
                 ours + "X-GNOME-Autostart-enabled=false\nX-GNOME-Autostart-enabled=true\n",
                 Status::enabled},
        Existing{"HiddenInAnotherGroup", ours + "[Desktop Action x]\nHidden=true\n",
                 Status::enabled},
        Existing{"OtherProgram", "[Desktop Entry]\nExec=/usr/bin/other --login\n",
                 Status::notRegistered},
        Existing{"VerdolinLookalike", "[Desktop Entry]\nExec=/usr/bin/verdolin-helper --login\n",
                 Status::notRegistered},
        Existing{"WithoutTheFlag", "[Desktop Entry]\nExec=verdolin %U\n", Status::notRegistered},
        Existing{"FlagGluedToAnotherArgument",
                 "[Desktop Entry]\nExec=/usr/bin/verdolin --login=1\n", Status::notRegistered},
        Existing{"ExecOutsideTheMainGroup", "[Other]\nExec=/usr/bin/verdolin --login\n",
                 Status::notRegistered},
        Existing{"UnclosedQuote", "[Desktop Entry]\nExec=\"/usr/bin/verdolin --login\n",
                 Status::notRegistered},
        Existing{"ByNameFromPath", "[Desktop Entry]\nExec=verdolin --login\n", Status::enabled},
        Existing{"OlderPlaceQuotedFlag",
                 "[Desktop Entry]\r\nExec = \"/opt/old place/verdolin\" \"--login\"\r\n",
                 Status::enabled}),
    [](const testing::TestParamInfo<Existing>& info) { return std::string(info.param.name); });

TEST_F(XdgAutostartTest, MissingEntryIsNotRegistered) {
    EXPECT_EQ(XdgAutostart(folder(), QStringLiteral("/usr/bin/verdolin")).status(),
              Status::notRegistered);
}

TEST_F(XdgAutostartTest, RegisteringReplacesAnEntryTheUserSwitchedOff) {
    writeEntry(ours + "Hidden=true\n");
    XdgAutostart autostart(folder(), QStringLiteral("/usr/bin/verdolin"));
    ASSERT_EQ(autostart.registerApp(), std::nullopt);
    EXPECT_EQ(autostart.status(), Status::enabled);
    EXPECT_EQ(readEntry(), XdgAutostart::entryFor(QStringLiteral("/usr/bin/verdolin")));
}

TEST_F(XdgAutostartTest, EnableThenDisableRemovesTheEntry) {
    XdgAutostart autostart(folder(), QStringLiteral("/usr/bin/verdolin"));
    ASSERT_EQ(autostart.registerApp(), std::nullopt);
    ASSERT_TRUE(QFile::exists(entryPath()));
    EXPECT_EQ(autostart.unregisterApp(), std::nullopt);
    EXPECT_FALSE(QFile::exists(entryPath()));
    EXPECT_EQ(autostart.status(), Status::notRegistered);
    // Nothing left to remove is success.
    EXPECT_EQ(autostart.unregisterApp(), std::nullopt);
}

TEST_F(XdgAutostartTest, DisablingRemovesEveryVerdolinEntry) {
    for (const QByteArray& contents :
         {ours + "Hidden=true\n", QByteArray("[Desktop Entry]\nExec=verdolin %U\n"),
          QByteArray("not an entry at all")}) {
        writeEntry(contents);
        EXPECT_EQ(XdgAutostart(folder(), QStringLiteral("/usr/bin/verdolin")).unregisterApp(),
                  std::nullopt);
        EXPECT_FALSE(QFile::exists(entryPath())) << contents.constData();
    }
}

TEST_F(XdgAutostartTest, DisablingLeavesAnotherProgramsEntryAlone) {
    const QByteArray other = "[Desktop Entry]\nExec=/usr/bin/other --login\n";
    writeEntry(other);
    EXPECT_EQ(XdgAutostart(folder(), QStringLiteral("/usr/bin/verdolin")).unregisterApp(),
              std::nullopt);
    EXPECT_EQ(readEntry(), other);
}

TEST_F(XdgAutostartTest, FolderThatCannotBeCreatedIsAnError) {
    // A regular file where a parent folder should be stops even root.
    QFile blocker(dir.path() + QStringLiteral("/config"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const std::optional<QString> error =
        XdgAutostart(folder(), QStringLiteral("/usr/bin/verdolin")).registerApp();
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->contains(folder())) << error->toStdString();
}

TEST_F(XdgAutostartTest, EntryThatCannotBeWrittenIsAnError) {
    ASSERT_TRUE(QDir().mkpath(entryPath()));
    XdgAutostart autostart(folder(), QStringLiteral("/usr/bin/verdolin"));
    const std::optional<QString> error = autostart.registerApp();
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->contains(entryPath())) << error->toStdString();
    // A folder in the entry's place cannot be removed either.
    EXPECT_TRUE(autostart.unregisterApp());
}

TEST(XdgAutostartFolderTest, FollowsAnAbsoluteXdgConfigHome) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QString fallback = QDir::homePath() + QStringLiteral("/.config/autostart");
    qputenv("XDG_CONFIG_HOME", "/srv/conf/");
    EXPECT_EQ(XdgAutostart::defaultFolder(), QStringLiteral("/srv/conf/autostart"));
    qputenv("XDG_CONFIG_HOME", "relative/conf");
    EXPECT_EQ(XdgAutostart::defaultFolder(), fallback);
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(XdgAutostart::defaultFolder(), fallback);
    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
}

} // namespace
