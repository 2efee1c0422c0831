#include "platform/linux/x11/ClipboardSnapshotReader.h"

#include "tests/platform/linux/x11/ClipboardTestSupport.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using Status = ClipboardSnapshotReader::Status;
using Target = ScriptedClipboardOwner::Target;

namespace {

class ClipboardSnapshotReaderTest : public ClipboardOnXvfb {};

TEST_F(ClipboardSnapshotReaderTest, NoOwnerGivesAnEmptySnapshotAndNoDisplayNothing) {
    const ClipboardSnapshotReader::Result result = ClipboardSnapshotReader(display()).read();
    EXPECT_EQ(result.status, Status::Taken);
    EXPECT_TRUE(result.snapshot.isEmpty());
    EXPECT_EQ(ClipboardSnapshotReader(":9999").read().status, Status::Unavailable);
}

// Text first so a slow image cannot starve it; side-effect and meta targets never asked for;
// the snapshot keeps the owner's order all the same. Large targets arrive whole through INCR.
TEST_F(ClipboardSnapshotReaderTest, FetchesTextFirstNeverAsksForSideEffectsAndJoinsIncr) {
    const QStringList offered{
        "image/png",       "TARGETS",  "DELETE",           "text/html",    "TIMESTAMP",
        "UTF8_STRING",     "MULTIPLE", "INSERT_SELECTION", "SAVE_TARGETS", "application/x-thing",
        "INSERT_PROPERTY", "STRING"};
    const QList<Target> targets{{"image/png", "image/png", 8, patternBytes(1536 * 1024 + 3, 1)},
                                {"text/html", "text/html", 8, "<b>hi</b>"},
                                {"UTF8_STRING", "UTF8_STRING", 8, "hi"},
                                {"STRING", "STRING", 8, "hi"},
                                {"application/x-thing", "CARDINAL", 32, patternBytes(120000, 2)}};
    ScriptedClipboardOwner owner(display(), offered, targets, 4096);
    const ClipboardSnapshotReader::Result result =
        ClipboardSnapshotReader(display(), {std::chrono::milliseconds(5000), 16 << 20}).read();
    ASSERT_EQ(result.status, Status::Taken);
    EXPECT_THAT(owner.requested(), ElementsAre("TARGETS", "text/html", "UTF8_STRING", "STRING",
                                               "image/png", "application/x-thing"));
    EXPECT_EQ(result.snapshot.offered, offered);
    const QList<Target> kept{targets[0], targets[1], targets[2], targets[4], targets[3]};
    ASSERT_EQ(result.snapshot.targets.size(), kept.size());
    for (qsizetype i = 0; i < kept.size(); ++i)
        EXPECT_EQ(result.snapshot.targets[i],
                  (ClipboardTarget{kept[i].name, kept[i].type, kept[i].format, kept[i].data}))
            << i;
}

// A clipboard that cannot be saved whole (or holds a password) is left alone, and the secret
// itself is never read. The cap counts all targets together and is inclusive.
TEST_F(ClipboardSnapshotReaderTest, ReadsWhatCanBeSavedWholeAndLeavesTheRestAlone) {
    const QStringList hint{"TARGETS", "UTF8_STRING", "x-kde-passwordManagerHint"};
    const QStringList two{"TARGETS", "UTF8_STRING", "image/png"};
    const auto sized = [](qsizetype first, qsizetype second) {
        return QList<Target>{{"UTF8_STRING", "UTF8_STRING", 8, patternBytes(first, 1)},
                             {"image/png", "image/png", 8, patternBytes(second, 2)}};
    };
    const auto secret = [](const QByteArray& marker) {
        return QList<Target>{{"UTF8_STRING", "UTF8_STRING", 8, "hunter2"},
                             {"x-kde-passwordManagerHint", "UTF8_STRING", 8, marker}};
    };
    const struct {
        QStringList offered;
        QList<Target> targets;
        int chunk;
        Status expected;
        QStringList requested; // checked when given
    } cases[] = {
        // clang-format off
        {{"TARGETS", "UTF8_STRING"}, {{"UTF8_STRING", "UTF8_STRING", 8, "late", 600}}, 65536, Status::Busy, {}},
        {two, {{"UTF8_STRING", "UTF8_STRING", 8, "x"}, {"image/png", "image/png", 8, "png", 600}}, 65536, Status::Busy, {}},
        {{"TARGETS", "com.apple.NSFilePromiseItemMetaData", "UTF8_STRING"}, {{"UTF8_STRING", "UTF8_STRING", 8, "x"}}, 65536, Status::Busy, {}},
        {{"TARGETS", "UTF8_STRING", "text/html"}, {{"UTF8_STRING", "UTF8_STRING", 8, "x"}}, 65536, Status::Busy, {"TARGETS", "UTF8_STRING", "text/html"}},
        {two, sized(400, 600), 65536, Status::Taken, {}},
        {two, sized(400, 601), 65536, Status::Busy, {}},
        {two, sized(400, 600), 128, Status::Taken, {}},
        {two, sized(400, 601), 128, Status::Busy, {}},
        {two, sized(1001, 0), 65536, Status::Busy, {}},
        {hint, secret("secret"), 65536, Status::Concealed, {"TARGETS", "x-kde-passwordManagerHint"}},
        {hint, secret(QByteArray("secret\0", 7)), 65536, Status::Concealed, {"TARGETS", "x-kde-passwordManagerHint"}},
        {hint, secret("public"), 65536, Status::Taken, {"TARGETS", "x-kde-passwordManagerHint", "UTF8_STRING"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offered.join(' ').toStdString() + " " + std::to_string(c.chunk));
        ScriptedClipboardOwner owner(display(), c.offered, c.targets, c.chunk);
        const ClipboardSnapshotReader::Result result =
            ClipboardSnapshotReader(display(), {std::chrono::milliseconds(500), 1000}).read();
        EXPECT_EQ(result.status, c.expected);
        EXPECT_TRUE(owner.owning());
        if (!c.requested.isEmpty()) {
            EXPECT_EQ(owner.requested(), c.requested);
        }
        if (c.expected != Status::Taken) {
            EXPECT_TRUE(result.snapshot.isEmpty());
        }
    }
}

TEST_F(ClipboardSnapshotReaderTest, FetchReportsTheOwnersTypeNotTheTargetsName) {
    // xclip answers any target with its own type; the capture has to see that.
    xclipIn("plain", QStringLiteral("text/plain"));
    const std::optional<ClipboardTarget> answer = ClipboardSnapshotReader(display()).fetch(
        QStringLiteral("UTF8_STRING"), QDeadlineTimer(2000), 1024);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->type, QStringLiteral("text/plain"));
    EXPECT_EQ(answer->data, QByteArray("plain"));
}

} // namespace

VERDOLIN_QT_TEST_MAIN
