#include "core/HistoryStore.h"

#include "tests/support/HistoryEntryPrint.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <random>
#include <thread>

namespace {

HistoryEntry makeEntry(const QString& source, const QString& from = QStringLiteral("de"),
                       const QString& to = QStringLiteral("en")) {
    const QDateTime date(QDate(2025, 3, 1), QTime(10, 15), Qt::UTC);
    return HistoryEntry{QUuid::createUuid(), date, source, QStringLiteral("t"), from, to};
}

QList<HistoryEntry> numberedEntries(int count) {
    QList<HistoryEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.append(makeEntry(QStringLiteral("source %1").arg(i)));
    return entries;
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
}

std::optional<QList<HistoryEntry>> readList(const QString& path) {
    return HistoryEntry::decodeList(readBytes(path));
}

class HistoryStoreFile : public testing::Test {
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("history.json")); }
    QString aside() const { return m_dir.filePath(QStringLiteral("history.bad.json")); }
    QTemporaryDir m_dir;
};

TEST(HistoryStore, AddReplacesOnlyAMatchingNewestEntryAndCapacityDropsTheOldest) {
    struct Case {
        std::vector<std::vector<const char*>> adds; // source, from, to
        std::vector<int> kept;                      // newest first
    };
    const Case cases[] = {{{{"s", "de", "en"}, {"s", "de", "en"}}, {1}},
                          {{{"a", "de", "en"}, {"c", "de", "en"}, {"a", "de", "en"}}, {2, 1, 0}},
                          {{{"s", "de", "en"}, {"s", "de", "fr"}}, {1, 0}},
                          {{{"s", "de", "en"}, {"s", "nl", "en"}}, {1, 0}},
                          {{{"s", "de", "en"}, {"S", "de", "en"}}, {1, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.adds.back()[0]);
        HistoryStore store(std::nullopt, 50);
        QList<HistoryEntry> added, expected;
        for (const auto& add : c.adds) {
            added.append(makeEntry(add[0], add[1], add[2]));
            store.add(added.last());
        }
        for (int index : c.kept)
            expected.append(added[index]);
        EXPECT_EQ(store.entries(), expected);
    }
    for (int capacity : {-3, 2}) {
        HistoryStore store(std::nullopt, capacity);
        const QList<HistoryEntry> entries = numberedEntries(3);
        for (const HistoryEntry& entry : entries)
            store.add(entry);
        const QList<HistoryEntry> kept =
            capacity == 2 ? QList<HistoryEntry>{entries[2], entries[1]} : QList<HistoryEntry>{};
        EXPECT_EQ(store.entries(), kept);
    }
}

TEST_F(HistoryStoreFile, UnreadableFilesAreSetAsideKeepingAnOlderAsideFile) {
    // Which entries cannot be read is HistoryEntryJson's concern; the store treats all alike.
    const QByteArray truncated = R"([{"id":"3F2504E0-4F89-41D3)";
    writeBytes(path(), truncated);
    HistoryStore store(path(), 50);
    EXPECT_TRUE(store.entries().isEmpty());
    EXPECT_FALSE(store.loadError());
    EXPECT_FALSE(QFile::exists(path()));
    // The next save starts a fresh file and leaves the aside copy alone.
    const HistoryEntry entry = makeEntry(QStringLiteral("fresh"));
    store.add(entry);
    store.flush();
    EXPECT_EQ(readList(path()), QList<HistoryEntry>{entry});
    EXPECT_EQ(readBytes(aside()), truncated);

    writeBytes(path(), QByteArray("\x00\xff\xfe[]", 5));
    HistoryStore again(path(), 50);
    EXPECT_EQ(readBytes(aside()), QByteArray("\x00\xff\xfe[]", 5));
    EXPECT_EQ(readBytes(m_dir.filePath(QStringLiteral("history.bad.1.json"))), truncated);

    EXPECT_EQ(HistoryStore::asidePath("/d/my.history.json"), "/d/my.history.bad.json");
    EXPECT_EQ(HistoryStore::asidePath("/d.x/history"), "/d.x/history.bad.json");
    EXPECT_EQ(HistoryStore::asidePath("/d/.history"), "/d/.history.bad.json");
}

