#include "app/translation/HistoryModel.h"

#include "tests/support/ProcessGroup.h"

#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QSet<QString> sources(const QList<HistoryEntry>& entries) {
    QSet<QString> result;
    for (const HistoryEntry& entry : entries)
        result.insert(entry.source);
    return result;
}

void record(HistoryModel& model, const QString& source) {
    model.store().add(HistoryEntry{QUuid::createUuid(),
                                   QDateTime(QDate(2025, 3, 1), QTime(9, 0), Qt::UTC), source,
                                   source.toUpper(), QStringLiteral("de"), QStringLiteral("en")});
    model.refresh();
}

TEST(HistoryModelTest, WriterProcessesRacingTheModelLoseNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.json"));
    HistoryModel model(path);
    ProcessGroup writers;
    QSet<QString> expected;
    for (int i = 0; i < 20; ++i) {
        const QString text = QStringLiteral("process %1").arg(i);
        expected.insert(text);
        writers.start(QStringLiteral(HISTORY_ADD_ONE_PATH), {path, text});
        if (i % 2 == 0) {
            expected.insert(QStringLiteral("model %1").arg(i));
            record(model, QStringLiteral("model %1").arg(i));
        }
    }
    ASSERT_TRUE(writers.allSucceeded());
    // The processes' entries show once the model's next write has merged them in.
    expected.insert(QStringLiteral("last"));
    record(model, QStringLiteral("last"));
    ASSERT_TRUE(model.store().flush());
    model.refresh();

    EXPECT_EQ(sources(model.entries()), expected);
    EXPECT_EQ(model.entries().first().source, QStringLiteral("last"));
    EXPECT_EQ(sources(HistoryModel(path).entries()), expected);
}

// Deleting and clearing from the screen reach the file at once and are published.
TEST(HistoryModelTest, RemoveAndClearAreOnDiskWhenTheyReturn) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.json"));
    HistoryModel model(path);
    for (const char* text : {"eins", "zwei", "drei"})
        record(model, QString::fromLatin1(text));
    int published = 0;
    QObject::connect(&model, &HistoryModel::entriesChanged, [&] { ++published; });

    model.remove(model.entries().at(1).id);
    EXPECT_EQ(published, 1);
    EXPECT_EQ(sources(model.entries()), (QSet<QString>{"eins", "drei"}));
    EXPECT_EQ(sources(HistoryModel(path).entries()), sources(model.entries()));

    model.clear();
    EXPECT_TRUE(model.entries().isEmpty());
    EXPECT_TRUE(HistoryModel(path).entries().isEmpty());
}

} // namespace
