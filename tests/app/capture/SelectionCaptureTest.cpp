#include "app/capture/SelectionCapture.h"

#include "core/HotKeyMods.h"
#include "tests/support/ManualCaptureClock.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>

// The capture's decisions against a scripted desktop, on a clock that moves only by the
// capture's own waits: time-outs come at once, exactly when their time has passed.

namespace {

using namespace std::chrono_literals;

class Desktop final : public PermissionProbe,
                      public KeyboardEvents,
                      public SelectionSource,
                      public FocusedWindow,
                      public Pasteboard {
public:
    std::shared_ptr<ManualCaptureClock> clock = std::make_shared<ManualCaptureClock>();
    bool permitted = true, terminal = false, snapshotTaken = true, concealed = false;
    quint32 heldMods = 0;
    CaptureClock::TimePoint releaseAt{};
    CaptureClock::Duration copyDelay{}; // from the keystroke until the clipboard changes
    CaptureClock::TimePoint copiedAt = CaptureClock::TimePoint::max();
    CaptureClock::Duration typesDelay{}; // from the change until the clipboard offers types
    CaptureClock::TimePoint typedAt = CaptureClock::TimePoint::max();
    std::optional<QString> primary, copies = QStringLiteral("copied"); // nothing: does not copy
    ClipboardSnapshot contents;
    quint64 changes = 0, base = 0;
    bool intruderAfterCopy = false, intruderOnFailedRestore = false;
    int failingRestores = 0;
    // Saving the clipboard blocks until the gate opens, after the time-out has passed.
    bool holdSnapshot = false;
    std::promise<void> gateOpener;
    std::shared_future<void> gate = gateOpener.get_future().share();
    std::once_flag opened;
    int keystrokes = 0, snapshots = 0;
    QList<ClipboardSnapshot> restores;

    void openGate() {
        std::call_once(opened, [this] { gateOpener.set_value(); });
    }
    bool accessibility() override { return permitted; }
    bool inputMonitoring() override { return permitted; }
    quint32 modifiersNow() override {
        if (heldMods && clock->now() >= releaseAt)
            heldMods = 0;
        return heldMods;
    }
    bool postCopyKeystroke() override {
        ++keystrokes;
        if (copies)
            copiedAt = clock->now() + copyDelay;
        return true;
    }
    bool listenAccess() override { return true; }
    quint32 injectorId() const override { return 1; }
    std::optional<QString> selectedText() override { return primary; }
    bool isTerminal() override { return terminal; }
    void watchChanges() override { base = changes; }
    quint64 changeCount() override {
        if (clock->now() >= copiedAt) {
            copiedAt = CaptureClock::TimePoint::max();
            typedAt = clock->now() + typesDelay;
            ++changes;
        }
        return changes - base;
    }
    Saved snapshot() override {
        if (holdSnapshot) {
            clock->advance(SelectionCapture::timeout);
            gate.wait();
        }
        ++snapshots;
        return {snapshotTaken, contents};
    }
    bool hasTypes() override { return clock->now() >= typedAt; }
    bool isConcealed() override { return concealed; }
    std::optional<QString> plainText() override {
        changes += intruderAfterCopy;
        return hasTypes() ? copies : std::nullopt;
    }
    bool restore(const ClipboardSnapshot& saved) override {
        restores.append(saved);
        if (failingRestores == 0)
            return true;
        --failingRestores;
        return changes += intruderOnFailedRestore, false;
    }
};

class SelectionCaptureTest : public ::testing::Test {
protected:
    std::shared_ptr<Desktop> desktop = std::make_shared<Desktop>();

    // Runs one capture, opens the gate once it has answered and waits for its end.
    CaptureResult run() {
        SelectionCapture capture({desktop, desktop, desktop, desktop, desktop, desktop->clock});
        std::promise<void> finished;
        const CaptureResult result = capture.capture([&] { finished.set_value(); }).result();
        desktop->openGate();
        finished.get_future().wait();
        return result;
    }

