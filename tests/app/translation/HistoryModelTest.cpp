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
                                   source.toUpper(), "de", "en"});
    model.refresh();
}

TEST(HistoryModelTest, WriterProcessesRacingTheModelLoseNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath("history.json");
    HistoryModel model(path);
    ProcessGroup writers;
    QSet<QString> expected{"last"};
    for (int i = 0; i < 20; ++i) {
        expected.insert(QString("process %1").arg(i));
        writers.start(HISTORY_ADD_ONE_PATH, {path, QString("process %1").arg(i)});
        if (i % 2 == 0) {
            expected.insert(QString("model %1").arg(i));
            record(model, QString("model %1").arg(i));
        }
    }
    ASSERT_TRUE(writers.allSucceeded());
    // The processes' entries show once the model's next write has merged them in.
    record(model, "last");
    ASSERT_TRUE(model.store().flush());
    model.refresh();

    EXPECT_EQ(sources(model.entries()), expected);
    EXPECT_EQ(model.entries().first().source, "last");
    EXPECT_EQ(sources(HistoryModel(path).entries()), expected);
}

// Deleting and clearing from the screen reach the file at once and are published.
TEST(HistoryModelTest, RemoveAndClearAreOnDiskWhenTheyReturn) {
    QTemporaryDir dir;
    const QString path = dir.filePath("history.json");
    HistoryModel model(path);
    for (const char* text : {"eins", "zwei", "drei"})
        record(model, text);
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
