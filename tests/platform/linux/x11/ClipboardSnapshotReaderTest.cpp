#include "platform/linux/x11/ClipboardSnapshotReader.h"

#include "tests/platform/linux/x11/ClipboardTestSupport.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using Status = ClipboardSnapshotReader::Status;
using Target = ScriptedClipboardOwner::Target;

namespace {

QStringList namesOf(const ClipboardSnapshot& snapshot) {
    QStringList names;
    for (const ClipboardTarget& target : snapshot.targets)
        names.append(target.name);
    return names;
}

class ClipboardSnapshotReaderTest : public ClipboardOnXvfb {};

TEST_F(ClipboardSnapshotReaderTest, NoOwnerGivesAnEmptySnapshotAndNoDisplayNothing) {
    const ClipboardSnapshotReader::Result result = ClipboardSnapshotReader(display()).read();
    EXPECT_EQ(result.status, Status::Taken);
    EXPECT_TRUE(result.snapshot.isEmpty());
    ClipboardSnapshotReader unavailable(":9999");
    EXPECT_FALSE(unavailable.isValid());
    EXPECT_EQ(unavailable.read().status, Status::Unavailable);
}

// Text first so a slow image cannot starve it; side-effect and meta targets never asked for;
// the snapshot keeps the owner's order all the same.
TEST_F(ClipboardSnapshotReaderTest, FetchesTextFirstAndNeverAsksForSideEffects) {
    const QStringList offered{
        "image/png",       "TARGETS",  "DELETE",           "text/html",    "TIMESTAMP",
        "UTF8_STRING",     "MULTIPLE", "INSERT_SELECTION", "SAVE_TARGETS", "application/x-thing",
        "INSERT_PROPERTY", "STRING"};
    ScriptedClipboardOwner owner(display(), offered,
                                 {{"image/png", "image/png", 8, patternBytes(5000, 1)},
                                  {"text/html", "text/html", 8, "<b>hi</b>"},
                                  {"UTF8_STRING", "UTF8_STRING", 8, "hi"},
                                  {"STRING", "STRING", 8, "hi"},
                                  {"application/x-thing", "INTEGER", 32, patternBytes(12, 2)}});
    ASSERT_TRUE(owner.owning());
    ClipboardSnapshotReader reader(display());
    const ClipboardSnapshotReader::Result result = reader.read();
    ASSERT_EQ(result.status, Status::Taken);
    EXPECT_THAT(owner.requested(), ElementsAre("TARGETS", "text/html", "UTF8_STRING", "STRING",
                                               "image/png", "application/x-thing"));
    EXPECT_EQ(result.snapshot.offered, offered);
    EXPECT_THAT(namesOf(result.snapshot), ElementsAre("image/png", "text/html", "UTF8_STRING",
                                                      "application/x-thing", "STRING"));
    const ClipboardTarget* numbers = result.snapshot.find(QStringLiteral("application/x-thing"));
    ASSERT_NE(numbers, nullptr);
    EXPECT_EQ(numbers->type, QStringLiteral("INTEGER"));
    EXPECT_EQ(numbers->format, 32);
    EXPECT_EQ(numbers->data, patternBytes(12, 2));
}

TEST_F(ClipboardSnapshotReaderTest, IncrTransferArrivesWhole) {
    const QByteArray big = patternBytes(1536 * 1024 + 3, 7);
    ScriptedClipboardOwner owner(display(), {"TARGETS", "UTF8_STRING", "application/octet-stream"},
                                 {{"UTF8_STRING", "UTF8_STRING", 8, "small"},
                                  {"application/octet-stream", "application/octet-stream", 8, big}},
                                 64 * 1024);
    ClipboardSnapshotReader reader(display());
    const ClipboardSnapshotReader::Result result = reader.read();
    ASSERT_EQ(result.status, Status::Taken);
    const ClipboardTarget* data = result.snapshot.find(QStringLiteral("application/octet-stream"));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->data.size(), big.size());
    EXPECT_TRUE(data->data == big);
    EXPECT_EQ(data->type, QStringLiteral("application/octet-stream"));
}

TEST_F(ClipboardSnapshotReaderTest, IncrOfFormat32KeepsFourBytesPerItem) {
    const QByteArray longs = patternBytes(4 * 30000, 9);
    ScriptedClipboardOwner owner(display(), {"TARGETS", "x-numbers"},
                                 {{"x-numbers", "CARDINAL", 32, longs}}, 4096);
    ClipboardSnapshotReader reader(display());
    const ClipboardSnapshotReader::Result result = reader.read();
    ASSERT_EQ(result.status, Status::Taken);
    ASSERT_EQ(result.snapshot.targets.size(), 1);
    EXPECT_EQ(result.snapshot.targets.first(),
              (ClipboardTarget{"x-numbers", "CARDINAL", 32, longs}));
}

struct BusyCase {
    const char* name;
    QStringList offered;
    QList<Target> targets;
};

class ClipboardSnapshotReaderBusyTest : public ClipboardSnapshotReaderTest,
                                        public ::testing::WithParamInterface<BusyCase> {};

