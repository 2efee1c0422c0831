#include "core/SharedFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

bool writeBytes(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

TEST(SharedFile, ReadTakesOnlyRegularFilesWithoutWaiting) {
    using Status = SharedFile::Status;
    const struct {
        const char* name;
        // Puts something at the path; nothing when null.
        bool (*make)(const QString& path);
        Status status;
        QByteArray data;
    } cases[] = {
        {"missing", nullptr, Status::Missing, {}},
        {"regular", [](const QString& p) { return writeBytes(p, QByteArray(100000, 'x')); },
         Status::Read, QByteArray(100000, 'x')},
        {"empty", [](const QString& p) { return writeBytes(p, {}); }, Status::Read, {}},
        {"folder", [](const QString& p) { return QDir().mkpath(p); }, Status::Unreadable, {}},
        {"fifo",
         [](const QString& p) { return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0; },
         Status::Unreadable,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("file.json"));
        if (c.make) {
            ASSERT_TRUE(c.make(path));
        }
        const SharedFile::Contents contents = SharedFile(path).read();
        EXPECT_EQ(contents.status, c.status);
        EXPECT_EQ(contents.data, c.data);
        EXPECT_EQ(contents.error.isEmpty(), c.status != Status::Unreadable);
    }
}

TEST(SharedFileSetAside, KeepsTheNewestCopiesInTurn) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.json"));
    const QString aside = dir.filePath(QStringLiteral("history.bad.json"));
    const int rounds = SharedFile::keptAsideCopies + 2;
    for (int i = 0; i < rounds; ++i) {
        ASSERT_TRUE(writeBytes(path, QByteArray::number(i)));
        ASSERT_TRUE(SharedFile(path).setAside(aside));
    }
    EXPECT_FALSE(QFile::exists(path));
    for (int n = 0; n < SharedFile::keptAsideCopies; ++n)
        EXPECT_EQ(readBytes(SharedFile::numberedAside(aside, n)),
                  QByteArray::number(rounds - 1 - n));
    EXPECT_FALSE(QFile::exists(SharedFile::numberedAside(aside, SharedFile::keptAsideCopies)));
}

} // namespace
