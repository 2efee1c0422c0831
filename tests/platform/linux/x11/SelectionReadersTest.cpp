#include "platform/linux/x11/ClipboardSnapshotReader.h"
#include "platform/linux/x11/PrimarySelectionReader.h"
#include "tests/platform/linux/x11/ClipboardTestSupport.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using Status = ClipboardSnapshotReader::Status;
using Target = ScriptedClipboardOwner::Target;
using Outcome = PrimarySelectionReader::Outcome;
using Result = PrimarySelectionReader::Result;
using namespace std::chrono_literals;

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
        {{"TARGETS", "UTF8_STRING"}, {{"UTF8_STRING", "UTF8_STRING", 8, "late", 600}}, 65536,
         Status::Busy, {}},
        {two, {{"UTF8_STRING", "UTF8_STRING", 8, "x"}, {"image/png", "image/png", 8, "png", 600}},
         65536, Status::Busy, {}},
        {{"TARGETS", "com.apple.NSFilePromiseItemMetaData", "UTF8_STRING"},
         {{"UTF8_STRING", "UTF8_STRING", 8, "x"}}, 65536, Status::Busy, {}},
        {{"TARGETS", "UTF8_STRING", "text/html"}, {{"UTF8_STRING", "UTF8_STRING", 8, "x"}}, 65536,
         Status::Busy, {"TARGETS", "UTF8_STRING", "text/html"}},
        {two, sized(400, 600), 65536, Status::Taken, {}},
        {two, sized(400, 601), 65536, Status::Busy, {}},
        {two, sized(400, 600), 128, Status::Taken, {}},
        {two, sized(400, 601), 128, Status::Busy, {}},
        {two, sized(1001, 0), 65536, Status::Busy, {}},
        {hint, secret("secret"), 65536, Status::Concealed,
         {"TARGETS", "x-kde-passwordManagerHint"}},
        {hint, secret(QByteArray("secret\0", 7)), 65536, Status::Concealed,
         {"TARGETS", "x-kde-passwordManagerHint"}},
        {hint, secret("public"), 65536, Status::Taken,
         {"TARGETS", "x-kde-passwordManagerHint", "UTF8_STRING"}},
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
    ScriptedClipboardOwner owner(display(), {"TARGETS", "UTF8_STRING"},
                                 {{"UTF8_STRING", "text/plain", 8, "plain"}});
    const std::optional<ClipboardTarget> answer = ClipboardSnapshotReader(display()).fetch(
        QStringLiteral("UTF8_STRING"), QDeadlineTimer(2000), 1024);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->type, QStringLiteral("text/plain"));
    EXPECT_EQ(answer->data, QByteArray("plain"));
}

class PrimarySelectionReaderTest : public ClipboardOnXvfb {
protected:
    // A PRIMARY owner answering UTF8_STRING with `type` (late by `delayMs`), sending more than
    // `chunk` bytes through INCR.
    std::unique_ptr<ScriptedClipboardOwner> own(const QByteArray& data, int chunk = 65536,
                                                const char* type = "UTF8_STRING", int delayMs = 0) {
        return std::make_unique<ScriptedClipboardOwner>(
            display(), QStringList{"TARGETS", "UTF8_STRING"},
            QList<Target>{{"UTF8_STRING", type, 8, data, delayMs}}, chunk, "PRIMARY");
    }
};

