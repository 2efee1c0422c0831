#include "platform/linux/desktop/DesktopHotKeys.h"

#include "core/HotKeyMods.h"
#include "platform/linux/desktop/GnomeKeyBindings.h"
#include "platform/linux/desktop/KdeGlobalShortcuts.h"
#include "tests/support/ScopedEnvironment.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace HotKeyMods;

TEST(DesktopHotKeysTest, AcceleratorsAndShortcutsGiveKeysymAndMods) {
    const auto gnome = GnomeKeyBindings::parseAccelerator;
    const auto kde = KdeGlobalShortcuts::parseShortcut;
    const struct {
        std::function<std::optional<HotKeySpec>(const QString&)> parse;
        const char* text;
        std::optional<std::pair<quint32, quint32>> expected;
    } cases[] = {{gnome, "<Primary><Alt>t", {{0x74, control | option}}},
                 {gnome, "<super><SHIFT>Page_Up", {{0xff55, command | shift}}},
                 {gnome, "<Release><Super>l", {{0x6c, command}}},
                 {gnome, "XF86AudioRaiseVolume", {{0x1008ff13, 0}}},
                 {gnome, "<Super>", {}},
                 {gnome, "<Bogus>t", {}},
                 {gnome, "<Alt>NoSuchKey", {}},
                 {gnome, "<Alt>ä", {}},
                 {kde, "Ctrl+Alt+T", {{0x74, control | option}}},
                 {kde, "Alt+F1", {{0xffbe, option}}},
                 {kde, "Alt+Shift+Backtab", {{0xfe20, option | shift}}},
                 {kde, "Ctrl++", {{0x2b, control}}},
                 {kde, "Volume Up", {{0x1008ff13, 0}}},
                 {kde, " Meta+Space ", {{0x20, command}}},
                 {kde, "none", {}},
                 {kde, "", {}},
                 {kde, "Ctrl+X, Ctrl+Y", {}},
                 {kde, "Num+5", {}},
                 {kde, "Launch Konsole", {}}};
    for (const auto& c : cases) {
        const std::optional<HotKeySpec> spec = c.parse(QString::fromUtf8(c.text));
        EXPECT_EQ(spec ? std::optional(std::pair(spec->code, spec->mods)) : std::nullopt,
                  c.expected)
            << c.text;
    }
}

TEST(DesktopHotKeysTest, GsettingsValuesAreStringsAndStringArraysOnly) {
    const struct {
        const char* value;
        QStringList strings;
    } cases[] = {{"['<Super>Page_Up', '<Super><Alt>Left']", {"<Super>Page_Up", "<Super><Alt>Left"}},
                 {"@as []", {}},
                 {"['<Super>apostrophe', \"<Alt>it's\"]", {"<Super>apostrophe", "<Alt>it's"}},
                 {"['a\\'b']", {"a'b"}},
                 {"uint32 30", {}},
                 {"['<Super>a'", {}},
                 {"['<Super>a' '<Super>b']", {}},
                 {"'unclosed", {}}};
    for (const auto& c : cases)
        EXPECT_EQ(GnomeKeyBindings::strings(QString::fromUtf8(c.value)), c.strings) << c.value;
}

TEST(DesktopHotKeysTest, GnomeListingGivesEveryAcceleratorInOrderAndSkipsOtherKeys) {
    const QString listing = QStringLiteral(
        "org.gnome.desktop.wm.keybindings activate-window-menu ['<Alt>space']\n"
        "org.gnome.desktop.wm.keybindings always-on-top @as []\n"
        "org.gnome.desktop.wm.keybindings switch-to-workspace-left ['<Super>Page_Up', "
        "'<Super><Alt>Left', '<Control><Alt>Left']\n"
        "org.gnome.settings-daemon.plugins.media-keys volume-step 6\n"
        "org.gnome.settings-daemon.plugins.media-keys screensaver '<Super>l'\n"
        "org.gnome.settings-daemon.plugins.media-keys www ''\n"
        "org.gnome.settings-daemon.plugins.media-keys custom-keybindings ['/c0/']\n"
        "org.gnome.desktop.wm.keybindings close ['<Alt>F4', '<Alt>F4']\n"
        "garbage\n");
    const QString name = QStringLiteral("GNOME");
    EXPECT_EQ(GnomeKeyBindings::bindingsOfListing(listing, name),
              QList<ReservedHotKey>({{0x20, option, name},
                                     {0xff55, command, name},
                                     {0xff51, command | option, name},
                                     {0xff51, control | option, name},
                                     {0x6c, command, name},
                                     {0xffc1, option, name},
                                     {0xffc1, option, name}}));
    EXPECT_EQ(GnomeKeyBindings::customBindingPaths(listing), QStringList({"/c0/"}));
    EXPECT_EQ(GnomeKeyBindings::customBindingPaths(
                  QStringLiteral("org.gnome.desktop.wm.keybindings custom-keybindings ['/x/']\n")),
              QStringList());
}

