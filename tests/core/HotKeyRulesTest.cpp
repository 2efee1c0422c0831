#include "core/HotKeyRules.h"

#include "core/HotKeyMods.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const HotKeyValidation& v, std::ostream* os) {
    *os << "kind " << static_cast<int>(v.kind()) << " name \"" << v.name().toStdString() << '"';
}

namespace {

using namespace HotKeyMods;

constexpr quint32 keyT = 0x74;
constexpr quint32 keyK = 0x6b;

TEST(HotKeyRules, ValidateAppliesTheModifierRuleThenAnExactReservedMatch) {
    const auto needs = HotKeyValidation::needsControlOrOption();
    const auto ok = HotKeyValidation::ok();
    const auto gnome = HotKeyValidation::conflictsWithSystem("GNOME");
    const struct {
        HotKeySpec spec;
        QList<ReservedHotKey> reserved;
        HotKeyValidation expected;
    } cases[] = {
        // clang-format off
        {{keyT, 0, "T"}, {}, needs},
        {{keyT, command | shift, "Shift+Super+T"}, {{keyT, command | shift, "GNOME"}}, needs},
        {{keyT, option, "Alt+T"}, {}, ok},
        {{keyT, control, "Ctrl+T"}, {}, ok},
        {{keyT, control | shift, "Ctrl+Shift+T"}, {{keyT, control, "GNOME"}}, ok},
        {{keyT, control | option, "Ctrl+Alt+T"}, {{keyK, control | option, "GNOME"}}, ok},
        {{keyT, control | option, "anything"},
         {{keyK, control | option, "KDE"}, {keyT, control | option, "GNOME"}}, gnome},
        {{keyT, control | option, "Ctrl+Alt+T"},
         {{keyT, control | option, "GNOME"}, {keyT, control | option, "KDE"}}, gnome},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(HotKeyRules::validate(c.spec, c.reserved), c.expected)
            << c.spec.label.toStdString();
}

TEST(HotKeyRules, LabelsKeyNamesAndEventFlags) {
    const std::tuple<quint32, const char*, const char*> labels[] = {
        {0x1B00, "K", "Ctrl+Alt+Shift+Super+K"},
        {0, "K", "K"},
        {command | option, "Space", "Alt+Super+Space"},
        {shift, "", "Shift+"},
        {control, "+", "Ctrl++"}};
    for (const auto& [mods, key, expected] : labels)
        EXPECT_EQ(HotKeyRules::label(mods, QString::fromUtf8(key)), QString::fromUtf8(expected));

    // Named keys, then the upper-cased text; a key with neither shows "?".
    // clang-format off
    const std::tuple<quint32, const char*, const char*> keys[] = {
        {0xff0d, "\r", "Return"}, {0xff09, "\t", "Tab"}, {0x20, " ", "Space"},
        {0xff08, "\b", "Backspace"},
        {0xff51, "", "Left"}, {0xff53, "", "Right"}, {0xff54, "", "Down"}, {0xff52, "", "Up"},
        {keyT, "t", "T"}, {0x31, "1", "1"}, {0x6c1, "а", "А"}, {0xffbe, "", "F1"},
        {0xffc9, "", "F12"},
        {0xffff, "\x7f", "Delete"}, {0xff8d, "\r", "Enter"}, {0xff55, "", "Page Up"},
        {0xfe03, "", "?"}};
    // clang-format on
    for (const auto& [keysym, text, expected] : keys)
        EXPECT_EQ(HotKeyRules::keyName(keysym, QString::fromUtf8(text)),
                  QString::fromUtf8(expected))
            << keysym;

    // Only Shift, Control, Mod1 and Mod4 count; Lock, NumLock, Mod3, Mod5, buttons and the
    // keyboard group bits do not.
    const std::pair<quint32, quint32> flags[] = {
        {1u << 2, control},
        {1u << 3, option},
        {1u << 0, shift},
        {1u << 6, command},
        {(1u << 1) | (1u << 4) | (1u << 5) | (1u << 7) | 0x1F00 | 0x6000, 0},
        {0xFFFFFFFFu, 0x1B00}};
    for (const auto& [state, mods] : flags)
        EXPECT_EQ(HotKeyRules::modsFromEventFlags(state), mods) << state;
}

} // namespace