// One reader of each kind serves all rows: a failed read leaves it usable.
TEST_F(PrimarySelectionReaderTest, OutcomesOfWhatTheOwnerOffers) {
    QByteArray mixed;
    while (mixed.size() < 1536 * 1024)
        mixed += "ä€x😀";
    const QByteArray big(3 * 1024 * 1024, 'z');
    const struct {
        const char* name;
        QByteArray data; // null: nobody owns PRIMARY
        const char* type;
        int chunk;
        bool capped; // at 1000 bytes
        Result expected;
    } rows[] = {
        // clang-format off
        {"utf-8", "Grüße, 日本語 🙂\n\tsecond line\n", "UTF8_STRING", 65536, false,
         {Outcome::text, QStringLiteral(u"Grüße, 日本語 🙂\n\tsecond line\n")}},
        {"a C string's end", QByteArray("terminated\0", 11), "UTF8_STRING", 65536, false,
         {Outcome::text, "terminated"}},
        {"incremental", big, "UTF8_STRING", 65536, false, {Outcome::text, QString::fromUtf8(big)}},
        // Chunks of an odd size cut the characters apart: joined before decoding.
        {"characters cut apart", mixed, "UTF8_STRING", 65537, false,
         {Outcome::text, QString::fromUtf8(mixed)}},
        {"latin-1", "caf\xe9 \xe0 la cr\xe8me", "STRING", 65536, true,
         {Outcome::text, QStringLiteral(u"café à la crème")}},
        {"html", "<b>bold</b>", "text/html", 65536, true, {Outcome::wrongType, {}}},
        {"an incremental image", QByteArray(300000, 'p'), "image/png", 4096, false,
         {Outcome::wrongType, {}}},
        {"nobody", {}, "", 0, true, {Outcome::noOwner, {}}},
        // The cap is inclusive, and over INCR the chunks count together.
        {"at the cap", QByteArray(1000, 'a'), "UTF8_STRING", 65536, true,
         {Outcome::text, QString(1000, u'a')}},
        {"over the cap", QByteArray(1001, 'b'), "UTF8_STRING", 65536, true,
         {Outcome::tooLarge, {}}},
        {"at the cap by INCR", QByteArray(1000, 'c'), "UTF8_STRING", 600, true,
         {Outcome::text, QString(1000, u'c')}},
        {"over the cap by INCR", QByteArray(5000, 'c'), "UTF8_STRING", 600, true,
         {Outcome::tooLarge, {}}},
        {"small again", "small again", "UTF8_STRING", 65536, true, {Outcome::text, "small again"}},
        // clang-format on
    };
    PrimarySelectionReader reader(m_display), capped(m_display, 1000);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.data.isNull())
            clearOwner();
        const auto owner = row.data.isNull() ? nullptr : own(row.data, row.chunk, row.type);
        EXPECT_TRUE((row.capped ? capped : reader).read(2s, 10s) == row.expected);
    }
    {
        ScriptedClipboardOwner refusing(display(), {"TARGETS"}, {}, 65536, "PRIMARY");
        EXPECT_EQ(reader.read().outcome, Outcome::refused);
    }
    EXPECT_EQ(PrimarySelectionReader(":9999").read().outcome, Outcome::noDisplay);
}

TEST_F(PrimarySelectionReaderTest, GivesUpOnASilentOwnerAndStaysUsable) {
    PrimarySelectionReader reader(m_display);
    {
        const auto late = own("never", 65536, "UTF8_STRING", 1000);
        EXPECT_EQ(reader.read(100ms, 5s).outcome, Outcome::timedOut);
    }
    // The late answer to the abandoned request is not taken for the next owner's.
    const auto next = own("next");
    EXPECT_TRUE(reader.read() == (Result{Outcome::text, QStringLiteral("next")}));
}

TEST_F(PrimarySelectionReaderTest, ServesReadsFromSeveralThreadsOneAtATime) {
    QByteArray text;
    while (text.size() < 200 * 1024)
        text += "line of text ";
    const auto owner = own(text, 8192);
    PrimarySelectionReader reader(m_display);
    std::vector<std::future<Result>> reads;
    for (int i = 0; i < 4; ++i)
        reads.push_back(std::async(std::launch::async, [&] { return reader.read(2s, 20s); }));
    for (auto& read : reads)
        EXPECT_TRUE(read.get() == (Result{Outcome::text, QString::fromUtf8(text)}));
}

} // namespace

VERDOLIN_QT_TEST_MAIN
