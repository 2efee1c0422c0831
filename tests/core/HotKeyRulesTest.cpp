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

struct ValidateCase {
    const char* name;
    HotKeySpec spec;
    QList<ReservedHotKey> reserved;
    HotKeyValidation expected;
};

void PrintTo(const ValidateCase& c, std::ostream* os) {
    *os << c.name;
}

class HotKeyValidate : public testing::TestWithParam<ValidateCase> {};

TEST_P(HotKeyValidate, ModifierRuleThenExactReservedMatch) {
    const ValidateCase& c = GetParam();
    EXPECT_EQ(HotKeyRules::validate(c.spec, c.reserved), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Specs, HotKeyValidate,
    testing::Values(
        ValidateCase{"NoModifiers", {keyT, 0, "T"}, {}, HotKeyValidation::needsControlOrOption()},
        ValidateCase{"SuperShiftEvenIfReserved",
                     {keyT, command | shift, "Shift+Super+T"},
                     {{keyT, command | shift, "GNOME"}},
                     HotKeyValidation::needsControlOrOption()},
        ValidateCase{"AltAlone", {keyT, option, "Alt+T"}, {}, HotKeyValidation::ok()},
        ValidateCase{"CtrlAlone", {keyT, control, "Ctrl+T"}, {}, HotKeyValidation::ok()},
        ValidateCase{"ReservedSubsetDoesNotConflict",
                     {keyT, control | shift, "Ctrl+Shift+T"},
                     {{keyT, control, "GNOME"}},
                     HotKeyValidation::ok()},
        ValidateCase{"ReservedOtherKey",
                     {keyT, control | option, "Ctrl+Alt+T"},
                     {{keyK, control | option, "GNOME"}},
                     HotKeyValidation::ok()},
        ValidateCase{"ExactMatchIgnoresLabel",
                     {keyT, control | option, "anything"},
                     {{keyK, control | option, "KDE Plasma"}, {keyT, control | option, "GNOME"}},
                     HotKeyValidation::conflictsWithSystem("GNOME")},
        ValidateCase{"FirstMatchingEntryNamesTheOwner",
                     {keyT, control | option, "Ctrl+Alt+T"},
                     {{keyT, control | option, "GNOME"}, {keyT, control | option, "KDE Plasma"}},
                     HotKeyValidation::conflictsWithSystem("GNOME")}),
    [](const testing::TestParamInfo<ValidateCase>& info) { return std::string(info.param.name); });

struct LabelCase {
    quint32 mods;
    const char* key;
    const char* expected;
};

void PrintTo(const LabelCase& c, std::ostream* os) {
    *os << std::hex << "0x" << c.mods << " \"" << c.key << '"';
}

class HotKeyLabel : public testing::TestWithParam<LabelCase> {};

TEST_P(HotKeyLabel, FixedModifierOrder) {
    const LabelCase c = GetParam();
    EXPECT_EQ(HotKeyRules::label(c.mods, QString::fromUtf8(c.key)), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Mods, HotKeyLabel,
                         testing::Values(LabelCase{0x1B00, "K", "Ctrl+Alt+Shift+Super+K"},
                                         LabelCase{0, "K", "K"},
                                         LabelCase{control | shift, "T", "Ctrl+Shift+T"},
                                         LabelCase{command | option, "Space", "Alt+Super+Space"},
                                         LabelCase{shift, "", "Shift+"},
                                         LabelCase{control, "+", "Ctrl++"}));

struct KeyNameCase {
    quint32 keysym;
    const char* characters;
    const char* expected;
};

void PrintTo(const KeyNameCase& c, std::ostream* os) {
    *os << std::hex << "0x" << c.keysym;
}

class HotKeyKeyName : public testing::TestWithParam<KeyNameCase> {};

TEST_P(HotKeyKeyName, NamedKeysThenUpperCasedText) {
    const KeyNameCase c = GetParam();
    EXPECT_EQ(HotKeyRules::keyName(c.keysym, QString::fromUtf8(c.characters)),
              QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HotKeyKeyName,
    testing::Values(KeyNameCase{0xff0d, "\r", "Return"}, KeyNameCase{0xff09, "\t", "Tab"},
                    KeyNameCase{0x20, " ", "Space"}, KeyNameCase{0xff08, "\b", "Backspace"},
                    KeyNameCase{0xff51, "", "Left"}, KeyNameCase{0xff53, "", "Right"},
                    KeyNameCase{0xff54, "", "Down"}, KeyNameCase{0xff52, "", "Up"},
                    KeyNameCase{keyT, "t", "T"}, KeyNameCase{0x31, "1", "1"},
                    KeyNameCase{0xe9, "é", "É"}, KeyNameCase{0x6c1, "а", "А"},
                    KeyNameCase{0xffbe, "", "?"},     // F1 has no text
                    KeyNameCase{0xffff, "\x7f", "?"}, // Delete
                    KeyNameCase{0xff8d, "\r", "?"})); // keypad Enter

struct FlagsCase {
    quint32 state;
    quint32 mods;
};

void PrintTo(const FlagsCase& c, std::ostream* os) {
    *os << std::hex << "0x" << c.state;
}

class HotKeyEventFlags : public testing::TestWithParam<FlagsCase> {};

TEST_P(HotKeyEventFlags, KeepsOnlyTheFourModifiers) {
    const FlagsCase c = GetParam();
    EXPECT_EQ(HotKeyRules::modsFromEventFlags(c.state), c.mods);
}

INSTANTIATE_TEST_SUITE_P(
    States, HotKeyEventFlags,
    testing::Values(FlagsCase{0, 0}, FlagsCase{1u << 2, control}, FlagsCase{1u << 3, option},
                    FlagsCase{1u << 0, shift}, FlagsCase{1u << 6, command},
                    FlagsCase{(1u << 0) | (1u << 2) | (1u << 3) | (1u << 6), 0x1B00},
                    // Lock, Mod2 (NumLock), Mod3, Mod5, Button1..5, XKB group bits.
                    FlagsCase{(1u << 1) | (1u << 4) | (1u << 5) | (1u << 7) | 0x1F00 | 0x6000, 0},
                    FlagsCase{(1u << 2) | (1u << 4) | (1u << 1), control},
                    FlagsCase{0xFFFFFFFFu, 0x1B00}));

TEST(HotKeySpec, DefaultIsCtrlAltTAndItsLabelMatchesTheRecorder) {
    const HotKeySpec spec = HotKeySpec::defaultSpec();
    EXPECT_EQ(spec, (HotKeySpec{keyT, 0x1800, QStringLiteral("Ctrl+Alt+T")}));
    EXPECT_EQ(HotKeyRules::label(spec.mods, HotKeyRules::keyName(spec.code, "t")), spec.label);
    EXPECT_EQ(HotKeyRules::validate(spec, {}), HotKeyValidation::ok());
}

TEST(HotKeySpec, LabelTakesPartInEquality) {
    EXPECT_NE(HotKeySpec::defaultSpec(), (HotKeySpec{keyT, 0x1800, QStringLiteral("T")}));
}

} // namespace
