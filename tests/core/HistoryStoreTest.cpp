#include "core/HistoryStore.h"

#include "tests/support/HistoryEntryPrint.h"
#include "tests/support/ProcessGroup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

QDateTime utc(int second, int ms = 0) {
    return QDateTime(QDate(2025, 3, 1), QTime(10, 15, second, ms), Qt::UTC);
}

HistoryEntry makeEntry(const QString& source, const QString& from = QStringLiteral("de"),
                       const QString& to = QStringLiteral("en")) {
    return HistoryEntry{QUuid::createUuid(),          utc(30), source,
                        QStringLiteral("translated"), from,    to};
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
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path() const { return m_dir.filePath(QStringLiteral("history.json")); }
    QString aside() const { return m_dir.filePath(QStringLiteral("history.bad.json")); }
    QStringList files() const {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
};

// --- Adding ---

struct AddCase {
    const char* name;
    std::vector<std::vector<const char*>> adds; // source, from, to
    std::vector<int> kept;                      // indices into adds, newest first
};

class HistoryStoreAdd : public testing::TestWithParam<AddCase> {};

TEST_P(HistoryStoreAdd, ReplacesOnlyAMatchingNewestEntry) {
    HistoryStore store(std::nullopt, 50);
    QList<HistoryEntry> added;
    for (const auto& add : GetParam().adds) {
        added.append(makeEntry(add[0], add[1], add[2]));
        store.add(added.last());
    }
    QList<HistoryEntry> expected;
    for (int index : GetParam().kept)
        expected.append(added[index]);
    EXPECT_EQ(store.entries(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, HistoryStoreAdd,
    testing::Values(AddCase{"sameSourceAndLanguages", {{"s", "de", "en"}, {"s", "de", "en"}}, {1}},
                    AddCase{"onlyNewestCompared",
                            {{"a", "de", "en"}, {"c", "de", "en"}, {"a", "de", "en"}},
                            {2, 1, 0}},
                    AddCase{"otherTarget", {{"s", "de", "en"}, {"s", "de", "fr"}}, {1, 0}},
                    AddCase{"otherSourceLanguage", {{"s", "de", "en"}, {"s", "nl", "en"}}, {1, 0}},
                    AddCase{"sourceDiffersInCase", {{"s", "de", "en"}, {"S", "de", "en"}}, {1, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HistoryStoreCapacity, TheFiftyFirstAdditionDropsTheOldest) {
    HistoryStore store(std::nullopt, 50);
    const QList<HistoryEntry> entries = numberedEntries(51);
    for (const HistoryEntry& entry : entries)
        store.add(entry);
    ASSERT_EQ(store.entries().size(), 50);
    EXPECT_EQ(store.entries().first(), entries[50]);
    EXPECT_EQ(store.entries().last(), entries[1]);
}

TEST(HistoryStoreCapacity, ZeroOrNegativeCapacityKeepsNothing) {
    for (int capacity : {0, -3}) {
        HistoryStore store(std::nullopt, capacity);
        store.add(makeEntry(QStringLiteral("a")));
        EXPECT_TRUE(store.entries().isEmpty()) << "capacity " << capacity;
    }
}

// --- Loading ---

TEST_F(HistoryStoreFile, LoadsALongerFileWholeAndTrimsOnlyOnTheNextAdd) {
    const QList<HistoryEntry> eighty = numberedEntries(80);
    writeBytes(path(), *HistoryEntry::encodeList(eighty));
    HistoryStore store(path(), 50);
    EXPECT_EQ(store.entries(), eighty);

    const HistoryEntry newest = makeEntry(QStringLiteral("newest"));
    store.add(newest);
    store.flush();
    QList<HistoryEntry> expected = eighty.first(49);
    expected.prepend(newest);
    EXPECT_EQ(store.entries(), expected);
    EXPECT_EQ(readList(path()), expected);
}

TEST_F(HistoryStoreFile, MissingFileStartsEmptyAndCreatesNothing) {
    HistoryStore store(path(), 50);
    store.flush();
    EXPECT_TRUE(store.entries().isEmpty());
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(HistoryStoreFile, RemovingAnAbsentIdentifierRewritesTheSameList) {
    const QList<HistoryEntry> entries = numberedEntries(3);
    QJsonArray array;
    for (const HistoryEntry& entry : entries) {
        QJsonObject object = *entry.toJson();
        object.insert(QStringLiteral("comment"), QStringLiteral("ignored"));
        array.append(object);
    }
    writeBytes(path(), QJsonDocument(array).toJson(QJsonDocument::Indented));
    HistoryStore store(path(), 50);
    EXPECT_EQ(store.entries(), entries);

    store.remove(QUuid::createUuid());
    store.flush();
    EXPECT_EQ(store.entries(), entries);
    EXPECT_EQ(readBytes(path()), *HistoryEntry::encodeList(entries));
}

struct CorruptCase {
    const char* name;
    QByteArray data;
};

class HistoryStoreCorrupt : public HistoryStoreFile,
                            public testing::WithParamInterface<CorruptCase> {};

TEST_P(HistoryStoreCorrupt, StartsEmptyAndSetsTheFileAside) {
    writeBytes(path(), GetParam().data);
    HistoryStore store(path(), 50);
    EXPECT_TRUE(store.entries().isEmpty());
    EXPECT_FALSE(store.loadError());
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(readBytes(aside()), GetParam().data);

    // The next save starts a fresh file and leaves the aside copy alone.
    const HistoryEntry entry = makeEntry(QStringLiteral("fresh"));
    store.add(entry);
    store.flush();
    EXPECT_EQ(readList(path()), QList<HistoryEntry>{entry});
    EXPECT_EQ(readBytes(aside()), GetParam().data);
}

QByteArray goodThenChanged(const char* key, const QJsonValue& value) {
    QJsonObject changed = *makeEntry(QStringLiteral("s")).toJson();
    if (value.isUndefined())
        changed.remove(QLatin1String(key));
    else
        changed.insert(QLatin1String(key), value);
    QJsonObject good = *makeEntry(QStringLiteral("good")).toJson();
    return QJsonDocument(QJsonArray{good, changed}).toJson(QJsonDocument::Compact);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HistoryStoreCorrupt,
    testing::Values(
        CorruptCase{"entryWithoutResult", goodThenChanged("result", QJsonValue::Undefined)},
        CorruptCase{"fractionalSeconds", goodThenChanged("date", "2025-03-01T10:15:30.250Z")},
        CorruptCase{"truncated", QByteArray(R"([{"id":"3F2504E0-4F89-41D3)")},
        CorruptCase{"empty", QByteArray()}, CorruptCase{"binary", QByteArray("\x00\xff\xfe[]", 5)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HistoryStoreFile, SettingAsideKeepsTheOlderAsideFile) {
    writeBytes(aside(), "older unreadable history");
    writeBytes(path(), "[{}]");
    HistoryStore store(path(), 50);
    EXPECT_TRUE(store.entries().isEmpty());
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(readBytes(aside()), QByteArray("[{}]"));
    EXPECT_EQ(readBytes(m_dir.filePath(QStringLiteral("history.bad.1.json"))),
              QByteArray("older unreadable history"));
}

// Things root cannot read either: neither is replaced, and a FIFO is not waited on.
struct UnreadableCase {
    const char* name;
    bool (*make)(const QString& path);
    bool (*stillThere)(const QFileInfo& info);
};

class HistoryStoreUnreadable : public HistoryStoreFile,
                               public testing::WithParamInterface<UnreadableCase> {};

TEST_P(HistoryStoreUnreadable, IsReportedAndNeverReplacedWhileChangesStayInMemory) {
    ASSERT_TRUE(GetParam().make(path()));
    HistoryStore store(path(), 50);
    EXPECT_TRUE(store.loadError());
    EXPECT_TRUE(store.entries().isEmpty());
    const HistoryEntry entry = makeEntry(QStringLiteral("s"));
    store.add(entry);
    EXPECT_FALSE(store.flush());
    EXPECT_EQ(store.entries(), QList<HistoryEntry>{entry});
    EXPECT_TRUE(GetParam().stillThere(QFileInfo(path())));
    EXPECT_FALSE(QFile::exists(aside()));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, HistoryStoreUnreadable,
    testing::Values(UnreadableCase{"folder", [](const QString& p) { return QDir().mkpath(p); },
                                   [](const QFileInfo& info) { return info.isDir(); }},
                    UnreadableCase{"fifo",
                                   [](const QString& p) {
                                       return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0;
                                   },
                                   [](const QFileInfo& info) {
                                       return info.exists() && !info.isFile() && !info.isDir();
                                   }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HistoryStoreAsidePath, ReplacesTheExtension) {
    EXPECT_EQ(HistoryStore::asidePath("/d/history.json"), "/d/history.bad.json");
    EXPECT_EQ(HistoryStore::asidePath("/d/my.history.json"), "/d/my.history.bad.json");
    EXPECT_EQ(HistoryStore::asidePath("/d.x/history"), "/d.x/history.bad.json");
    EXPECT_EQ(HistoryStore::asidePath("/d/.history"), "/d/.history.bad.json");
}

// --- Saving ---

TEST_F(HistoryStoreFile, RoundTripKeepsOrderAndDropsFractionsOfASecond) {
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
        store.flush();
    }
    EXPECT_EQ(HistoryStore(path(), 50).entries(), expected);
}

TEST_F(HistoryStoreFile, ManyChangesThenFlushLeaveExactlyTheFinalList) {
    HistoryStore store(path(), 50);
    const QList<HistoryEntry> entries = numberedEntries(120);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        store.add(entries[i]);
        if (i % 7 == 0)
            store.remove(entries[i - i % 3].id);
    }
    store.flush();
    ASSERT_FALSE(store.entries().isEmpty());
    EXPECT_EQ(readList(path()), store.entries());
}

TEST_F(HistoryStoreFile, RemoveDropsEveryEntryWithTheIdentifier) {
    QList<HistoryEntry> entries = numberedEntries(4);
    entries[2].id = entries[0].id;
    writeBytes(path(), *HistoryEntry::encodeList(entries));
    HistoryStore store(path(), 50);
    store.remove(entries[0].id);
    store.flush();
    const QList<HistoryEntry> expected{entries[1], entries[3]};
    EXPECT_EQ(store.entries(), expected);
    EXPECT_EQ(readList(path()), expected);
}

TEST_F(HistoryStoreFile, ClearLeavesAnEmptyArray) {
    HistoryStore store(path(), 50);
    store.add(makeEntry(QStringLiteral("a")));
    store.clear();
    store.flush();
    EXPECT_TRUE(store.entries().isEmpty());
    EXPECT_EQ(readBytes(path()), QByteArray("[]"));
}

TEST_F(HistoryStoreFile, CreatesTheFolderWithItsParents) {
    const QString nested = m_dir.filePath(QStringLiteral("a/b/c/history.json"));
    HistoryStore store(nested, 50);
    const HistoryEntry entry = makeEntry(QStringLiteral("s"));
    store.add(entry);
    store.flush();
    EXPECT_EQ(readList(nested), QList<HistoryEntry>{entry});
}

TEST_F(HistoryStoreFile, AfterAFailedWriteTheNextChangeWritesTheWholeList) {
    const QString blocker = m_dir.filePath(QStringLiteral("folder"));
    const QString nested = blocker + QStringLiteral("/history.json");
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

TEST_F(HistoryStoreFile, DestroyingTheStoreKeepsQueuedWrites) {
    const QList<HistoryEntry> entries = numberedEntries(30);
    {
        HistoryStore store(path(), 50);
        for (const HistoryEntry& entry : entries)
            store.add(entry);
    }
    EXPECT_EQ(readList(path()), QList<HistoryEntry>(entries.rbegin(), entries.rend()));
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

TEST_F(HistoryStoreFile, WithoutALocationNothingIsTouched) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    {
        HistoryStore store(std::nullopt, 2);
        const QList<HistoryEntry> entries = numberedEntries(3);
        for (const HistoryEntry& entry : entries)
            store.add(entry);
        EXPECT_EQ(store.entries(), (QList<HistoryEntry>{entries[2], entries[1]}));
        store.remove(entries[2].id);
        EXPECT_EQ(store.entries(), QList<HistoryEntry>{entries[1]});
        store.clear();
        store.flush();
        EXPECT_TRUE(store.entries().isEmpty());
    }
    QDir::setCurrent(previous);
    EXPECT_TRUE(files().isEmpty());
}

// --- Other processes ---

TEST_F(HistoryStoreFile, ConcurrentWriterProcessesKeepEveryEntry) {
    ProcessGroup writers;
    QSet<QString> expected;
    for (int i = 0; i < 20; ++i) {
        expected.insert(QStringLiteral("text %1").arg(i));
        writers.start(QStringLiteral(HISTORY_ADD_ONE_PATH),
                      {path(), QStringLiteral("text %1").arg(i)});
    }
    ASSERT_TRUE(writers.allSucceeded());
    QSet<QString> sources;
    for (const HistoryEntry& entry : readList(path()).value_or(QList<HistoryEntry>()))
        sources.insert(entry.source);
    EXPECT_EQ(sources, expected);
}

// --- Crashes ---

TEST_F(HistoryStoreFile, AWriterKilledAtAnyMomentLeavesAReadableFile) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "random seed " << seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMicroseconds(0, 4000);

    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        QProcess child;
        child.start(QStringLiteral(HISTORY_SAVE_LOOP_PATH), {path()});
        ASSERT_TRUE(child.waitForStarted(-1)) << child.errorString().toStdString();
        // It speaks once its first complete file is on disk, then keeps writing.
        ASSERT_TRUE(child.waitForReadyRead(-1)) << child.errorString().toStdString();
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
