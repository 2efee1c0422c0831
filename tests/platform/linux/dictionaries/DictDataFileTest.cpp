#include "platform/linux/dictionaries/DictDataFile.h"

#include "tests/platform/linux/dictionaries/DictFixtures.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace {

QByteArray sampleText(int lines) {
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += "line " + QByteArray::number(i) + " of the sample, "
                + QByteArray::number(i * 7919 % 1013) + "\n";
    return text;
}

class DictDataFileTest : public testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(DictFixtures::writeFile(path, bytes));
        return path;
    }

    // Every range a reader is asked for crosses zero, one or several chunk borders.
    static void expectSameRanges(const DictDataFile& file, const QByteArray& plain) {
        const QList<std::pair<quint64, quint64>> ranges = {{0, 1},
                                                           {0, 100},
                                                           {950, 100},
                                                           {999, 2},
                                                           {1000, 1000},
                                                           {123, 4567},
                                                           {quint64(plain.size() - 10), 10},
                                                           {0, quint64(plain.size())}};
        for (const auto& [offset, length] : ranges) {
            const std::optional<QByteArray> read = file.read(offset, length);
            ASSERT_TRUE(read.has_value()) << offset << "+" << length;
            EXPECT_EQ(*read, plain.mid(qsizetype(offset), qsizetype(length)));
        }
    }

    QTemporaryDir m_dir;
};

TEST_F(DictDataFileTest, PlainDictzipAndGzipReadRangesAndRefuseThoseBeyondTheEnd) {
    const QByteArray plain = sampleText(400);
    const QString gz = write(QStringLiteral("c.dict"), plain);
    ASSERT_EQ(QProcess::execute(QStringLiteral("gzip"), {QStringLiteral("-n"), gz}), 0);
    for (const QString& path :
         {write(QStringLiteral("a.dict"), plain),
          write(QStringLiteral("a.dict.dz"), DictFixtures::dictzip(plain, 1000)),
          gz + QStringLiteral(".gz")}) {
        SCOPED_TRACE(path.toStdString());
        const DictDataFile file(path);
        expectSameRanges(file, plain);
        EXPECT_FALSE(file.read(quint64(plain.size()) - 1, 2));
        EXPECT_FALSE(file.read(quint64(plain.size()) + 5, 1));
        EXPECT_FALSE(file.read(~quint64(0) - 1, 4));
    }
    EXPECT_FALSE(DictDataFile(m_dir.filePath(QStringLiteral("absent.dict.dz"))).read(0, 1));
}

TEST_F(DictDataFileTest, DictzipFromTheDictzipToolReads) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("dictzip"));
    if (tool.isEmpty())
        GTEST_SKIP() << "dictzip is not installed";
    const QByteArray plain = sampleText(8000); // several of the tool's chunks
    const QString path = write(QStringLiteral("b.dict"), plain);
    ASSERT_EQ(QProcess::execute(tool, {path}), 0);
    const DictDataFile file(path + QStringLiteral(".dz"));
    expectSameRanges(file, plain);
    EXPECT_EQ(file.read(200000, 5000), plain.mid(200000, 5000));
}

// The header is 12 bytes, then the RA field: 4 bytes of id and length, version, chunk
// length, chunk count, sizes.
TEST_F(DictDataFileTest, CorruptDictzipReadsFailOrStayInsideTheFile) {
    const struct {
        const char* label;
        void (*apply)(QByteArray&);
    } corruptions[] = {{"extra length past the end", [](QByteArray& b) { b[10] = b[11] = '\xff'; }},
                       {"version 2", [](QByteArray& b) { b[16] = 2; }},
                       {"chunk length zero", [](QByteArray& b) { b[18] = b[19] = 0; }},
                       {"more chunks than sizes", [](QByteArray& b) { b[21] = 0x7f; }},
                       {"chunk sizes past the end", [](QByteArray& b) { b[22] = b[23] = '\xff'; }},
                       {"truncated header", [](QByteArray& b) { b.truncate(15); }},
                       {"truncated data", [](QByteArray& b) { b.truncate(b.size() / 2); }},
                       {"not gzip at all", [](QByteArray& b) { b[0] = 'x'; }}};
    const QByteArray plain = sampleText(400);
    for (const auto& corruption : corruptions) {
        SCOPED_TRACE(corruption.label);
        QByteArray bytes = DictFixtures::dictzip(plain, 1000);
        corruption.apply(bytes);
        const DictDataFile file(write(QStringLiteral("bad.dict.dz"), bytes));
        for (quint64 offset = 0; offset < quint64(plain.size()); offset += 700)
            if (const std::optional<QByteArray> read = file.read(offset, 900)) {
                EXPECT_LE(read->size(), 900);
            }
    }
}

TEST_F(DictDataFileTest, ScrambledChunkLeavesOtherChunksReadable) {
    const QByteArray plain = sampleText(400);
    QByteArray bytes = DictFixtures::dictzip(plain, 1000);
    const qsizetype last = bytes.size() - 8 - 40;
    for (qsizetype i = last; i < last + 30; ++i)
        bytes[i] = char(bytes[i] ^ 0x5a);
    const DictDataFile file(write(QStringLiteral("d.dict.dz"), bytes));
    const std::optional<QByteArray> first = file.read(10, 500);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(*first, plain.mid(10, 500));
}

TEST(DictDataFileGunzipTest, RefusesCorruptOrOversizedStreams) {
    QByteArray bytes = DictFixtures::dictzip(QByteArray(5000, 'a'), 1000);
    EXPECT_EQ(DictDataFile::gunzip(bytes, 10000), QByteArray(5000, 'a'));
    EXPECT_FALSE(DictDataFile::gunzip(bytes, 4999));
    EXPECT_FALSE(DictDataFile::gunzip(bytes.first(bytes.size() - 20), 10000));
    EXPECT_FALSE(DictDataFile::gunzip(QByteArray("plain text"), 10000));
}

// The bomb is refused before memory is taken for what it inflates to.
TEST(DictDataFileGunzipTest, RefusesABombWithoutHoldingIt) {
    constexpr qsizetype kLimit = 32 * 1024 * 1024;
    const QByteArray bomb = DictFixtures::gzipZeros(kLimit + 1);
    EXPECT_EQ(DictDataFile::gunzip(DictFixtures::gzipZeros(1000), kLimit), QByteArray(1000, '\0'));
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_FALSE(DictDataFile::gunzip(bomb, kLimit));
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, kLimit / 1024 / 2); // in KiB
}

} // namespace