// A clipboard that cannot be saved whole is left alone: the owner keeps it.
TEST_P(ClipboardSnapshotReaderBusyTest, IsBusyAndLeavesTheOwnerInPlace) {
    ScriptedClipboardOwner owner(display(), GetParam().offered, GetParam().targets);
    ClipboardSnapshotReader reader(display());
    EXPECT_EQ(reader.read().status, Status::Busy);
    EXPECT_TRUE(owner.owning());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClipboardSnapshotReaderBusyTest,
    ::testing::Values(BusyCase{"OwnerAnswersAfter600ms",
                               {"TARGETS", "UTF8_STRING"},
                               {{"UTF8_STRING", "UTF8_STRING", 8, "late", 600}}},
                      BusyCase{"SlowImageAfterText",
                               {"TARGETS", "image/png", "UTF8_STRING"},
                               {{"UTF8_STRING", "UTF8_STRING", 8, "x"},
                                {"image/png", "image/png", 8, "png", 600}}},
                      BusyCase{"PromisedData",
                               {"TARGETS", "com.apple.NSFilePromiseItemMetaData", "UTF8_STRING"},
                               {{"UTF8_STRING", "UTF8_STRING", 8, "x"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClipboardSnapshotReaderTest, StopsAtTheFirstRefusedTarget) {
    ScriptedClipboardOwner owner(display(), {"TARGETS", "UTF8_STRING", "text/html"},
                                 {{"UTF8_STRING", "UTF8_STRING", 8, "x"}});
    ClipboardSnapshotReader reader(display());
    ASSERT_EQ(reader.read().status, Status::Busy);
    EXPECT_THAT(owner.requested(), ElementsAre("TARGETS", "UTF8_STRING", "text/html"));
}

struct CapCase {
    const char* name;
    qsizetype firstSize;
    qsizetype secondSize;
    int incrChunk;
    Status expected;
};

class ClipboardSnapshotReaderCapTest : public ClipboardSnapshotReaderTest,
                                       public ::testing::WithParamInterface<CapCase> {};

// The cap counts all targets together; reaching it exactly is still allowed.
TEST_P(ClipboardSnapshotReaderCapTest, CapIsInclusive) {
    const CapCase& c = GetParam();
    ScriptedClipboardOwner owner(display(), {"TARGETS", "UTF8_STRING", "image/png"},
                                 {{"UTF8_STRING", "UTF8_STRING", 8, patternBytes(c.firstSize, 1)},
                                  {"image/png", "image/png", 8, patternBytes(c.secondSize, 2)}},
                                 c.incrChunk);
    ClipboardSnapshotReader reader(display(), {std::chrono::milliseconds(500), 1000});
    const ClipboardSnapshotReader::Result result = reader.read();
    EXPECT_EQ(result.status, c.expected);
    if (c.expected == Status::Taken) {
        EXPECT_EQ(result.snapshot.byteCount(), 1000);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ClipboardSnapshotReaderCapTest,
                         ::testing::Values(CapCase{"Exact", 400, 600, 65536, Status::Taken},
                                           CapCase{"OneOver", 400, 601, 65536, Status::Busy},
                                           CapCase{"ExactByIncr", 400, 600, 128, Status::Taken},
                                           CapCase{"OneOverByIncr", 400, 601, 128, Status::Busy},
                                           CapCase{"SingleTargetOver", 1001, 0, 65536,
                                                   Status::Busy}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ConcealCase {
    const char* name;
    QByteArray hint;
    Status expected;
};

class ClipboardSnapshotReaderConcealTest : public ClipboardSnapshotReaderTest,
                                           public ::testing::WithParamInterface<ConcealCase> {};

// Only the marker of a password manager's entry is read, never the secret itself.
TEST_P(ClipboardSnapshotReaderConcealTest, SecretIsNeverRead) {
    ScriptedClipboardOwner owner(
        display(), {"TARGETS", "UTF8_STRING", "x-kde-passwordManagerHint"},
        {{"UTF8_STRING", "UTF8_STRING", 8, "hunter2"},
         {"x-kde-passwordManagerHint", "UTF8_STRING", 8, GetParam().hint}});
    ClipboardSnapshotReader reader(display());
    const ClipboardSnapshotReader::Result result = reader.read();
    EXPECT_EQ(result.status, GetParam().expected);
    if (GetParam().expected == Status::Concealed) {
        EXPECT_THAT(owner.requested(), ElementsAre("TARGETS", "x-kde-passwordManagerHint"));
        EXPECT_TRUE(result.snapshot.isEmpty());
    } else {
        EXPECT_THAT(namesOf(result.snapshot),
                    ElementsAre("UTF8_STRING", "x-kde-passwordManagerHint"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ClipboardSnapshotReaderConcealTest,
                         ::testing::Values(ConcealCase{"Secret", "secret", Status::Concealed},
                                           ConcealCase{"SecretWithNul", QByteArray("secret\0", 7),
                                                       Status::Concealed},
                                           ConcealCase{"NotSecret", "public", Status::Taken}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClipboardSnapshotReaderTest, FetchReportsTheOwnersTypeNotTheTargetsName) {
    // xclip answers any target with its own type; the capture has to see that.
    xclipIn("plain", QStringLiteral("text/plain"));
    ClipboardSnapshotReader reader(display());
    const std::optional<ClipboardTarget> answer =
        reader.fetch(QStringLiteral("UTF8_STRING"), QDeadlineTimer(2000), 1024);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->type, QStringLiteral("text/plain"));
    EXPECT_EQ(answer->data, QByteArray("plain"));
}

} // namespace

VERDOLIN_QT_TEST_MAIN