// What cannot be read (SharedFile tells a folder from a FIFO) is never replaced.
TEST_F(HistoryStoreFile, AnUnreadableFileIsReportedAndNeverReplacedWhileChangesStayInMemory) {
    ASSERT_TRUE(QDir().mkpath(path()));
    HistoryStore store(path(), 50);
    EXPECT_TRUE(store.loadError());
    store.add(makeEntry(QStringLiteral("s")));
    EXPECT_FALSE(store.flush());
    EXPECT_EQ(store.entries().size(), 1);
    EXPECT_TRUE(QFileInfo(path()).isDir());
    EXPECT_FALSE(QFile::exists(aside()));
}

TEST_F(HistoryStoreFile, QueuedWritesOutliveTheStoreThenRemoveAndClearAreSaved) {
    auto writer = std::make_shared<SerialQueue>(QStringLiteral("com.korvane.verdolin.test"));
    std::promise<void> release;
    writer->async([future = release.get_future().share()] { future.wait(); });
    QList<HistoryEntry> expected = numberedEntries(5);
    {
        HistoryStore store(path(), 50, writer);
        for (const HistoryEntry& entry : expected)
            store.add(entry);
    }
    // The writer is still held up, so nothing can have reached the disk yet.
    EXPECT_FALSE(QFile::exists(path()));
    release.set_value();
    writer->flush();
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(readList(path()), expected);

    // Every entry with the identifier goes.
    expected[3].id = expected[1].id;
    writeBytes(path(), *HistoryEntry::encodeList(expected));
    HistoryStore store(path(), 50);
    store.remove(expected[1].id);
    store.flush();
    EXPECT_EQ(readList(path()), (QList<HistoryEntry>{expected[0], expected[2], expected[4]}));
    store.clear();
    store.flush();
    EXPECT_EQ(readBytes(path()), QByteArray("[]"));
}

TEST_F(HistoryStoreFile, AfterAFailedWriteTheNextChangeWritesTheWholeList) {
    const QString blocker = m_dir.filePath(QStringLiteral("folder"));
    const QString nested = blocker + QStringLiteral("/a/history.json");
    writeBytes(blocker, "a file where the folder should be");
    HistoryStore store(nested, 50);
    const HistoryEntry first = makeEntry(QStringLiteral("first"));
    store.add(first);
    EXPECT_FALSE(store.flush());
    EXPECT_EQ(store.entries(), QList<HistoryEntry>{first});

    ASSERT_TRUE(QFile::remove(blocker));
    const HistoryEntry second = makeEntry(QStringLiteral("second"));
    store.add(second);
    EXPECT_TRUE(store.flush());
    EXPECT_EQ(readList(nested), (QList<HistoryEntry>{second, first}));
}

TEST_F(HistoryStoreFile, AWriterKilledAtAnyMomentLeavesAReadableFile) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "random seed " << seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMicroseconds(0, 4000);
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        QProcess child;
        child.start(QStringLiteral(HISTORY_SAVE_LOOP_PATH), {path()});
        // It speaks once its first complete file is on disk, then keeps writing.
        ASSERT_TRUE(child.waitForReadyRead(-1)) << child.errorString().toStdString();
        // Not a wait for time to pass: it picks the random moment of the kill.
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        child.kill();
        ASSERT_TRUE(child.waitForFinished(-1));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);
        HistoryStore store(path(), 50);
        ASSERT_FALSE(QFile::exists(aside()));
        ASSERT_FALSE(store.entries().isEmpty());
        // The file is trimmed on every write, not only in memory.
        ASSERT_LE(store.entries().size(), 50);
    }
}

} // namespace
