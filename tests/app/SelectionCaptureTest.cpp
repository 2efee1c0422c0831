#include "app/SelectionCapture.h"

#include "core/HotKeyMods.h"

#include <QFuture>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

inline void PrintTo(const CaptureResult& result, std::ostream* out) {
    *out << "kind " << static_cast<int>(result.kind) << " \"" << result.text.toStdString() << '"'
         << (result.clipboardLost ? ", clipboard lost" : "");
}

// The capture's decisions against scripted desktop services: which path runs, what is put
// back, and how the time-out and the worker share one answer.

namespace {

using namespace std::chrono_literals;

struct Desktop {
    std::mutex lock;
    bool permitted = true;
    quint32 heldMods = 0;
    std::chrono::steady_clock::time_point releaseAt{};
    std::optional<QString> primary;
    std::chrono::milliseconds primaryDelay{0};
    bool terminal = false;

    // The clipboard.
    bool snapshotTaken = true;
    std::chrono::milliseconds snapshotDelay{0};
    ClipboardSnapshot contents;
    quint64 changes = 0;
    // What the application puts on the clipboard when it gets the copy keystroke; nothing
    // when it does not copy.
    std::optional<QString> copies;
    bool copiesConcealed = false;
    // Another program writes right after the copy has settled.
    bool intruderAfterCopy = false;

    // The next restores that fail, and whether another program writes when one fails.
    int failingRestores = 0;
    bool intruderOnFailedRestore = false;

    int keystrokes = 0;
    int snapshots = 0;
    QList<ClipboardSnapshot> restores;
    std::optional<QString> current;
    bool currentConcealed = false;
};

class ScriptedPermissions final : public PermissionProbe {
public:
    explicit ScriptedPermissions(std::shared_ptr<Desktop> d)
        : m_d(std::move(d)) {}
    bool accessibility() override { return m_d->permitted; }
    bool inputMonitoring() override { return m_d->permitted; }

private:
    std::shared_ptr<Desktop> m_d;
};

class ScriptedKeyboard final : public KeyboardEvents {
public:
    explicit ScriptedKeyboard(std::shared_ptr<Desktop> d)
        : m_d(std::move(d)) {}
    quint32 modifiersNow() override {
        std::lock_guard lock(m_d->lock);
        if (m_d->heldMods && std::chrono::steady_clock::now() >= m_d->releaseAt)
            m_d->heldMods = 0;
        return m_d->heldMods;
    }
    bool postCopyKeystroke() override {
        std::lock_guard lock(m_d->lock);
        ++m_d->keystrokes;
        if (m_d->copies) {
            m_d->current = m_d->copies;
            m_d->currentConcealed = m_d->copiesConcealed;
            ++m_d->changes;
        }
        return true;
    }
    bool listenAccess() override { return true; }
    quint32 injectorId() const override { return 1; }

private:
    std::shared_ptr<Desktop> m_d;
};

class ScriptedSelection final : public SelectionSource {
public:
    explicit ScriptedSelection(std::shared_ptr<Desktop> d)
        : m_d(std::move(d)) {}
    std::optional<QString> selectedText() override {
        std::this_thread::sleep_for(m_d->primaryDelay);
        return m_d->primary;
    }

private:
    std::shared_ptr<Desktop> m_d;
};

class ScriptedWindow final : public FocusedWindow {
public:
    explicit ScriptedWindow(std::shared_ptr<Desktop> d)
        : m_d(std::move(d)) {}
    bool isTerminal() override { return m_d->terminal; }

private:
    std::shared_ptr<Desktop> m_d;
};

class ScriptedPasteboard final : public Pasteboard {
public:
    explicit ScriptedPasteboard(std::shared_ptr<Desktop> d)
        : m_d(std::move(d)) {}
    void watchChanges() override {
        std::lock_guard lock(m_d->lock);
        m_base = m_d->changes;
    }
    quint64 changeCount() override {
        std::lock_guard lock(m_d->lock);
        return m_d->changes - m_base;
    }
    Saved snapshot() override {
        std::this_thread::sleep_for(m_d->snapshotDelay);
        std::lock_guard lock(m_d->lock);
        ++m_d->snapshots;
        return {m_d->snapshotTaken, m_d->contents};
    }
    bool hasTypes() override { return true; }
    bool isConcealed() override {
        std::lock_guard lock(m_d->lock);
        return m_d->currentConcealed;
    }
    std::optional<QString> plainText() override {
        std::lock_guard lock(m_d->lock);
        const std::optional<QString> text = m_d->current;
        if (m_d->intruderAfterCopy)
            ++m_d->changes;
        return text;
    }
    bool restore(const ClipboardSnapshot& contents) override {
        std::lock_guard lock(m_d->lock);
        m_d->restores.append(contents);
        if (m_d->failingRestores == 0)
            return true;
        --m_d->failingRestores;
        if (m_d->intruderOnFailedRestore)
            ++m_d->changes;
        return false;
    }

private:
    std::shared_ptr<Desktop> m_d;
    quint64 m_base = 0;
};

struct Outcome {
    CaptureResult result;
    int finishedCalls = 0;
};

class SelectionCaptureTest : public ::testing::Test {
protected:
    std::shared_ptr<Desktop> desktop = std::make_shared<Desktop>();