    // A fresh desktop whose clipboard held something before.
    Desktop& fresh() {
        desktop = std::make_shared<Desktop>();
        desktop->contents.offered = {QStringLiteral("TARGETS"), QStringLiteral("UTF8_STRING")};
        desktop->contents.targets = {{"UTF8_STRING", "UTF8_STRING", 8, QByteArray("before")}};
        return *desktop;
    }
};

enum Script : unsigned {
    highlighted = 1 << 0,    // "  " is highlighted
    emptySelection = 1 << 1, // an owner with an empty selection
    noCopy = 1 << 2,
    whitespace = 1 << 3, // it copies only white space
    concealed = 1 << 4,
    intruder = 1 << 5, // another program writes right after the copy
    unsaveable = 1 << 6,
    terminal = 1 << 7,
    heldLong = 1 << 8,      // the modifiers are held just past the wait
    heldBriefly = 1 << 9,   // and released at its very end
    slowSnapshot = 1 << 10, // saving the clipboard outlasts the time-out
    denied = 1 << 11,
    lateCopy = 1 << 12,     // the copy lands one poll after the capture gave up waiting
    copyInTime = 1 << 13,   // and one poll before
    typesLate = 1 << 14,    // the clipboard offers its types only after the settling time
    restoreFails = 1 << 15, // the first restore fails
    restoreFailsTwice = 1 << 16,
    intruderOnFailure = 1 << 17, // another program writes as the first restore fails
};

CaptureResult lost(CaptureResult result) {
    result.clipboardLost = true;
    return result;
}

// A failed restore is retried once, then reported; a newer writer's contents win over ours.
TEST_F(SelectionCaptureTest, ChoosesThePathAndPutsBackOnlyWhatItChanged) {
    const CaptureResult copied = CaptureResult::captured("copied"), empty = CaptureResult::empty();
    // clang-format off
    const struct { const char* name; unsigned script; CaptureResult expected;
        int keystrokes, snapshots, restores; } cases[] = {
        {"HighlightedTakenAsItIs", highlighted, CaptureResult::captured("  "), 0, 0, 0},
        {"CopyPath", emptySelection, copied, 1, 1, 1},
        {"OnlyWhitespace", whitespace, empty, 1, 1, 1},
        {"Concealed", concealed, empty, 1, 1, 1},
        {"DoesNotCopy", noCopy, empty, 1, 1, 0},
        {"NewerWriterKeepsItsContents", intruder, copied, 1, 1, 0},
        {"ClipboardCannotBeSaved", unsaveable, CaptureResult::clipboardBusy(), 0, 1, 0},
        {"TerminalGetsNoKeystroke", terminal, empty, 0, 0, 0},
        {"TerminalHighlighted", terminal | highlighted, CaptureResult::captured("  "), 0, 0, 0},
        {"ModifiersHeldTooLong", heldLong, empty, 0, 0, 0},
        {"ModifiersReleasedDuringTheWait", heldBriefly, copied, 1, 1, 1},
        {"NoKeystrokeAfterTheTimeOut", slowSnapshot, empty, 0, 1, 0},
        {"NoPermissionTriesNothing", denied | highlighted, CaptureResult::noPermission(), 0, 0, 0},
        {"CopyLandingAfterTheGiveUpIsNotWaitedFor", lateCopy, empty, 1, 1, 0},
        {"CopyLandingAtTheGiveUpIsTaken", copyInTime, copied, 1, 1, 1},
        {"TypesOfferedAfterTheSettlingAreWaitedFor", typesLate, copied, 1, 1, 1},
        {"SecondRestoreWorks", restoreFails, copied, 1, 1, 2},
        {"BothRestoresFail", restoreFailsTwice, lost(copied), 1, 1, 2},
        {"AnotherProgramWroteMeanwhile", restoreFails | intruderOnFailure, copied, 1, 1, 1},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Desktop& d = fresh();
        if (c.script & (highlighted | emptySelection))
            d.primary = c.script & highlighted ? QStringLiteral("  ") : QString();
        if (c.script & whitespace)
            d.copies = QStringLiteral(" \t\n ");
        if (c.script & noCopy)
            d.copies.reset();
        d.concealed = c.script & concealed;
        d.intruderAfterCopy = c.script & intruder;
        d.snapshotTaken = !(c.script & unsaveable);
        d.terminal = c.script & terminal;
        d.permitted = !(c.script & denied);
        if (c.script & (heldLong | heldBriefly)) {
            d.heldMods = HotKeyMods::control;
            d.releaseAt =
                d.clock->now() + SelectionCapture::modifierWait + (c.script & heldLong ? 1ns : 0ns);
        }
        if (c.script & (lateCopy | copyInTime))
            d.copyDelay = SelectionCapture::copyPoll * (SelectionCapture::copyGiveUpPoll + 2)
                          - (c.script & copyInTime ? SelectionCapture::copyPoll : 0ms);
        if (c.script & typesLate)
            d.typesDelay = 2 * SelectionCapture::copySettle;
        d.holdSnapshot = c.script & slowSnapshot;
        d.failingRestores = c.script & restoreFailsTwice ? 2 : c.script & restoreFails ? 1 : 0;
        d.intruderOnFailedRestore = c.script & intruderOnFailure;
        EXPECT_EQ(run(), c.expected);
        EXPECT_EQ(d.keystrokes, c.keystrokes);
        EXPECT_EQ(d.snapshots, c.snapshots);
        EXPECT_EQ(d.restores.size(), c.restores);
        for (const ClipboardSnapshot& restored : d.restores)
            EXPECT_EQ(restored, d.contents);
    }
    EXPECT_EQ(SelectionCapture::running(), 0);
}

} // namespace
