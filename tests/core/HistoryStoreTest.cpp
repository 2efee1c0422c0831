#include "core/HistoryStore.h"

#include "tests/support/HistoryEntryPrint.h"
#include "tests/support/ProcessGroup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <random>
#include <sys/stat.h>
#include <thread>

namespace {

QDateTime utc(int second, int ms = 0) {
    return QDateTime(QDate(2025, 3, 1), QTime(10, 15, second, ms), Qt::UTC);
}

HistoryEntry makeEntry(const QString& source, const QString& from = QStringLiteral("de"),
                       const QString& to = QStringLiteral("en")) {
    return HistoryEntry{QUuid::createUuid(), utc(30), source, QStringLiteral("t"), from, to};
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
    QStringList files() const {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
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
    for (int capacity : {0, -3, 2}) {
        HistoryStore store(std::nullopt, capacity);
        const QList<HistoryEntry> entries = numberedEntries(3);
        for (const HistoryEntry& entry : entries)
            store.add(entry);
        const QList<HistoryEntry> kept =
            capacity == 2 ? QList<HistoryEntry>{entries[2], entries[1]} : QList<HistoryEntry>{};
        EXPECT_EQ(store.entries(), kept);
    }
}

TEST_F(HistoryStoreFile, LoadsALongerFileWholeAndTrimsOnlyOnTheNextAdd) {
    const QList<HistoryEntry> eighty = numberedEntries(80);
    writeBytes(path(), *HistoryEntry::encodeList(eighty));
    HistoryStore store(path(), 50);
    EXPECT_EQ(store.entries(), eighty);

    store.add(makeEntry(QStringLiteral("newest")));
    store.flush();
    QList<HistoryEntry> expected = eighty.first(49);
    expected.prepend(store.entries().first());
    EXPECT_EQ(store.entries(), expected);
    EXPECT_EQ(readList(path()), expected);
}

TEST_F(HistoryStoreFile, UnreadableFilesAreSetAsideKeepingAnOlderAsideFile) {
    // Which entries cannot be read is HistoryEntryJson's concern; the store treats all alike.
    const QByteArray cases[] = {R"([{"id":"3F2504E0-4F89-41D3)", QByteArray(),
                                QByteArray("\x00\xff\xfe[]", 5)};
    for (const QByteArray& data : cases) {
        SCOPED_TRACE(data.toStdString());
        QFile::remove(path());
        QFile::remove(aside());
        writeBytes(path(), data);
        HistoryStore store(path(), 50);
        EXPECT_TRUE(store.entries().isEmpty());
        EXPECT_FALSE(store.loadError());
        EXPECT_FALSE(QFile::exists(path()));
        // The next save starts a fresh file and leaves the aside copy alone.
        const HistoryEntry entry = makeEntry(QStringLiteral("fresh"));
        store.add(entry);
        store.flush();
        EXPECT_EQ(readList(path()), QList<HistoryEntry>{entry});
        EXPECT_EQ(readBytes(aside()), data);
    }
    writeBytes(path(), "[{}]");
    HistoryStore store(path(), 50);
    EXPECT_EQ(readBytes(aside()), QByteArray("[{}]"));
    EXPECT_EQ(readBytes(m_dir.filePath(QStringLiteral("history.bad.1.json"))), cases[2]);

    EXPECT_EQ(HistoryStore::asidePath("/d/my.history.json"), "/d/my.history.bad.json");
    EXPECT_EQ(HistoryStore::asidePath("/d.x/history"), "/d.x/history.bad.json");
    EXPECT_EQ(HistoryStore::asidePath("/d/.history"), "/d/.history.bad.json");
}

// Things root cannot read either: neither is replaced, and a FIFO is not waited on.
TEST_F(HistoryStoreFile, AFolderOrFifoIsReportedAndNeverReplacedWhileChangesStayInMemory) {
    for (bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "fifo" : "folder");
        ASSERT_TRUE(fifo ? ::mkfifo(QFile::encodeName(path()).constData(), 0600) == 0
                         : QDir().mkpath(path()));
        HistoryStore store(path(), 50);
        EXPECT_TRUE(store.loadError());
        EXPECT_TRUE(store.entries().isEmpty());
        store.add(makeEntry(QStringLiteral("s")));
        EXPECT_FALSE(store.flush());
        EXPECT_EQ(store.entries().size(), 1);
        const QFileInfo info(path());
        EXPECT_TRUE(fifo ? info.exists() && !info.isFile() && !info.isDir() : info.isDir());
        EXPECT_FALSE(QFile::exists(aside()));
        QFile::remove(path()) || QDir().rmdir(path());
    }
}

TEST_F(HistoryStoreFile, SavingRemovingAndClearing) {
    QList<HistoryEntry> expected;
    {
        HistoryStore store(path(), 50);
        for (int i = 0; i < 5; ++i) {
            HistoryEntry entry = makeEntry(QStringLiteral("source %1").arg(i));
            entry.date = utc(i, 123 * i);
            store.add(entry);
            entry.date = utc(i);
            expected.prepend(entry);
        }
        // Destroying the store keeps the queued writes.
    }
    HistoryStore store(path(), 50);
    EXPECT_EQ(store.entries(), expected);

    expected[3].id = expected[1].id;
    writeBytes(path(), *HistoryEntry::encodeList(expected));
    HistoryStore again(path(), 50);
    again.remove(expected[1].id);
    again.flush();
    EXPECT_EQ(readList(path()), (QList<HistoryEntry>{expected[0], expected[2], expected[4]}));

    again.clear();
    again.flush();
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

TEST_F(HistoryStoreFile, WritesOnTheGivenQueueEvenAfterTheStoreIsGone) {
    auto writer = std::make_shared<SerialQueue>(QStringLiteral("com.korvane.verdolin.test"));
    std::promise<void> release;
    writer->async([future = release.get_future().share()] { future.wait(); });
    const HistoryEntry entry = makeEntry(QStringLiteral("s"));
    {
        HistoryStore store(path(), 50, writer);
        store.add(entry);
    }
    // The writer is still held up, so nothing can have reached the disk yet.
    EXPECT_FALSE(QFile::exists(path()));
    release.set_value();
    writer->flush();
    EXPECT_EQ(readList(path()), QList<HistoryEntry>{entry});
}

TEST_F(HistoryStoreFile, WithoutALocationOrWithAMissingFileNothingIsCreated) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    {
        HistoryStore store(std::nullopt, 2);
        store.add(makeEntry(QStringLiteral("a")));
        store.remove(store.entries().first().id);
        store.flush();
        EXPECT_TRUE(store.entries().isEmpty());
        HistoryStore missing(path(), 50);
        missing.flush();
        EXPECT_TRUE(missing.entries().isEmpty());
    }
    QDir::setCurrent(previous);
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(HistoryStoreFile, ConcurrentWriterProcessesKeepEveryEntry) {
    ProcessGroup writers;
    QSet<QString> expected, sources;
    for (int i = 0; i < 20; ++i) {
        expected.insert(QStringLiteral("text %1").arg(i));
        writers.start(QStringLiteral(HISTORY_ADD_ONE_PATH),
                      {path(), QStringLiteral("text %1").arg(i)});
    }
    ASSERT_TRUE(writers.allSucceeded());
    for (const HistoryEntry& entry : readList(path()).value_or(QList<HistoryEntry>()))
        sources.insert(entry.source);
    EXPECT_EQ(sources, expected);
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
        ASSERT_LE(store.entries().size(), 50);
    }
}

} // namespace
