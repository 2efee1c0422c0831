#include "core/HistoryStore.h"

#include "core/HistoryEntry.h"
#include "core/SerialQueue.h"
#include "core/SharedFile.h"
#include "tests/support/HistoryEntryPrint.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <numeric>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

const QString label = QStringLiteral("com.korvane.verdolin.test");

std::function<void()> heldUntil(std::promise<void>& release) {
    return [future = release.get_future().share()] { future.wait(); };
}

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::UTC);
}

HistoryEntry makeEntry(const QString& source, const QString& from = QStringLiteral("de"),
                       const QString& to = QStringLiteral("en")) {
    return HistoryEntry{
        QUuid::createUuid(), utc(2025, 3, 1, 10, 15, 30), source, QStringLiteral("t"), from, to};
}

HistoryEntry sampleEntry() {
    HistoryEntry entry = makeEntry(QStringLiteral("Guten Morgen"));
    entry.id = QUuid::fromString(QStringLiteral("3F2504E0-4F89-41D3-9A0C-0305E82C3301"));
    entry.result = QStringLiteral("Good morning");
    return entry;
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

std::optional<QList<HistoryEntry>> readList(const QString& path) {
    return HistoryEntry::decodeList(readBytes(path));
}

// Dates are written in UTC, fractions of a second towards the earlier second; dates that could
// not be read back refuse the whole list rather than write a file the next start sets aside.
TEST(HistoryEntryJson, WritesCompactlyInWholeUtcSecondsAndRoundTrips) {
    EXPECT_EQ(HistoryEntry::encodeList({sampleEntry()}),
              QByteArray(R"([{"date":"2025-03-01T10:15:30Z","from":"de",)"
                         R"("id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301",)"
                         R"("result":"Good morning","source":"Guten Morgen","to":"en"}])"));
    // clang-format off
    const struct { QDateTime date; const char* written; } cases[] = {
        {QDateTime(QDate(2025, 3, 1), QTime(11, 15, 30, 999), Qt::OffsetFromUTC, 3600),
         "2025-03-01T10:15:30Z"},
        {utc(1969, 12, 31, 23, 59, 59, 500), "1969-12-31T23:59:59Z"},
        {utc(1, 1, 1, 0, 0, 0), "0001-01-01T00:00:00Z"},
        {utc(9999, 12, 31, 23, 59, 59, 999), "9999-12-31T23:59:59Z"},
        {QDateTime(), nullptr}, {utc(-1, 12, 31, 23, 0, 0), nullptr},
        {utc(10000, 1, 1, 0, 0, 0), nullptr}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.date.toString(Qt::ISODateWithMs).toStdString());
        HistoryEntry entry = sampleEntry();
        entry.source = QStringLiteral("\"q\"\n\t\u00e9\U0001F600\\ %1").arg(QChar(0));
        entry.date = c.date;
        const auto encoded = HistoryEntry::encodeList({sampleEntry(), entry});
        if (!c.written) {
            EXPECT_FALSE(entry.toJson());
            EXPECT_FALSE(encoded);
            continue;
        }
        EXPECT_EQ(entry.toJson().value_or(QJsonObject()).value("date").toString(), c.written);
        entry.date = QDateTime::fromString(c.written, Qt::ISODate);
        EXPECT_EQ(HistoryEntry::decodeList(encoded.value_or("")),
                  (QList<HistoryEntry>{sampleEntry(), entry}));
    }
}

