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

void writeBytes(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
}

struct ReadCase {
    const char* name;
    // Puts something at the path; nothing when null.
    bool (*make)(const QString& path);
    SharedFile::Status status;
    QByteArray data;
};

class SharedFileRead : public testing::TestWithParam<ReadCase> {};

TEST_P(SharedFileRead, TakesOnlyRegularFilesWithoutWaiting) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("file.json"));
    if (GetParam().make) {
        ASSERT_TRUE(GetParam().make(path));
    }
    const SharedFile::Contents contents = SharedFile(path).read();
    EXPECT_EQ(contents.status, GetParam().status);
    EXPECT_EQ(contents.data, GetParam().data);
    EXPECT_EQ(contents.error.isEmpty(), GetParam().status != SharedFile::Status::Unreadable);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SharedFileRead,
    testing::Values(ReadCase{"missing", nullptr, SharedFile::Status::Missing, {}},
                    ReadCase{"regular",
                             [](const QString& p) {
                                 writeBytes(p, QByteArray(100000, 'x'));
                                 return true;
                             },
                             SharedFile::Status::Read, QByteArray(100000, 'x')},
                    ReadCase{"empty",
                             [](const QString& p) {
                                 writeBytes(p, {});
                                 return true;
                             },
                             SharedFile::Status::Read,
                             {}},
                    ReadCase{"folder",
                             [](const QString& p) { return QDir().mkpath(p); },
                             SharedFile::Status::Unreadable,
                             {}},
                    ReadCase{"fifo",
                             [](const QString& p) {
                                 return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0;
                             },
                             SharedFile::Status::Unreadable,
                             {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SharedFileSetAside, KeepsTheNewestCopiesInTurn) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.json"));
    const QString aside = dir.filePath(QStringLiteral("history.bad.json"));
    const int rounds = SharedFile::keptAsideCopies + 2;
    for (int i = 0; i < rounds; ++i) {
        writeBytes(path, QByteArray::number(i));
        ASSERT_TRUE(SharedFile(path).setAside(aside));
    }
    EXPECT_FALSE(QFile::exists(path));
    for (int n = 0; n < SharedFile::keptAsideCopies; ++n)
        EXPECT_EQ(readBytes(SharedFile::numberedAside(aside, n)),
                  QByteArray::number(rounds - 1 - n));
    EXPECT_FALSE(QFile::exists(SharedFile::numberedAside(aside, SharedFile::keptAsideCopies)));
    EXPECT_EQ(SharedFile::numberedAside(aside, 2),
              dir.filePath(QStringLiteral("history.bad.2.json")));
}

} // namespace
