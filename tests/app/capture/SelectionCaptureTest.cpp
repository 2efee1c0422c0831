#include "app/capture/SelectionCapture.h"

#include "core/HotKeyMods.h"

#include <QFuture>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>

inline void PrintTo(const CaptureResult& result, std::ostream* out) {
    *out << "kind " << static_cast<int>(result.kind) << " \"" << result.text.toStdString() << '"'
         << (result.clipboardLost ? ", clipboard lost" : "");
}

// The capture's decisions against a scripted desktop: which path runs, what is put back, and
// how the time-out and the worker share one answer.

namespace {

using namespace std::chrono_literals;

class Desktop final : public PermissionProbe,
                      public KeyboardEvents,
                      public SelectionSource,
                      public FocusedWindow,
                      public Pasteboard {
public:
    bool permitted = true;
    quint32 heldMods = 0;
    std::chrono::steady_clock::time_point releaseAt{};
    std::optional<QString> primary;
    bool terminal = false;
    bool snapshotTaken = true;
    ClipboardSnapshot contents;
    quint64 changes = 0;
    quint64 base = 0;
    // What the application copies on the keystroke; nothing when it does not copy.
    std::optional<QString> copies;
    bool copiesConcealed = false;
    bool intruderAfterCopy = false; // another program writes right after the copy
    int failingRestores = 0;
    bool intruderOnFailedRestore = false;
    // Reading the highlighted text or saving the clipboard blocks until the gate opens.
    bool holdPrimary = false;
    bool holdSnapshot = false;
    std::promise<void> gateOpener;
    std::shared_future<void> gate = gateOpener.get_future().share();
    std::once_flag opened;

    int keystrokes = 0;
    int snapshots = 0;
    QList<ClipboardSnapshot> restores;

    void openGate() {
        std::call_once(opened, [this] { gateOpener.set_value(); });
    }

    bool accessibility() override { return permitted; }
    bool inputMonitoring() override { return permitted; }
    quint32 modifiersNow() override {
        if (heldMods && std::chrono::steady_clock::now() >= releaseAt)
            heldMods = 0;
        return heldMods;
    }
    bool postCopyKeystroke() override {
        ++keystrokes;
        changes += copies.has_value();
        return true;
    }
    bool listenAccess() override { return true; }
    quint32 injectorId() const override { return 1; }
    std::optional<QString> selectedText() override {
        if (holdPrimary)
            gate.wait();
        return primary;
    }
    bool isTerminal() override { return terminal; }
    void watchChanges() override { base = changes; }
    quint64 changeCount() override { return changes - base; }
    Saved snapshot() override {
        if (holdSnapshot)
            gate.wait();
        ++snapshots;
        return {snapshotTaken, contents};
    }
    bool hasTypes() override { return true; }
    bool isConcealed() override { return copiesConcealed; }
    std::optional<QString> plainText() override {
        changes += intruderAfterCopy;
        return copies;
    }
    bool restore(const ClipboardSnapshot& saved) override {
        restores.append(saved);
        if (failingRestores == 0)
            return true;
        --failingRestores;
        changes += intruderOnFailedRestore;
        return false;
    }
};

ClipboardSnapshot someContents() {
    ClipboardSnapshot snapshot;
    snapshot.offered = {QStringLiteral("TARGETS"), QStringLiteral("UTF8_STRING")};
    snapshot.targets = {
        {QStringLiteral("UTF8_STRING"), QStringLiteral("UTF8_STRING"), 8, QByteArray("before")}};
    return snapshot;
}

class SelectionCaptureTest : public ::testing::Test {
protected:
    std::shared_ptr<Desktop> desktop = std::make_shared<Desktop>();

    SelectionCapture makeCapture() {
        return SelectionCapture({desktop, desktop, desktop, desktop, desktop});
    }