    SelectionCapture makeCapture() {
        SelectionCapture::Services services;
        services.permissions = std::make_shared<ScriptedPermissions>(desktop);
        services.keyboard = std::make_shared<ScriptedKeyboard>(desktop);
        services.selection = std::make_shared<ScriptedSelection>(desktop);
        services.focusedWindow = std::make_shared<ScriptedWindow>(desktop);
        services.pasteboard = std::make_shared<ScriptedPasteboard>(desktop);
        return SelectionCapture(std::move(services));
    }

    // Runs one capture and waits for both its answer and its end.
    CaptureResult run() {
        SelectionCapture capture = makeCapture();
        std::promise<void> finished;
        QFuture<CaptureResult> future = capture.capture([&] { finished.set_value(); });
        const CaptureResult result = future.result();
        finished.get_future().wait();
        return result;
    }

    static ClipboardSnapshot someContents() {
        ClipboardSnapshot snapshot;
        snapshot.offered = {QStringLiteral("TARGETS"), QStringLiteral("UTF8_STRING")};
        snapshot.targets = {{QStringLiteral("UTF8_STRING"), QStringLiteral("UTF8_STRING"), 8,
                             QByteArray("before")}};
        return snapshot;
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
    EXPECT_EQ(desktop->snapshots, 0);
    EXPECT_EQ(desktop->keystrokes, 0);
    EXPECT_EQ(SelectionCapture::running(), 0);
}

TEST_F(SelectionCaptureTest, TheHighlightedTextWinsAndIsTakenAsItIs) {
    desktop->primary = QStringLiteral("   ");
    EXPECT_EQ(run(), CaptureResult::captured(QStringLiteral("   ")));
    desktop->primary = QStringLiteral("  two words\n");
    EXPECT_EQ(run(), CaptureResult::captured(QStringLiteral("  two words\n")));
    EXPECT_EQ(desktop->keystrokes, 0);
    EXPECT_EQ(desktop->snapshots, 0);
}

TEST_F(SelectionCaptureTest, TheCopyPathTakesTheCopiedTextAndPutsTheClipboardBack) {
    desktop->primary = QString(); // an owner with an empty selection
    desktop->contents = someContents();
    desktop->copies = QStringLiteral("copied text");
    EXPECT_EQ(run(), CaptureResult::captured(QStringLiteral("copied text")));
    EXPECT_EQ(desktop->keystrokes, 1);
    ASSERT_EQ(desktop->restores.size(), 1);
    EXPECT_EQ(desktop->restores.first(), someContents());
}

TEST_F(SelectionCaptureTest, AnEmptyClipboardIsPutBackEmpty) {
    desktop->copies = QStringLiteral("copied");
    EXPECT_EQ(run(), CaptureResult::captured(QStringLiteral("copied")));
    ASSERT_EQ(desktop->restores.size(), 1);
    EXPECT_TRUE(desktop->restores.first().isEmpty());
}

TEST_F(SelectionCaptureTest, CopiesWithoutUsableTextAreEmptyButStillRestored) {
    desktop->contents = someContents();
    desktop->copies = QStringLiteral(" \t\n ");
    EXPECT_EQ(run(), CaptureResult::empty());
    desktop->copies = QStringLiteral("a password");
    desktop->copiesConcealed = true;
    EXPECT_EQ(run(), CaptureResult::empty());
    EXPECT_EQ(desktop->restores.size(), 2);
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

TEST_F(SelectionCaptureTest, AnApplicationThatDoesNotCopyLeavesTheClipboardAlone) {
    desktop->contents = someContents();
    EXPECT_EQ(run(), CaptureResult::empty());
    EXPECT_EQ(desktop->keystrokes, 1);
    EXPECT_TRUE(desktop->restores.isEmpty());
}

TEST_F(SelectionCaptureTest, ANewerWriterKeepsItsContents) {
    desktop->contents = someContents();
    desktop->copies = QStringLiteral("copied");
    desktop->intruderAfterCopy = true;
    EXPECT_EQ(run(), CaptureResult::captured(QStringLiteral("copied")));
    EXPECT_TRUE(desktop->restores.isEmpty());
}

TEST_F(SelectionCaptureTest, AClipboardThatCannotBeSavedIsNeverTouched) {
    desktop->snapshotTaken = false;
    desktop->copies = QStringLiteral("copied");
    EXPECT_EQ(run(), CaptureResult::clipboardBusy());
    EXPECT_EQ(desktop->keystrokes, 0);
    EXPECT_TRUE(desktop->restores.isEmpty());
}

TEST_F(SelectionCaptureTest, ATerminalNeverGetsTheCopyKeystroke) {
    desktop->terminal = true;
    desktop->copies = QStringLiteral("copied");
    EXPECT_EQ(run(), CaptureResult::empty());
    EXPECT_EQ(desktop->keystrokes, 0);
    EXPECT_EQ(desktop->snapshots, 0);
    // The highlighted text is still read in a terminal.
    desktop->primary = QStringLiteral("ls -l");
    EXPECT_EQ(run(), CaptureResult::captured(QStringLiteral("ls -l")));
}

TEST_F(SelectionCaptureTest, ModifiersHeldTooLongMeanNoKeystroke) {
    desktop->heldMods = HotKeyMods::control;
    desktop->releaseAt = std::chrono::steady_clock::now() + 10s;
    desktop->copies = QStringLiteral("copied");
    EXPECT_EQ(run(), CaptureResult::empty());
    EXPECT_EQ(desktop->keystrokes, 0);
    // Released during the wait: the copy goes ahead.
    desktop->heldMods = HotKeyMods::control;
    desktop->releaseAt = std::chrono::steady_clock::now() + 100ms;
    EXPECT_EQ(run(), CaptureResult::captured(QStringLiteral("copied")));
    EXPECT_EQ(desktop->keystrokes, 1);
}

TEST_F(SelectionCaptureTest, TheTimeOutAnswersFirstAndTheWorkerStillFinishesOnce) {
    // The highlighted text arrives after the time-out: the caller already has `empty`.
    desktop->primary = QStringLiteral("late");
    desktop->primaryDelay = SelectionCapture::timeout + 500ms;
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
    finished.get_future().wait();
    EXPECT_EQ(finishedCalls.load(), 1);
    EXPECT_EQ(future.results().size(), 1);
    EXPECT_EQ(SelectionCapture::running(), 0);
}

TEST_F(SelectionCaptureTest, AfterTheTimeOutNoKeystrokeIsPosted) {
    desktop->snapshotDelay = SelectionCapture::timeout + 300ms;
    desktop->copies = QStringLiteral("copied");
    EXPECT_EQ(run(), CaptureResult::empty());
    EXPECT_EQ(desktop->snapshots, 1);
    EXPECT_EQ(desktop->keystrokes, 0);
}

TEST_F(SelectionCaptureTest, OverlappingCapturesAreCountedWhileTheyRun) {
    desktop->primary = QStringLiteral("text");
    desktop->primaryDelay = 300ms;
    SelectionCapture capture = makeCapture();
    std::promise<void> first;
    std::promise<void> second;
    QFuture<CaptureResult> a = capture.capture([&] { first.set_value(); });
    QFuture<CaptureResult> b = capture.capture([&] { second.set_value(); });
    EXPECT_EQ(SelectionCapture::running(), 2);
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
