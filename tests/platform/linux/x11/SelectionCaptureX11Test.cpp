#include "platform/linux/x11/ClipboardSnapshotReader.h"
#include "tests/platform/linux/x11/ClipboardTestSupport.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"
#include "tests/support/SlowedCaptureClock.h"

// Captures on a real X server with a real application: the clipboard put back exactly over many
// trials of the copy path through a Qt text edit. The highlighted text and the copy path's other
// results are run end to end by CaptureCommandTest.

namespace {

using Target = ScriptedClipboardOwner::Target;

// The clipboard contents the trials start from.
enum class Kind { plainText, manyTargets, incrText, empty, concealed, slow };

struct Contents {
    QStringList offered;
    QList<Target> targets;
};

Contents contentsOf(Kind kind, int trial) {
    const QByteArray words = QByteArray("trial ") + QByteArray::number(trial) + " ünïcode";
    switch (kind) {
    case Kind::plainText:
        return {{"TARGETS", "TIMESTAMP", "UTF8_STRING", "STRING"},
                {{"UTF8_STRING", "UTF8_STRING", 8, words, 0},
                 {"STRING", "STRING", 8, QByteArray("trial ") + QByteArray::number(trial), 0}}};
    case Kind::manyTargets: {
        Contents contents{{"TARGETS", "MULTIPLE", "SAVE_TARGETS", "DELETE"}, {}};
        for (int i = 0; i < 20; ++i) {
            const QString name = QStringLiteral("application/x-verdolin-%1").arg(i);
            contents.offered.append(name);
            contents.targets.append({name, name, 8, patternBytes(100 + i * 37, trial * 31 + i), 0});
        }
        contents.offered.append(QStringLiteral("x-special/sixteen"));
        contents.targets.append({"x-special/sixteen", "INTEGER", 16, patternBytes(64, trial), 0});
        contents.offered.append(QStringLiteral("x-special/thirty-two"));
        contents.targets.append(
            {"x-special/thirty-two", "CARDINAL", 32, patternBytes(12, trial + 1), 0});
        contents.offered.append(QStringLiteral("UTF8_STRING"));
        contents.targets.append({"UTF8_STRING", "UTF8_STRING", 8, words, 0});
        return contents;
    }
    case Kind::incrText:
        return {{"TARGETS", "UTF8_STRING", "application/octet-stream"},
                {{"UTF8_STRING", "UTF8_STRING", 8, QByteArray(1200 * 1024, 'a') + words, 0},
                 {"application/octet-stream", "application/octet-stream", 8,
                  patternBytes(1536 * 1024, trial), 0}}};
    case Kind::empty:
        return {};
    case Kind::concealed:
        return {{"TARGETS", "x-kde-passwordManagerHint", "UTF8_STRING"},
                {{"x-kde-passwordManagerHint", "text/plain", 8, "secret", 0},
                 {"UTF8_STRING", "UTF8_STRING", 8, "hunter2", 0}}};
    case Kind::slow:
        return {{"TARGETS", "UTF8_STRING"}, {{"UTF8_STRING", "UTF8_STRING", 8, words, 600}}};
    }
    return {};
}

// Most trials restore; the ones that must stay untouched are rarer, and the slow owner is the
// rarest because each of its trials waits out the snapshot budget.
Kind kindOfTrial(int trial) {
    if (trial % 40 == 39)
        return Kind::slow;
    if (trial % 20 == 9)
        return Kind::concealed;
    static constexpr Kind restored[] = {Kind::plainText, Kind::manyTargets, Kind::incrText,
                                        Kind::empty};
    return restored[trial % 4];
}

class SelectionCaptureX11Test : public ClipboardOnXvfb {};

TEST_F(SelectionCaptureX11Test, TheClipboardIsPutBackExactlyInEveryTrial) {
    // The trials are about the restore, not the time-outs: a loaded machine slows the text
    // edit's copy, so the capture waits four times as long as it would for the user.
    startCapture(std::make_shared<SlowedCaptureClock>(4));
    ASSERT_NE(startTextEdit(QStringLiteral("copied in every trial")), nullptr);
    clearOwner();
    ClipboardSnapshotReader reader(display(), {std::chrono::milliseconds(5000), 64 << 20});
    const int trials = restoreTrials(1000);
    for (int trial = 0; trial < trials; ++trial) {
        SCOPED_TRACE(trial);
        const Kind kind = kindOfTrial(trial);
        const Contents contents = contentsOf(kind, trial);
        std::unique_ptr<ScriptedClipboardOwner> owner;
        if (kind == Kind::empty) {
            clearOwner(m_clipboard);
        } else {
            owner = std::make_unique<ScriptedClipboardOwner>(display(), contents.offered,
                                                             contents.targets);
            ASSERT_TRUE(owner->owning());
        }
        const xcb_window_t ownerBefore = clipboardOwner();
        ClipboardSnapshot before;
        if (kind != Kind::concealed && kind != Kind::slow) {
            ClipboardSnapshotReader::Result read = reader.read();
            ASSERT_EQ(read.status, ClipboardSnapshotReader::Status::Taken);
            before = read.snapshot;
        }

        const CaptureResult result = capture();

        if (kind == Kind::concealed || kind == Kind::slow) {
            EXPECT_EQ(result, CaptureResult::clipboardBusy());
            EXPECT_EQ(clipboardOwner(), ownerBefore);
            if (kind == Kind::concealed) {
                EXPECT_FALSE(owner->requested().contains(QStringLiteral("UTF8_STRING")));
            }
            continue;
        }
        ASSERT_EQ(result, CaptureResult::captured(QStringLiteral("copied in every trial")));
        ClipboardSnapshotReader::Result after = reader.read();
        ASSERT_EQ(after.status, ClipboardSnapshotReader::Status::Taken);
        ASSERT_EQ(after.snapshot.offered, before.offered);
        ASSERT_EQ(after.snapshot.targets.size(), before.targets.size());
        for (qsizetype i = 0; i < before.targets.size(); ++i)
            ASSERT_EQ(after.snapshot.targets.at(i), before.targets.at(i)) << i;
        if (kind == Kind::empty) {
            EXPECT_EQ(clipboardOwner(), XCB_WINDOW_NONE);
        }
    }
}

} // namespace

VERDOLIN_QT_TEST_MAIN
