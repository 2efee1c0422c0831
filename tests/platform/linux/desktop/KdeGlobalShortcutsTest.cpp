#include "platform/linux/desktop/KdeGlobalShortcuts.h"

#include "core/HotKeyMods.h"

#include <gtest/gtest.h>

namespace {

using namespace HotKeyMods;

TEST(KdeGlobalShortcutsTest, ShortcutGivesKeysymAndMods) {
    const struct {
        const char* text;
        std::optional<std::pair<quint32, quint32>> expected;
    } cases[] = {{"Ctrl+Alt+T", {{0x74, control | option}}},
                 {"Meta+E", {{0x65, command}}},
                 {"Alt+F4", {{0xffc1, option}}},
                 {"Alt+Shift+Backtab", {{0xfe20, option | shift}}},
                 {"Meta+1", {{0x31, command}}},
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
