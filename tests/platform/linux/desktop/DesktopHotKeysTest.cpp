#include "platform/linux/desktop/DesktopHotKeys.h"

#include "core/HotKeyMods.h"
#include "tests/support/ScopedEnvironment.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace HotKeyMods;

const QString customPath =
    QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/");

// gsettings as a GNOME session answers, with the calls it received.
struct FakeGsettings {
    QList<QStringList> calls;
    bool mediaKeysInstalled = true;

    std::optional<QString> operator()(const QStringList& arguments) {
        calls << arguments;
        const QString target = arguments.value(1);
        if (target == QLatin1StringView("org.gnome.desktop.wm.keybindings"))
            return QStringLiteral("org.gnome.desktop.wm.keybindings close ['<Alt>F4']\n");
        if (target == QLatin1StringView("org.gnome.settings-daemon.plugins.media-keys")) {
            if (!mediaKeysInstalled)
                return std::nullopt;
            return QStringLiteral("org.gnome.settings-daemon.plugins.media-keys custom-keybindings "
                                  "['%1']\n"
                                  "org.gnome.settings-daemon.plugins.media-keys screensaver "
                                  "['<Super>l']\n")
                .arg(customPath);
        }
        if (target.endsWith(customPath))
            return QStringLiteral("'<Primary><Alt>t'\n");
        return std::nullopt; // org.gnome.shell.keybindings: no such schema
    }
};

DesktopHotKeys gnome(const QString& desktop, std::shared_ptr<FakeGsettings> fake) {
    DesktopHotKeys::Environment environment;
    environment.currentDesktop = desktop;
    environment.gsettings = [fake](const QStringList& arguments) { return (*fake)(arguments); };
    return DesktopHotKeys(environment);
}

TEST(DesktopHotKeysTest, GnomeReadsTheThreeSchemasAndTheCustomBindings) {
    auto fake = std::make_shared<FakeGsettings>();
    const QString name = QStringLiteral("GNOME");
    EXPECT_EQ(gnome(QStringLiteral("ubuntu:GNOME"), fake).read(),
              QList<ReservedHotKey>(
                  {{0xffc1, option, name}, {0x6c, command, name}, {0x74, control | option, name}}));
    // The first two schemas' names are proven by their answers above.
    ASSERT_EQ(fake->calls.size(), 4);
    EXPECT_EQ(
        fake->calls.at(2),
        QStringList({"get",
                     "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:" + customPath,
                     "binding"}));
    EXPECT_EQ(fake->calls.at(3), QStringList({"list-recursively", "org.gnome.shell.keybindings"}));

    // A schema that is not installed is skipped, the others still count.
    fake->mediaKeysInstalled = false;
    EXPECT_EQ(gnome(QStringLiteral("GNOME"), fake).read(),
              QList<ReservedHotKey>({{0xffc1, option, name}}));
}

TEST(DesktopHotKeysTest, OtherDesktopsReserveNothingEvenWithGnomeSchemasInstalled) {
    for (const QString& desktop : {QString(), QStringLiteral("openbox"), QStringLiteral("XFCE")}) {
        auto fake = std::make_shared<FakeGsettings>();
        EXPECT_TRUE(gnome(desktop, fake).read().isEmpty()) << desktop.toStdString();
        EXPECT_TRUE(fake->calls.isEmpty());
    }
}

TEST(DesktopHotKeysTest, KdeReadsItsShortcutsFileWherePresent) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    DesktopHotKeys::Environment environment;
    environment.currentDesktop = QStringLiteral("KDE");
    environment.kdeShortcutsFile = folder.filePath(QStringLiteral("kglobalshortcutsrc"));
    const DesktopHotKeys kde(environment);
    EXPECT_TRUE(kde.read().isEmpty());

    QFile file(environment.kdeShortcutsFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[kwin]\nWindow Close=Alt+F4,Alt+F4,Close Window\n");
    file.close();
    EXPECT_EQ(kde.read(), QList<ReservedHotKey>({{0xffc1, option, QStringLiteral("KDE Plasma")}}));
}

TEST(DesktopHotKeysTest, GsettingsRunsInAUtf8LocaleThatExists) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // Prints the locale it was given, and its arguments.
    QFile script(folder.filePath(QStringLiteral("gsettings")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s|%s\\n' \"$LC_ALL\" \"$*\"\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ScopedEnvironment environment;
    environment.setMissingLocale();
    environment.prependPath(folder.path());

    const DesktopHotKeys::Gsettings gsettings = DesktopHotKeys::systemEnvironment().gsettings;
    EXPECT_EQ(gsettings({QStringLiteral("list-recursively"), QStringLiteral("a.b")}),
              QStringLiteral("C.UTF-8|list-recursively a.b\n"));
}

} // namespace
