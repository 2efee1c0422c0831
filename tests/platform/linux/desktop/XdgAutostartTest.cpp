#include "platform/linux/desktop/XdgAutostart.h"

#include "app/system/LoginItem.h"
#include "platform/linux/desktop/DesktopEntry.h"
#include "tests/support/ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

using Status = LoginRegistration::Status;

class XdgAutostartTest : public testing::Test {
protected:
    QString folder() const { return dir.path() + u"/config/autostart"_s; }
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

    QTemporaryDir dir;
};

// The Exec line as written, and read back: quoting first, then the string escapes on top.
TEST_F(XdgAutostartTest, ExecLineIsQuotedAndReadsBack) {
    const struct {
        QString path;
        QByteArray exec;
    } cases[] = {{u"/usr/bin/verdolin"_s, "Exec=/usr/bin/verdolin --login"},
                 {u"/opt/a\"b/verdolin-beta"_s, "Exec=\"/opt/a\\\\\"b/verdolin-beta\" --login"},
                 {u"/opt/a\\b/verdolin"_s, "Exec=\"/opt/a\\\\\\\\b/verdolin\" --login"},
                 {u"/opt/$HOME/verdolin"_s, "Exec=\"/opt/\\\\$HOME/verdolin\" --login"},
                 {u"/opt/100 %U/verdolin"_s, "Exec=\"/opt/100 %%U/verdolin\" --login"},
                 {u"/opt/a\nb/verdolin"_s, "Exec=\"/opt/a\\nb/verdolin\" --login"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exec.constData());
        XdgAutostart autostart(folder(), c.path);
        ASSERT_EQ(autostart.registerApp(), std::nullopt);
        EXPECT_TRUE(readEntry().contains('\n' + c.exec + '\n')) << readEntry().constData();
        EXPECT_EQ(autostart.status(), Status::enabled);
        const QHash<QString, QString> keys = DesktopEntry::mainGroup(readEntry());
        EXPECT_EQ(DesktopEntry::execArguments(keys.value(u"Exec"_s)),
                  QStringList({c.path, LoginItem::launchFlag}));
    }
}

TEST_F(XdgAutostartTest, ControlCharacterUnknownOrRelativeExecutableIsRefused) {
    EXPECT_EQ(XdgAutostart::entryFor(u"/opt/a\x01z/verdolin"_s), std::nullopt);
    for (const QString& path : {u"/opt/a\x01z/verdolin"_s, QString(), u"bin/verdolin"_s}) {
        const std::optional<QString> error = XdgAutostart(folder(), path).registerApp();
        EXPECT_TRUE(error && !error->isEmpty());
    }
    EXPECT_FALSE(QFile::exists(entryPath()));
}

const QByteArray ours = "[Desktop Entry]\nType=Application\nExec=/usr/bin/verdolin --login\n";

TEST_F(XdgAutostartTest, StatusOfAnExistingEntry) {
    EXPECT_EQ(XdgAutostart(folder(), u"/usr/bin/verdolin"_s).status(), Status::notRegistered);
    const struct {
        QByteArray contents;
        Status status;
    } cases[] = {
        {ours + "Hidden=True\n", Status::notRegistered},
        {ours + "X-GNOME-Autostart-enabled=false\n", Status::notRegistered},
        {ours + "X-GNOME-Autostart-enabled=false\nX-GNOME-Autostart-enabled=true\n",
         Status::enabled},
        {ours + "[Desktop Action x]\nHidden=true\n", Status::enabled},
        {"[Desktop Entry]\nExec=/usr/bin/verdolin-helper --login\n", Status::notRegistered},
        {"[Desktop Entry]\nExec=/usr/bin/verdolin --login=1\n", Status::notRegistered},
        {"[Other]\nExec=/usr/bin/verdolin --login\n", Status::notRegistered},
        {"[Desktop Entry]\nExec=\"/usr/bin/verdolin --login\n", Status::notRegistered},
        {"[Desktop Entry]\nExec=verdolin --login\n", Status::enabled},
        {"[Desktop Entry]\r\nExec = \"/opt/old place/verdolin\" \"--login\"\r\n", Status::enabled}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contents.constData());
        writeEntry(c.contents);
        EXPECT_EQ(XdgAutostart(folder(), u"/usr/bin/verdolin"_s).status(), c.status);
    }
}

TEST_F(XdgAutostartTest, RegisteringReplacesAnEntrySwitchedOffAndRemovingKeepsOthers) {
    writeEntry(ours + "Hidden=true\n");
    XdgAutostart autostart(folder(), u"/opt/My Apps/verdolin"_s);
    ASSERT_EQ(autostart.registerApp(), std::nullopt);
    EXPECT_EQ(autostart.status(), Status::enabled);
    EXPECT_EQ(autostart.unregisterApp(), std::nullopt);
    EXPECT_FALSE(QFile::exists(entryPath()));
    EXPECT_EQ(autostart.status(), Status::notRegistered);
    // Nothing left to remove is success; any entry of ours goes, never another's.
    EXPECT_EQ(autostart.unregisterApp(), std::nullopt);
    for (const QByteArray& contents :
         {QByteArray("[Desktop Entry]\nExec=verdolin %U\n"), QByteArray("not an entry at all")}) {
        writeEntry(contents);
        EXPECT_EQ(XdgAutostart(folder(), u"/usr/bin/verdolin"_s).unregisterApp(), std::nullopt);
        EXPECT_FALSE(QFile::exists(entryPath())) << contents.constData();
    }
    const QByteArray other = "[Desktop Entry]\nExec=/usr/bin/other --login\n";
    writeEntry(other);
    EXPECT_EQ(XdgAutostart(folder(), u"/usr/bin/verdolin"_s).unregisterApp(), std::nullopt);
    EXPECT_EQ(readEntry(), other);
}

TEST_F(XdgAutostartTest, FolderOrEntryThatCannotBeWrittenIsAnError) {
    ASSERT_TRUE(QDir().mkpath(entryPath()));
    XdgAutostart autostart(folder(), u"/usr/bin/verdolin"_s);
    const std::optional<QString> error = autostart.registerApp();
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->contains(entryPath()));
    // A folder in the entry's place cannot be removed either.
    EXPECT_TRUE(autostart.unregisterApp());
}

TEST(XdgAutostartFolderTest, FollowsAnAbsoluteXdgConfigHome) {
    ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", "/srv/conf/");
    EXPECT_EQ(XdgAutostart::defaultFolder(), u"/srv/conf/autostart"_s);
    for (const QByteArray& ignored : {QByteArray("relative/conf"), QByteArray()}) {
        environment.set("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(XdgAutostart::defaultFolder(), QDir::homePath() + u"/.config/autostart"_s);
    }
}

} // namespace
