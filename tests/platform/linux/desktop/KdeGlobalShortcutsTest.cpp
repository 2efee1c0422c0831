#include "platform/linux/desktop/KdeGlobalShortcuts.h"

#include "core/HotKeyMods.h"

#include <gtest/gtest.h>

namespace {

using namespace HotKeyMods;

struct ShortcutCase {
    const char* text;
    bool parses;
    quint32 code;
    quint32 mods;
};

void PrintTo(const ShortcutCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class KdeShortcut : public testing::TestWithParam<ShortcutCase> {};

TEST_P(KdeShortcut, GivesKeysymAndMods) {
    const ShortcutCase& c = GetParam();
    const std::optional<HotKeySpec> spec =
        KdeGlobalShortcuts::parseShortcut(QString::fromUtf8(c.text));
    ASSERT_EQ(spec.has_value(), c.parses);
    if (!c.parses)
        return;
    EXPECT_EQ(spec->code, c.code) << std::hex << spec->code;
    EXPECT_EQ(spec->mods, c.mods) << std::hex << spec->mods;
}

INSTANTIATE_TEST_SUITE_P(
    Shortcuts, KdeShortcut,
    testing::Values(ShortcutCase{"Ctrl+Alt+T", true, 0x74, control | option},
                    ShortcutCase{"Meta+E", true, 0x65, command},
                    ShortcutCase{"Meta+Ctrl+Left", true, 0xff51, command | control},
                    ShortcutCase{"Alt+F4", true, 0xffc1, option},
                    ShortcutCase{"Ctrl+F12", true, 0xffc9, control},
                    ShortcutCase{"Shift+Print", true, 0xff61, shift},
                    ShortcutCase{"Alt+Tab", true, 0xff09, option},
                    ShortcutCase{"Alt+Shift+Backtab", true, 0xfe20, option | shift},
                    ShortcutCase{"Meta+PgUp", true, 0xff55, command},
                    ShortcutCase{"Ctrl+Esc", true, 0xff1b, control},
                    ShortcutCase{"Meta+1", true, 0x31, command},
                    ShortcutCase{"Ctrl++", true, 0x2b, control},
                    ShortcutCase{"Volume Up", true, 0x1008ff13, 0},
                    ShortcutCase{"Media Play", true, 0x1008ff14, 0},
                    ShortcutCase{" Meta+Space ", true, 0x20, command},
                    ShortcutCase{"none", false, 0, 0}, ShortcutCase{"", false, 0, 0},
                    ShortcutCase{"Ctrl+X, Ctrl+Y", false, 0, 0}, ShortcutCase{"Num+5", false, 0, 0},
                    ShortcutCase{"Launch Konsole", false, 0, 0}));

TEST(KdeGlobalShortcutsTest, ConfigGivesTheActiveShortcutsInOrder) {
    const QString config =
        QStringLiteral("[kwin]\n"
                       "Expose=Ctrl+F9,Ctrl+F9,Toggle Present Windows (Current desktop)\n"
                       "Switch to Desktop 1=Ctrl+F1,Ctrl+F1,Switch to Desktop 1\n"
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
                                     {0xffbe, control, name},
                                     {0xffc1, option, name},
                                     {0x71, command, name},
                                     {0x74, control | option, name},
                                     {0x65, command, name},
                                     {0x2c, control, name}}));
}

} // namespace
