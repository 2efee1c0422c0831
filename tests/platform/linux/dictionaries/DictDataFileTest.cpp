#include "platform/linux/dictionaries/DictDataFile.h"

#include "tests/platform/linux/dictionaries/DictFixtures.h"

#include <QProcess>
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

// Plain, our dictzip, gzip's and dictzip's own output (several of its chunks): ranges crossing
// zero, one or several chunk borders read back, those beyond the end are refused.
TEST(DictDataFileTest, EveryFormatReadsRangesAndRefusesThoseBeyondTheEnd) {
    QTemporaryDir dir;
    const QByteArray plain = sampleText(8000);
    const auto write = [&](const char* name, const QByteArray& bytes) {
        EXPECT_TRUE(DictFixtures::writeFile(dir.filePath(name), bytes));
        return dir.filePath(name);
    };
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("gzip"), {QStringLiteral("-n"), write("c.dict", plain)}),
        0);
    ASSERT_EQ(QProcess::execute(QStringLiteral("dictzip"), {write("b.dict", plain)}), 0);
    for (const QString& path :
         {write("a.dict", plain), write("a.dict.dz", DictFixtures::dictzip(plain, 1000)),
          dir.filePath("c.dict.gz"), dir.filePath("b.dict.dz")}) {
        SCOPED_TRACE(path.toStdString());
        const DictDataFile file(path);
        const quint64 size = quint64(plain.size());
        for (const auto& [offset, length] : QList<std::pair<quint64, quint64>>{
                 {0, 1}, {999, 2}, {123, 4567}, {size - 10, 10}, {0, size}})
            EXPECT_EQ(file.read(offset, length), plain.mid(qsizetype(offset), qsizetype(length)))
                << offset;
        EXPECT_FALSE(file.read(size - 1, 2));
        EXPECT_FALSE(file.read(size + 5, 1));
        EXPECT_FALSE(file.read(~quint64(0) - 1, 4));
    }
    EXPECT_FALSE(DictDataFile(dir.filePath("absent.dict.dz")).read(0, 1));
}

// The header is 12 bytes, then the RA field: 4 bytes of id and length, version, chunk
// length, chunk count, sizes.
TEST(DictDataFileTest, CorruptDictzipReadsFailOrGiveTheRightBytes) {
    // clang-format off
    const struct { const char* label; void (*apply)(QByteArray&); } corruptions[] = {
        {"extra length past the end", [](QByteArray& b) { b[10] = b[11] = '\xff'; }},
        {"version 2", [](QByteArray& b) { b[16] = 2; }},
        {"chunk length zero", [](QByteArray& b) { b[18] = b[19] = 0; }},
        {"more chunks than sizes", [](QByteArray& b) { b[21] = 0x7f; }},
        {"chunk sizes past the end", [](QByteArray& b) { b[22] = b[23] = '\xff'; }},
        {"truncated header", [](QByteArray& b) { b.truncate(15); }},
        {"truncated data", [](QByteArray& b) { b.truncate(b.size() / 2); }},
        {"not gzip at all", [](QByteArray& b) { b[0] = 'x'; }}};
    // clang-format on
    QTemporaryDir dir;
    const QByteArray plain = sampleText(400);
    for (const auto& corruption : corruptions) {
        SCOPED_TRACE(corruption.label);
        QByteArray bytes = DictFixtures::dictzip(plain, 1000);
        corruption.apply(bytes);
        DictFixtures::writeFile(dir.filePath("bad.dict.dz"), bytes);
        const DictDataFile file(dir.filePath("bad.dict.dz"));
        for (quint64 offset = 0; offset < quint64(plain.size()); offset += 700) {
            // Never other bytes than the entry's: a wrong definition is worse than none.
            if (const std::optional<QByteArray> read = file.read(offset, 900)) {
                EXPECT_EQ(*read, plain.mid(qsizetype(offset), 900)) << offset;
            }
        }
    }
    // A scrambled last chunk leaves the first one readable.
    QByteArray bytes = DictFixtures::dictzip(plain, 1000);
    for (qsizetype i = bytes.size() - 48; i < bytes.size() - 18; ++i)
        bytes[i] = char(bytes[i] ^ 0x5a);
    DictFixtures::writeFile(dir.filePath("d.dict.dz"), bytes);
    EXPECT_EQ(DictDataFile(dir.filePath("d.dict.dz")).read(10, 500), plain.mid(10, 500));
}

// A bomb is refused before memory is taken for what it inflates to.
TEST(DictDataFileGunzipTest, RefusesCorruptOrOversizedStreamsWithoutHoldingThem) {
    const QByteArray bytes = DictFixtures::dictzip(QByteArray(5000, 'a'), 1000);
    EXPECT_EQ(DictDataFile::gunzip(bytes, 10000), QByteArray(5000, 'a'));
    EXPECT_FALSE(DictDataFile::gunzip(bytes, 4999));
    EXPECT_FALSE(DictDataFile::gunzip(bytes.first(bytes.size() - 20), 10000));
    EXPECT_FALSE(DictDataFile::gunzip(QByteArray("plain text"), 10000));
    constexpr qsizetype kLimit = 32 * 1024 * 1024;
    const QByteArray bomb = DictFixtures::gzipZeros(kLimit + 1);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_FALSE(DictDataFile::gunzip(bomb, kLimit));
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, kLimit / 1024 / 2); // in KiB
}

} // namespace
