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

TEST(GnomeKeyBindingsTest, AcceleratorGivesKeysymAndMods) {
    const struct {
        const char* text;
        std::optional<std::pair<quint32, quint32>> expected;
    } cases[] = {{"<Primary><Alt>t", {{0x74, control | option}}},
                 {"<super><SHIFT>Page_Up", {{0xff55, command | shift}}},
                 {"<Release><Super>l", {{0x6c, command}}},
                 {"XF86AudioRaiseVolume", {{0x1008ff13, 0}}},
                 {"<Super>", {}},
                 {"<Bogus>t", {}},
                 {"<Alt>NoSuchKey", {}},
                 {"<Alt>ä", {}}};
    for (const auto& c : cases) {
        const std::optional<HotKeySpec> spec =
            GnomeKeyBindings::parseAccelerator(QString::fromUtf8(c.text));
        EXPECT_EQ(spec ? std::optional(std::pair(spec->code, spec->mods)) : std::nullopt,
                  c.expected)
            << c.text;
    }
}

TEST(GnomeKeyBindingsTest, ReadsStringsAndStringArraysOnly) {
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

TEST(GnomeKeyBindingsTest, ListingGivesEveryAcceleratorInOrderAndSkipsOtherKeys) {
    const QString listing = QStringLiteral(
        "org.gnome.desktop.wm.keybindings activate-window-menu ['<Alt>space']\n"
        "org.gnome.desktop.wm.keybindings always-on-top @as []\n"
        "org.gnome.desktop.wm.keybindings switch-to-workspace-left ['<Super>Page_Up', "
        "'<Super><Alt>Left', '<Control><Alt>Left']\n"
        "org.gnome.settings-daemon.plugins.media-keys volume-step 6\n"
        "org.gnome.settings-daemon.plugins.media-keys screensaver '<Super>l'\n"
        "org.gnome.settings-daemon.plugins.media-keys www ''\n"
        "org.gnome.settings-daemon.plugins.media-keys custom-keybindings "
        "['/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/']\n"
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
    EXPECT_EQ(GnomeKeyBindings::customBindingPaths(listing),
              QStringList({"/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/"
                           "custom0/"}));
    EXPECT_EQ(GnomeKeyBindings::customBindingPaths(
                  QStringLiteral("org.gnome.desktop.wm.keybindings custom-keybindings ['/x/']\n")),
              QStringList());
}

TEST(KdeGlobalShortcutsTest, ShortcutGivesKeysymAndMods) {
    const struct {
        const char* text;
        std::optional<std::pair<quint32, quint32>> expected;
    } cases[] = {{"Ctrl+Alt+T", {{0x74, control | option}}},
                 {"Alt+F4", {{0xffc1, option}}},
                 {"Alt+Shift+Backtab", {{0xfe20, option | shift}}},
                 {"Ctrl++", {{0x2b, control}}},
                 {"Volume Up", {{0x1008ff13, 0}}},
                 {" Meta+Space ", {{0x20, command}}},
                 {"none", {}},
                 {"", {}},
                 {"Ctrl+X, Ctrl+Y", {}},
                 {"Num+5", {}},
                 {"Launch Konsole", {}}};
    for (const auto& c : cases) {
        const std::optional<HotKeySpec> spec =
            KdeGlobalShortcuts::parseShortcut(QString::fromUtf8(c.text));
        EXPECT_EQ(spec ? std::optional(std::pair(spec->code, spec->mods)) : std::nullopt,
                  c.expected)
            << c.text;
    }
}

TEST(KdeGlobalShortcutsTest, ConfigGivesTheActiveShortcutsInOrder) {
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
    // The other schemas' names are proven by their answers above.
    EXPECT_EQ(fake->calls.last(), QStringList({"list-recursively", "org.gnome.shell.keybindings"}));

    // A schema that is not installed is skipped, the others still count.
    fake->mediaKeysInstalled = false;
    EXPECT_EQ(gnome(QStringLiteral("GNOME"), fake).read(),
              QList<ReservedHotKey>({{0xffc1, option, name}}));
    // Other desktops reserve nothing, even with the GNOME schemas installed.
    for (const QString& desktop : {QString(), QStringLiteral("XFCE")})
        EXPECT_TRUE(gnome(desktop, fake).read().isEmpty()) << desktop.toStdString();
}

TEST(DesktopHotKeysTest, KdeReadsItsShortcutsFile) {
    QTemporaryDir folder;
    DesktopHotKeys::Environment environment;
    environment.currentDesktop = QStringLiteral("KDE");
    environment.kdeShortcutsFile = folder.filePath(QStringLiteral("kglobalshortcutsrc"));
    QFile file(environment.kdeShortcutsFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[kwin]\nWindow Close=Alt+F4,Alt+F4,Close Window\n");
    file.close();
    EXPECT_EQ(DesktopHotKeys(environment).read(),
              QList<ReservedHotKey>({{0xffc1, option, QStringLiteral("KDE Plasma")}}));
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
