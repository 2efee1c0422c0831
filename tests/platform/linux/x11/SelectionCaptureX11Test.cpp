#include "platform/linux/x11/ClipboardSnapshotReader.h"
#include "tests/platform/linux/x11/ClipboardTestSupport.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"
#include "tests/support/SlowedCaptureClock.h"

// The copy path through a real Qt text edit: the clipboard put back exactly over many trials.
// A clipboard that is not saved (busy, concealed) is left to the reader's and capture's tests.

namespace {

using Target = ScriptedClipboardOwner::Target;

enum class Kind { manyTargets, incrText, empty };

struct Contents {
    QStringList offered;
    QList<Target> targets;
};

Contents contentsOf(Kind kind, int trial) {
    const QByteArray words = QByteArray("trial ") + QByteArray::number(trial) + " ünïcode";
    switch (kind) {
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
        break;
    }
    return {};
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
        const Kind kind = Kind(trial % 3);
        const Contents contents = contentsOf(kind, trial);
        std::unique_ptr<ScriptedClipboardOwner> owner;
        if (kind == Kind::empty) {
            clearOwner(m_clipboard);
        } else {
            owner = std::make_unique<ScriptedClipboardOwner>(display(), contents.offered,
                                                             contents.targets);
            ASSERT_TRUE(owner->owning());
        }
        const ClipboardSnapshotReader::Result before = reader.read();
        ASSERT_EQ(before.status, ClipboardSnapshotReader::Status::Taken);
        ASSERT_EQ(capture(), CaptureResult::captured(QStringLiteral("copied in every trial")));
        const ClipboardSnapshotReader::Result after = reader.read();
        ASSERT_EQ(after.status, ClipboardSnapshotReader::Status::Taken);
        ASSERT_TRUE(after.snapshot == before.snapshot);
        if (kind == Kind::empty) {
            EXPECT_EQ(clipboardOwner(), XCB_WINDOW_NONE);
        }
    }
}

} // namespace

VERDOLIN_QT_TEST_MAIN