// One entry changed as given (Undefined: removed); a bad one spoils the whole array.
TEST(HistoryEntryJson, ReadsOnlyTheAcceptedForms) {
    // clang-format off
    const struct { const char* key; QJsonValue value; bool read; } cases[] = {
        {"id", "3f2504e0-4f89-41d3-9a0c-0305e82c3301", true},
        {"date", "2025-03-02T09:15:30+23:00", true},
        {"date", "2025-02-28T23:16:30-10:59", true},
        {"Source", "an unknown key is ignored", true},
        {"id", QJsonValue::Undefined, false}, {"date", QJsonValue::Undefined, false},
        {"source", QJsonValue::Undefined, false}, {"result", QJsonValue::Undefined, false},
        {"from", QJsonValue::Undefined, false}, {"to", QJsonValue::Undefined, false},
        {"date", 1740824130, false}, {"id", "{3F2504E0-4F89-41D3-9A0C-0305E82C3301}", false},
        {"id", "3F2504E0-4F89-41D3-9A0C-0305E82C3301\n", false},
        {"date", "2025-03-01T10:15:30.5Z", false},
        {"date", "2025-03-01T10:15:30", false}, {"date", "2025-03-01t10:15:30z", false},
        {"date", "2025-02-30T10:15:30Z", false}, {"date", "2025-03-01T24:00:00Z", false},
        {"date", "2025-03-01T10:15:30+24:00", false}, {"date", "2025-03-01T10:15:30+01:60", false},
        {"date", "9999-12-31T23:30:00-01:00", false}, {"date", "2025-03-01T10:15:30Z\n", false},
        {"date", QString::fromUtf8("\u0662\u0660\u0662\u0665-03-01T10:15:30Z"), false}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.key << " " << c.value.toVariant().toString().toStdString());
        QJsonObject changed = *sampleEntry().toJson();
        if (c.value.isUndefined())
            changed.remove(QLatin1String(c.key));
        else
            changed[QLatin1String(c.key)] = c.value;
        const QJsonArray array{*sampleEntry().toJson(), changed};
        const auto decoded = HistoryEntry::decodeList(QJsonDocument(array).toJson());
        EXPECT_EQ(decoded,
                  c.read ? std::optional(QList<HistoryEntry>(2, sampleEntry())) : std::nullopt);
    }
    for (const char* document : {"", "{}", "[1]", "[", "[] []"})
        EXPECT_FALSE(HistoryEntry::decodeList(QByteArray(document))) << document;
}

// A flush waits for a blocked item; what is still queued when the queue goes runs all the same,
// in order, past a flush from an item and a throw.
TEST(SerialQueue, RunsItemsInSubmissionOrderOnOneOtherThread) {
    std::promise<void> first, second;
    std::vector<int> order, expected(500);
    std::vector<std::thread::id> threads;
    const auto push = [&](int i) {
        order.push_back(i);
        threads.push_back(std::this_thread::get_id());
    };
    {
        SerialQueue queue(label);
        queue.async(heldUntil(first));
        queue.async([&] { queue.flush(); });
        queue.async([] { throw std::runtime_error("disk gone"); });
        for (int i = 0; i < 250; ++i)
            queue.async([&, i] { push(i); });
        auto flushed = std::async(std::launch::async, [&] { queue.flush(); });
        EXPECT_EQ(flushed.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
        EXPECT_TRUE(order.empty());
        first.set_value();
        flushed.get();
        EXPECT_EQ(order.size(), 250u);
        queue.async(heldUntil(second));
        for (int i = 250; i < 500; ++i)
            queue.async([&, i] { push(i); });
        second.set_value();
    }
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(std::count(threads.begin(), threads.end(), threads.front()), 500);
    EXPECT_NE(threads.front(), std::this_thread::get_id());
}

// Holds the last reference to the queue; dropping it on the worker thread must not try to
// join that very thread.
struct LastReference {
    std::shared_ptr<SerialQueue> queue;
    std::promise<void>* dropped;
    ~LastReference() {
        queue.reset();
        dropped->set_value();
    }
};

TEST(SerialQueue, LastReferenceDroppedByOwnItemDoesNotDeadlock) {
    std::promise<void> release, dropped;
    auto queue = std::make_shared<SerialQueue>(label);
    queue->async(heldUntil(release));
    queue->async([holder = std::make_shared<LastReference>(queue, &dropped)] {});
    queue.reset();
    release.set_value();
    dropped.get_future().wait();
}

class HistoryStoreFile : public testing::Test {
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("history.json")); }
    QString aside() const { return m_dir.filePath(QStringLiteral("history.bad.json")); }
    QTemporaryDir m_dir;
};

TEST(HistoryStore, AddReplacesOnlyAMatchingNewestEntryAndCapacityDropsTheOldest) {
    // Adds as source/from/to; kept: the indexes of the adds left, newest first.
    // clang-format off
    const struct { QStringList adds; int capacity; std::vector<int> kept; } cases[] = {
        {{"s/de/en", "s/de/en"}, 50, {1}}, {{"a/de/en", "c/de/en", "a/de/en"}, 50, {2, 1, 0}},
        {{"s/de/en", "s/de/fr"}, 50, {1, 0}}, {{"s/de/en", "s/nl/en"}, 50, {1, 0}},
        {{"s/de/en", "S/de/en"}, 50, {1, 0}}, {{"a/de/en", "b/de/en", "c/de/en"}, 2, {2, 1}},
        {{"a/de/en", "b/de/en", "c/de/en"}, -3, {}}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.adds.join(u' ').toStdString() + " capacity " + std::to_string(c.capacity));
        HistoryStore store(std::nullopt, c.capacity);
        QList<HistoryEntry> added, expected;
        for (const QString& add : c.adds) {
            const QStringList parts = add.split(u'/');
            added.append(makeEntry(parts[0], parts[1], parts[2]));
            store.add(added.last());
        }
        for (int index : c.kept)
            expected.append(added[index]);
        EXPECT_EQ(store.entries(), expected);
    }
}

