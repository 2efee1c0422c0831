#include "platform/linux/GnomeKeyBindings.h"

#include "core/HotKeyMods.h"

#include <gtest/gtest.h>

namespace {

using namespace HotKeyMods;

struct AcceleratorCase {
    const char* text;
    bool parses;
    quint32 code;
    quint32 mods;
};

void PrintTo(const AcceleratorCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class GnomeAccelerator : public testing::TestWithParam<AcceleratorCase> {};

TEST_P(GnomeAccelerator, GivesKeysymAndMods) {
    const AcceleratorCase& c = GetParam();
    const std::optional<HotKeySpec> spec =
        GnomeKeyBindings::parseAccelerator(QString::fromUtf8(c.text));
    ASSERT_EQ(spec.has_value(), c.parses);
    if (!c.parses)
        return;
    EXPECT_EQ(spec->code, c.code) << std::hex << spec->code;
    EXPECT_EQ(spec->mods, c.mods) << std::hex << spec->mods;
}

INSTANTIATE_TEST_SUITE_P(
    Accelerators, GnomeAccelerator,
    testing::Values(
        AcceleratorCase{"<Primary><Alt>t", true, 0x74, control | option},
        AcceleratorCase{"<Control><Alt>T", true, 0x74, control | option},
        AcceleratorCase{"<Ctrl><Shift>Escape", true, 0xff1b, control | shift},
        AcceleratorCase{"<Super>Left", true, 0xff51, command},
        AcceleratorCase{"<super><SHIFT>Page_Up", true, 0xff55, command | shift},
        AcceleratorCase{"<Alt>F4", true, 0xffc1, option},
        AcceleratorCase{"<Mod1>F7", true, 0xffc4, option},
        AcceleratorCase{"<Meta>space", true, 0x20, option},
        AcceleratorCase{"<Hyper>a", true, 0x61, command},
        AcceleratorCase{"<Mod4>1", true, 0x31, command},
        AcceleratorCase{"<Shft><Ctl>Tab", true, 0xff09, shift | control},
        AcceleratorCase{"<Release><Super>l", true, 0x6c, command},
        AcceleratorCase{"XF86AudioRaiseVolume", true, 0x1008ff13, 0},
        AcceleratorCase{"Print", true, 0xff61, 0},
        AcceleratorCase{"<Alt>Aacute", true, 0xe1, option}, AcceleratorCase{"", false, 0, 0},
        AcceleratorCase{"disabled", false, 0, 0}, AcceleratorCase{"<Super>", false, 0, 0},
        AcceleratorCase{"<Super", false, 0, 0}, AcceleratorCase{"<Bogus>t", false, 0, 0},
        AcceleratorCase{"<Mod2>t", false, 0, 0}, AcceleratorCase{"<Mod5>t", false, 0, 0},
        AcceleratorCase{"<Alt>NoSuchKey", false, 0, 0}, AcceleratorCase{"<Alt>ä", false, 0, 0}));

struct StringsCase {
    const char* value;
    QStringList strings;
};

void PrintTo(const StringsCase& c, std::ostream* out) {
    *out << c.value;
}

class GnomeValueStrings : public testing::TestWithParam<StringsCase> {};

TEST_P(GnomeValueStrings, ReadsStringsAndStringArraysOnly) {
    EXPECT_EQ(GnomeKeyBindings::strings(QString::fromUtf8(GetParam().value)), GetParam().strings);
}

INSTANTIATE_TEST_SUITE_P(
    Values, GnomeValueStrings,
    testing::Values(
        StringsCase{"['<Super>Page_Up', '<Super><Alt>Left']",
                    {"<Super>Page_Up", "<Super><Alt>Left"}},
        StringsCase{"@as []", {}}, StringsCase{"[]", {}}, StringsCase{"'<Super>l'", {"<Super>l"}},
        StringsCase{"['<Super>apostrophe', \"<Alt>it's\"]", {"<Super>apostrophe", "<Alt>it's"}},
        StringsCase{"['a\\'b']", {"a'b"}}, StringsCase{"6", {}}, StringsCase{"uint32 30", {}},
        StringsCase{"true", {}}, StringsCase{"['<Super>a'", {}}, StringsCase{"['<Super>a',]", {}},
        StringsCase{"['<Super>a' '<Super>b']", {}}, StringsCase{"'a', 'b'", {}},
        StringsCase{"'unclosed", {}}));

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
