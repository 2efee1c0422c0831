#include "app/shell/ShortcutRecorder.h"

#include "app/settings/AppSettings.h"
#include "app/shortcuts/HotKeyManager.h"
#include "core/HotKeyMods.h"
#include "tests/app/shortcuts/FakeHotKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace HotKeyMods;
using Problem = ShortcutRecorder::Problem;

// Keysyms, then X11 modifier states.
constexpr quint32 keyA = 0x41, keyD = 0x64, keyE = 0x65, keyT = 0x74, keyU = 0x75, keyY = 0x79,
                  controlL = 0xffe3, altL = 0xffe9, escape = 0xff1b, ctrl = 0x04, ctrlAlt = 0x0c,
                  ctrlShift = 0x05;
const HotKeySpec ctrlAltT = HotKeySpec::defaultSpec();
const HotKeySpec ctrlAltY{keyY, control | option, "Ctrl+Alt+Y"};

struct Row {
    const char* name;
    QList<std::pair<quint32, quint32>> presses; // keysym, X11 state
    bool recording;
    Problem problem;
    const char* message;
    HotKeySpec stored;
};

class ShortcutRecorderTest : public testing::TestWithParam<Row> {
protected:
    ShortcutRecorderTest() { manager.registerHotKey(settings.hotKey()); }

    // Whether the event was taken before it reached the focused object.
    static bool press(quint32 keysym, quint32 state, QEvent::Type type = QEvent::KeyPress) {
        QObject focused;
        QKeyEvent event(type, 0, Qt::NoModifier, 0, keysym, state);
        event.ignore();
        return QCoreApplication::sendEvent(&focused, &event) && event.isAccepted();
    }

    QTemporaryDir dir;
    DefaultsStore store{"com.korvane.verdolin", dir.path()};
    AppSettings settings{store, QStringList(), QStringList()};
    std::shared_ptr<FakeHotKeys> keys = std::make_shared<FakeHotKeys>();
    HotKeyManager manager{keys};
    const QList<ReservedHotKey> reserved{{keyD, control | option, "GNOME"},
                                         {keyE, control | option, {}}};
    ShortcutRecorder recorder{settings, manager, [this] { return reserved; }};
};

TEST_P(ShortcutRecorderTest, PressesWhileRecording) {
    const Row& row = GetParam();
    keys->refused = {keyU, control | option, QString()};
    recorder.start();
    EXPECT_FALSE(keys->held) << "the current shortcut is let go while recording";
    EXPECT_TRUE(press(keyT, ctrlAlt, QEvent::ShortcutOverride)) << "no window shortcut fires";
    for (const auto& [keysym, state] : row.presses)
        EXPECT_TRUE(press(keysym, state)) << "no control sees the press";
    EXPECT_EQ(recorder.recording(), row.recording);
    EXPECT_EQ(recorder.problem(), row.problem);
    EXPECT_EQ(recorder.message(), QString::fromUtf8(row.message));
    EXPECT_EQ(AppSettings(store, QStringList(), QStringList()).hotKey(), row.stored);
    EXPECT_EQ(keys->held, row.recording ? std::nullopt : std::optional(row.stored));
    recorder.stop();
    EXPECT_EQ(keys->held, row.stored);
    EXPECT_EQ(manager.lastStatus(), 0);
    EXPECT_FALSE(press(keyT, ctrlAlt));
}

using P = Problem;
const char* const addCtrl = "Add Ctrl or Alt to the combination.";
const HotKeySpec ctrlShiftA{0x61, control | shift, "Ctrl+Shift+A"};
// clang-format off
const Row rows[] = {
    {"no_ctrl_or_alt", {{keyT, 0}}, true, P::needsModifier, addCtrl, ctrlAltT},
    {"modifiers_then_y", {{controlL, 0}, {altL, ctrl}, {keyY, ctrlAlt}}, false, P::none, "",
     ctrlAltY},
    {"reserved", {{keyD, ctrlAlt}}, true, P::reserved, "GNOME already uses this shortcut.",
     ctrlAltT},
    {"reserved_unnamed", {{keyE, ctrlAlt}}, true, P::reserved,
     "The desktop already uses this shortcut.", ctrlAltT},
    {"taken", {{keyU, ctrlAlt}}, true, P::taken, "Another app already uses this shortcut.",
     ctrlAltT},
    {"escape", {{keyT, 0}, {escape, 0}}, false, P::needsModifier, addCtrl, ctrlAltT},
    {"the_current_one", {{keyT, ctrlAlt}}, false, P::none, "", ctrlAltT},
    {"capital", {{keyA, ctrlShift}}, false, P::none, "", ctrlShiftA},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Rows, ShortcutRecorderTest, testing::ValuesIn(rows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShortcutRecorderTest, ResetTakesTheDefaultBackUnlessAnotherAppHoldsIt) {
    EXPECT_FALSE(recorder.canReset());
    recorder.toggle();
    press(keyY, ctrlAlt);
    EXPECT_TRUE(recorder.canReset());
    recorder.toggle();
    EXPECT_FALSE(recorder.canReset()) << "not while recording";
    recorder.toggle();
    keys->refused = ctrlAltT;
    recorder.reset();
    EXPECT_EQ(recorder.problem(), Problem::taken);
    EXPECT_EQ(keys->held, ctrlAltY);
    keys->refused = {};
    recorder.reset();
    EXPECT_EQ(recorder.label(), "Ctrl+Alt+T");
    EXPECT_EQ(keys->held, ctrlAltT);
    EXPECT_FALSE(recorder.canReset());
}

TEST_F(ShortcutRecorderTest, AShortcutLostAtStartIsToldUntilAnotherIsHeld) {
    int changes = 0;
    QObject::connect(&recorder, &ShortcutRecorder::changed, [&] { ++changes; });
    keys->refused = ctrlAltT;
    manager.registerHotKey(settings.hotKey());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(recorder.message(),
              "Another app already uses this shortcut. Choose a different one.");
    recorder.start();
    press(keyT, 0);
    EXPECT_EQ(recorder.message(), "Add Ctrl or Alt to the combination.");
    press(keyY, ctrlAlt);
    EXPECT_EQ(recorder.message(), "");
}

} // namespace