// Which entries cannot be read is HistoryEntryJson's concern; the store treats all alike.
TEST_F(HistoryStoreFile, UnreadableFilesAreSetAsideKeepingTheNewestAsideCopies) {
    const QByteArray truncated = R"([{"id":"3F2504E0-4F89-41D3)";
    ASSERT_TRUE(writeBytes(path(), truncated));
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

    const int rounds = SharedFile::keptAsideCopies + 1;
    for (int i = 0; i < rounds; ++i) {
        ASSERT_TRUE(writeBytes(path(), QByteArray::number(i)));
        HistoryStore again(path(), 50);
    }
    for (int n = 0; n < SharedFile::keptAsideCopies; ++n)
        EXPECT_EQ(readBytes(SharedFile::numberedAside(aside(), n)),
                  QByteArray::number(rounds - 1 - n));
    EXPECT_FALSE(QFile::exists(SharedFile::numberedAside(aside(), SharedFile::keptAsideCopies)));

    EXPECT_EQ(HistoryStore::asidePath("/d/my.history.json"), "/d/my.history.bad.json");
    EXPECT_EQ(HistoryStore::asidePath("/d.x/history"), "/d.x/history.bad.json");
    EXPECT_EQ(HistoryStore::asidePath("/d/.history"), "/d/.history.bad.json");
}

// What cannot be read is never replaced: a folder, a FIFO that must not block the reader, a file
// where its folder should be. Changes stay in memory, and once the way is clear the next change
// writes them all.
TEST_F(HistoryStoreFile, AnUnreadableFileIsReportedAndNeverReplacedWhileChangesStayInMemory) {
    // clang-format off
    const struct { const char *blocker, *file; bool (*make)(const QString&); } cases[] = {
        {"folder.json", "folder.json", [](const QString& p) { return QDir().mkpath(p); }},
        {"fifo.json", "fifo.json",
         [](const QString& p) { return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0; }},
        {"folder", "folder/a/history.json", [](const QString& p) { return writeBytes(p, "x"); }}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString blocker = m_dir.filePath(c.blocker), file = m_dir.filePath(c.file);
        ASSERT_TRUE(c.make(blocker));
        HistoryStore store(file, 50);
        EXPECT_TRUE(store.loadError());
        const HistoryEntry first = makeEntry(QStringLiteral("first"));
        store.add(first);
        EXPECT_FALSE(store.flush());
        EXPECT_EQ(store.entries(), QList<HistoryEntry>{first});
        EXPECT_TRUE(QFileInfo::exists(blocker));
        EXPECT_FALSE(QFileInfo(file).isFile());
        EXPECT_FALSE(QFile::exists(HistoryStore::asidePath(file)));

        ASSERT_TRUE(QFile::remove(blocker) || QDir().rmdir(blocker));
        const HistoryEntry second = makeEntry(QStringLiteral("second"));
        store.add(second);
        EXPECT_TRUE(store.flush());
        EXPECT_EQ(readList(file), (QList<HistoryEntry>{second, first}));
    }
}

TEST_F(HistoryStoreFile, QueuedWritesOutliveTheStoreThenRemoveAndClearAreSaved) {
    auto writer = std::make_shared<SerialQueue>(label);
    std::promise<void> release;
    writer->async(heldUntil(release));
    QList<HistoryEntry> expected;
    for (const char* source : {"a", "b", "c", "d", "e"})
        expected.append(makeEntry(source));
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
    ASSERT_TRUE(writeBytes(path(), *HistoryEntry::encodeList(expected)));
    HistoryStore store(path(), 50);
    store.remove(expected[1].id);
    store.flush();
    EXPECT_EQ(readList(path()), (QList<HistoryEntry>{expected[0], expected[2], expected[4]}));
    store.clear();
    store.flush();
    EXPECT_EQ(readBytes(path()), QByteArray("[]"));
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