TEST(DesktopHotKeysTest, KdeConfigGivesTheActiveShortcutsInOrder) {
    const QString config =
        QStringLiteral("[kwin]\n"
                       "Expose=Ctrl+F9,Ctrl+F9,Toggle Present Windows (Current desktop)\n"
                       "Kill Window=none,Meta+Ctrl+Esc,Kill a Window\n"
                       "Window Close=Alt+F4\\tMeta+Q,Alt+F4,Close Window\n"
                       "_k_friendly_name=KWin\n"
                       "Show Desktop=,Meta+D,Peek at Desktop\n"
                       "\n"
                       "[org.kde.konsole.desktop]\n"
                       "_k_friendly_name=Konsole\n"
                       "_launch=Ctrl+Alt+T,none,Konsole\n"
                       "[services][org.kde.dolphin.desktop]\n"
                       "_launch=Meta+E\n"
                       "[Data_1]\n"
                       "Comment=Meta+K\n"
                       "Comma Key=Ctrl+\\,,none,With a comma\n");
    const QString name = QStringLiteral("KDE Plasma");
    EXPECT_EQ(KdeGlobalShortcuts::shortcutsOfConfig(config, name),
              QList<ReservedHotKey>({{0xffc6, control, name},
                                     {0xffc1, option, name},
                                     {0x71, command, name},
                                     {0x74, control | option, name},
                                     {0x65, command, name},
                                     {0x2c, control, name}}));
}

TEST(DesktopHotKeysTest, EachDesktopReadsItsOwnSettings) {
    const QString custom = QStringLiteral("/media-keys/custom0/");
    const QString media = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
    // gsettings as a GNOME session answers; org.gnome.shell.keybindings is not installed.
    QHash<QString, QString> answers{
        {"org.gnome.desktop.wm.keybindings", "x close ['<Alt>F4']\n"},
        {media,
         media + " custom-keybindings ['" + custom + "']\n" + media + " screensaver '<Super>l'\n"},
        {media + ".custom-keybinding:" + custom + " binding", "'<Primary><Alt>t'\n"}};
    QList<QStringList> calls;
    QTemporaryDir folder;
    QFile kde(folder.filePath(QStringLiteral("kglobalshortcutsrc")));
    ASSERT_TRUE(kde.open(QIODevice::WriteOnly));
    kde.write("[kwin]\nWindow Close=Alt+F4,Alt+F4,Close Window\n");
    kde.close();
    const auto read = [&](const char* desktop) {
        return DesktopHotKeys(
                   {desktop, kde.fileName(),
                    [&](const QStringList& arguments) {
                        calls << arguments;
                        const auto answer = answers.constFind(arguments.mid(1).join(u' '));
                        return answer == answers.cend() ? std::nullopt : std::optional(*answer);
                    }})
            .read();
    };
    const QString gnome = QStringLiteral("GNOME");
    EXPECT_EQ(read("ubuntu:GNOME"), QList<ReservedHotKey>({{0xffc1, option, gnome},
                                                           {0x6c, command, gnome},
                                                           {0x74, control | option, gnome}}));
    EXPECT_EQ(calls.last(), QStringList({"list-recursively", "org.gnome.shell.keybindings"}));
    // A schema that is not installed is skipped, the others still count.
    answers.remove(media);
    EXPECT_EQ(read("GNOME"), QList<ReservedHotKey>({{0xffc1, option, gnome}}));
    // Another desktop's settings may be installed without being in force.
    EXPECT_EQ(read("KDE"), QList<ReservedHotKey>({{0xffc1, option, QStringLiteral("KDE Plasma")}}));
    EXPECT_TRUE(read("").isEmpty());
    EXPECT_TRUE(read("XFCE").isEmpty());
}

TEST(DesktopHotKeysTest, GsettingsRunsInAUtf8LocaleThatExists) {
    QTemporaryDir folder;
    QFile script(folder.filePath(QStringLiteral("gsettings")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s|%s\\n' \"$LC_ALL\" \"$*\"\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ScopedEnvironment environment;
    environment.setMissingLocale();
    environment.prependPath(folder.path());
    EXPECT_EQ(DesktopHotKeys::systemEnvironment().gsettings({"list-recursively", "a.b"}),
              QStringLiteral("C.UTF-8|list-recursively a.b\n"));
}

} // namespace
