// A dictionary's data file, plain, gzip or dictzip (the chunk table in the gzip header).
// Input: two ranges to read (offset: 4 bytes, length: 2 bytes each), then the file.
#include "platform/linux/dictionaries/DictDataFile.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

// Keeps a gzip bomb from making every run slow.
constexpr qsizetype kLimit = 1024 * 1024;

} // namespace

VERDOLIN_FUZZ_TARGET(DictData) {
    QList<std::pair<quint64, quint64>> ranges;
    for (int i = 0; i < 2; ++i) {
        const quint64 offset = FuzzInput::takeNumber(input, 4);
        ranges.append({offset, FuzzInput::takeNumber(input, 2)});
    }
    ranges.append({0, 1});
    ranges.append({0, quint64(kLimit)});
    const bool gzip = FuzzInput::gzipped(input);
    FuzzInput::clearFolder();
    const QString path = FuzzInput::writeFile(
        gzip ? QStringLiteral("data.dict.dz") : QStringLiteral("data.dict"), input);
    const DictDataFile file(path, kLimit);
    const std::optional<QByteArray> whole =
        gzip ? DictDataFile::gunzip(input, kLimit) : std::optional<QByteArray>(input.toByteArray());
    if (whole)
        FUZZ_CHECK(whole->size() <= kLimit);
    for (const auto& [offset, length] : std::as_const(ranges)) {
        const std::optional<QByteArray> read = file.read(offset, length);
        if (!read)
            continue;
        FUZZ_CHECK(quint64(read->size()) == length);
        // A plain file is read as it is; nothing is read anywhere.
        if (!gzip && length > 0)
            FUZZ_CHECK(*read == input.sliced(qsizetype(offset), qsizetype(length)));
    }
}
