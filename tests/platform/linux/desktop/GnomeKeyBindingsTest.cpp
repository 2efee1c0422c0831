#include "platform/linux/desktop/GnomeKeyBindings.h"

#include "core/HotKeyMods.h"

#include <gtest/gtest.h>

namespace {

using namespace HotKeyMods;

TEST(GnomeKeyBindingsTest, AcceleratorGivesKeysymAndMods) {
    const struct {
        const char* text;
        std::optional<std::pair<quint32, quint32>> expected;
    } cases[] = {{"<Primary><Alt>t", {{0x74, control | option}}},
                 {"<Control><Alt>T", {{0x74, control | option}}},
                 {"<super><SHIFT>Page_Up", {{0xff55, command | shift}}},
                 {"<Release><Super>l", {{0x6c, command}}},
                 {"XF86AudioRaiseVolume", {{0x1008ff13, 0}}},
                 {"", {}},
                 {"<Super>", {}},
                 {"<Super", {}},
                 {"<Bogus>t", {}},
                 {"<Mod2>t", {}},
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
                 {"'<Super>l'", {"<Super>l"}},
                 {"['<Super>apostrophe', \"<Alt>it's\"]", {"<Super>apostrophe", "<Alt>it's"}},
                 {"['a\\'b']", {"a'b"}},
                 {"uint32 30", {}},
                 {"['<Super>a'", {}},
                 {"['<Super>a',]", {}},
                 {"['<Super>a' '<Super>b']", {}},
                 {"'a', 'b'", {}},
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

} // namespace