    // Runs one capture, opens the gate once it has answered and waits for its end.
    CaptureResult run() {
        SelectionCapture capture = makeCapture();
        std::promise<void> finished;
        QFuture<CaptureResult> future = capture.capture([&] { finished.set_value(); });
        const CaptureResult result = future.result();
        desktop->openGate();
        finished.get_future().wait();
        return result;
    }
};

TEST_F(SelectionCaptureTest, WithoutPermissionNothingIsAttemptedAndFinishedComesFirst) {
    desktop->permitted = false;
    desktop->primary = QStringLiteral("selected");
    SelectionCapture capture = makeCapture();
    int finishedCalls = 0;
    QFuture<CaptureResult> future = capture.capture([&] { ++finishedCalls; });
    EXPECT_EQ(finishedCalls, 1);
    EXPECT_EQ(future.result(), CaptureResult::noPermission());
    EXPECT_EQ(desktop->snapshots + desktop->keystrokes, 0);
    EXPECT_EQ(SelectionCapture::running(), 0);
}

enum Script : unsigned {
    highlighted = 1 << 0,    // "  " is highlighted
    emptySelection = 1 << 1, // an owner with an empty selection
    saved = 1 << 2,          // the clipboard held something before
    noCopy = 1 << 3,         // the application does not copy
    whitespace = 1 << 4,     // it copies only white space
    concealed = 1 << 5,
    intruder = 1 << 6, // another program writes right after the copy
    unsaveable = 1 << 7,
    terminal = 1 << 8,
    heldLong = 1 << 9,      // the modifiers are held past the wait
    heldBriefly = 1 << 10,  // and released during it
    slowSnapshot = 1 << 11, // saving the clipboard outlasts the time-out
};

struct PathCase {
    const char* name;
    unsigned script;
    CaptureResult expected;
    int keystrokes;
    int snapshots;
    int restores; // each one puts back exactly what was saved
};

TEST_F(SelectionCaptureTest, ChoosesThePathAndPutsBackOnlyWhatItChanged) {
    const CaptureResult copied = CaptureResult::captured(QStringLiteral("copied"));
    const CaptureResult empty = CaptureResult::empty();
    const PathCase cases[] = {
        {"HighlightedTakenAsItIs", highlighted, CaptureResult::captured("  "), 0, 0, 0},
        {"CopyPath", emptySelection | saved, copied, 1, 1, 1},
        {"EmptyClipboardPutBackEmpty", 0, copied, 1, 1, 1},
        {"OnlyWhitespace", whitespace | saved, empty, 1, 1, 1},
        {"Concealed", concealed, empty, 1, 1, 1},
        {"DoesNotCopy", noCopy | saved, empty, 1, 1, 0},
        {"NewerWriterKeepsItsContents", intruder, copied, 1, 1, 0},
        {"ClipboardCannotBeSaved", unsaveable, CaptureResult::clipboardBusy(), 0, 1, 0},
        {"TerminalGetsNoKeystroke", terminal, empty, 0, 0, 0},
        {"TerminalHighlighted", terminal | highlighted, CaptureResult::captured("  "), 0, 0, 0},
        {"ModifiersHeldTooLong", heldLong, empty, 0, 0, 0},
        {"ModifiersReleasedDuringTheWait", heldBriefly, copied, 1, 1, 1},
        {"NoKeystrokeAfterTheTimeOut", slowSnapshot, empty, 0, 1, 0},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        desktop = std::make_shared<Desktop>();
        Desktop& d = *desktop;
        if (c.script & (highlighted | emptySelection))
            d.primary = c.script & highlighted ? QStringLiteral("  ") : QString();
        d.copies = c.script & whitespace ? QStringLiteral(" \t\n ") : QStringLiteral("copied");
        if (c.script & noCopy)
            d.copies.reset();
        if (c.script & saved)
            d.contents = someContents();
        d.copiesConcealed = c.script & concealed;
        d.intruderAfterCopy = c.script & intruder;
        d.snapshotTaken = !(c.script & unsaveable);
        d.terminal = c.script & terminal;
        if (c.script & (heldLong | heldBriefly)) {
            d.heldMods = HotKeyMods::control;
            d.releaseAt = std::chrono::steady_clock::now() + (c.script & heldLong ? 10s : 100ms);
        }
        d.holdSnapshot = c.script & slowSnapshot;
        EXPECT_EQ(run(), c.expected);
        EXPECT_EQ(d.keystrokes, c.keystrokes);
        EXPECT_EQ(d.snapshots, c.snapshots);
        EXPECT_EQ(d.restores.size(), c.restores);
        for (const ClipboardSnapshot& restored : d.restores)
            EXPECT_EQ(restored, d.contents);
    }
}

struct FailedRestoreCase {
    const char* name;
    int failingRestores;
    bool intruder;
    QString copies;
    int restores;
    bool lost;
};

class SelectionCaptureRestoreTest : public SelectionCaptureTest,
                                    public ::testing::WithParamInterface<FailedRestoreCase> {};

TEST_P(SelectionCaptureRestoreTest, AFailedRestoreIsRetriedOnceAndThenReported) {
    const FailedRestoreCase& c = GetParam();
    desktop->contents = someContents();
    desktop->copies = c.copies;
    desktop->failingRestores = c.failingRestores;
    desktop->intruderOnFailedRestore = c.intruder;
    CaptureResult expected =
        c.copies.trimmed().isEmpty() ? CaptureResult::empty() : CaptureResult::captured(c.copies);
    expected.clipboardLost = c.lost;
    EXPECT_EQ(run(), expected);
    EXPECT_EQ(desktop->restores.size(), c.restores);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionCaptureRestoreTest,
    ::testing::Values(FailedRestoreCase{"FirstTryWorks", 0, false, "copied", 1, false},
                      FailedRestoreCase{"SecondTryWorks", 1, false, "copied", 2, false},
                      FailedRestoreCase{"BothFail", 2, false, "copied", 2, true},
                      FailedRestoreCase{"BothFailWithoutText", 2, false, " ", 2, true},
                      // The newer writer's contents win; nothing of ours is retried over them.
                      FailedRestoreCase{"AnotherProgramWroteMeanwhile", 1, true, "copied", 1,
                                        false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SelectionCaptureTest, TheTimeOutAnswersFirstAndTheWorkerStillFinishesOnce) {
    // The highlighted text arrives after the time-out: the caller already has `empty`.
    desktop->primary = QStringLiteral("late");
    desktop->holdPrimary = true;
    SelectionCapture capture = makeCapture();
    std::atomic<int> finishedCalls{0};
    std::promise<void> finished;
    QFuture<CaptureResult> future = capture.capture([&] {
        ++finishedCalls;
        finished.set_value();
    });
    EXPECT_EQ(future.result(), CaptureResult::empty());
    EXPECT_EQ(finishedCalls.load(), 0);
    EXPECT_EQ(SelectionCapture::running(), 1);
    desktop->openGate();
    finished.get_future().wait();
    EXPECT_EQ(finishedCalls.load(), 1);
    EXPECT_EQ(future.results().size(), 1);
    EXPECT_EQ(SelectionCapture::running(), 0);
}

TEST_F(SelectionCaptureTest, OverlappingCapturesAreCountedWhileTheyRun) {
    desktop->primary = QStringLiteral("text");
    desktop->holdPrimary = true;
    SelectionCapture capture = makeCapture();
    std::promise<void> first;
    std::promise<void> second;
    QFuture<CaptureResult> a = capture.capture([&] { first.set_value(); });
    QFuture<CaptureResult> b = capture.capture([&] { second.set_value(); });
    EXPECT_EQ(SelectionCapture::running(), 2);
    desktop->openGate();
    EXPECT_EQ(a.result(), CaptureResult::captured(QStringLiteral("text")));
    EXPECT_EQ(b.result(), CaptureResult::captured(QStringLiteral("text")));
    first.get_future().wait();
    second.get_future().wait();
    EXPECT_EQ(SelectionCapture::running(), 0);
}

TEST(CaptureResultTest, EqualityComparesTheCaseAndTheText) {
    EXPECT_EQ(CaptureResult::captured(QStringLiteral("a")),
              CaptureResult::captured(QStringLiteral("a")));
    EXPECT_NE(CaptureResult::captured(QStringLiteral("a")),
              CaptureResult::captured(QStringLiteral("b")));
    EXPECT_NE(CaptureResult::empty(), CaptureResult::clipboardBusy());
}

} // namespace
