#include "platform/linux/dictionaries/FileDictionarySource.h"

#include "platform/linux/dictionaries/DictDataFile.h"
#include "platform/linux/dictionaries/DictdDictionary.h"
#include "platform/linux/dictionaries/DictionaryHeadwords.h"
#include "platform/linux/dictionaries/StarDictDictionary.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace {

// Builders for dictionary files in tests, and a guard that fails a reader stuck on a FIFO.

namespace DictFixtures {

inline QByteArray base64Number(quint64 value) {
    QByteArray out;
    do {
        out.prepend("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[value % 64]);
        value /= 64;
    } while (value > 0);
    return out;
}

struct Database {
    QByteArray index;
    QByteArray data;
};

// A dictd database: each entry's line in the index, its text appended to the data.
inline Database dictd(const QList<std::pair<QByteArray, QByteArray>>& entries) {
    Database db;
    for (const auto& [headword, text] : entries) {
        db.index += headword + '\t' + base64Number(quint64(db.data.size())) + '\t'
                    + base64Number(quint64(text.size())) + '\n';
        db.data += text;
    }
    return db;
}

inline void appendLe(QByteArray& b, quint32 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

// A dictzip file: chunks flushed to inflate on their own, the chunk table in the extra field.
inline QByteArray dictzip(const QByteArray& data, int chunkLength) {
    QList<QByteArray> chunks;
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    for (qsizetype at = 0; at < data.size(); at += chunkLength) {
        const QByteArray piece = data.mid(at, chunkLength);
        QByteArray out(piece.size() + 1024, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        stream.avail_in = uInt(piece.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        deflate(&stream, at + chunkLength >= data.size() ? Z_FINISH : Z_FULL_FLUSH);
        out.truncate(out.size() - qsizetype(stream.avail_out));
        chunks.append(out);
    }
    deflateEnd(&stream);
    QByteArray field;
    for (quint32 v : {1u, quint32(chunkLength), quint32(chunks.size())})
        appendLe(field, v, 2);
    for (const QByteArray& chunk : chunks)
        appendLe(field, quint32(chunk.size()), 2);
    QByteArray file("\x1f\x8b\x08\x04\0\0\0\0\x02\x03", 10);
    appendLe(file, quint32(field.size() + 4), 2);
    file.append("RA");
    appendLe(file, quint32(field.size()), 2);
    file.append(field);
    for (const QByteArray& chunk : chunks)
        file.append(chunk);
    appendLe(file,
             quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size()))),
             4);
    appendLe(file, quint32(data.size()), 4);
    return file;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A gzip stream of `size` zero bytes, deflated piece by piece so it is never held whole.
inline QByteArray gzipZeros(qint64 size) {
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY);
    const QByteArray zeros(1024 * 1024, '\0');
    QByteArray out;
    char buffer[64 * 1024];
    for (qint64 left = size;; left -= zeros.size()) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        stream.avail_in = uInt(std::min<qint64>(left, zeros.size()));
        const int flush = left <= zeros.size() ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
        } while (stream.avail_out == 0);
        if (flush == Z_FINISH)
            break;
    }
    deflateEnd(&stream);
    return out;
}

inline bool makeFifo(const QString& path) {
    QFile::remove(path);
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// Runs work on a thread; false when it has not finished within 30 s. Then the FIFOs get a
// writer that leaves at once, so a reader stuck on one can end and the thread be joined.
inline bool finishesPromptly(const std::function<void()>& work, const QStringList& fifos = {}) {
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread thread(std::move(task));
    const bool prompt = done.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
        for (const QString& fifo : fifos)
            if (const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
                fd >= 0)
                ::close(fd);
    thread.join();
    return prompt;
}

} // namespace DictFixtures

TEST(DictionaryHeadwordsNameTest, ReadsTheSideTheDictionaryTranslatesFrom) {
    const struct {
        const char* name;
        std::optional<QString> source;
    } cases[] = {{"freedict-eng-spa", "en"},
                 {"FreeDict-FRA-ENG", "fr"},
                 {"nob-eng", "nb"},
                 {"ast-spa", "ast"},
                 {"wn", {}},
                 {"eng-qqq", {}},
                 {"freedict-eng", {}},
                 {"eng-spa-extra", {}}};
    for (const auto& c : cases)
        EXPECT_EQ(DictionaryHeadwords::sourceLanguage(QString::fromUtf8(c.name)), c.source)
            << c.name;
}

TEST(DictionaryHeadwordsFoldTest, CaseFoldsAndTrimsThePunctuationAround) {
    EXPECT_EQ(DictionaryHeadwords::fold(u"(Casa),"), u"casa");
    EXPECT_EQ(DictionaryHeadwords::fold(u"\u00a1Hola!"), u"hola");
    EXPECT_EQ(DictionaryHeadwords::fold(u"\u00abNI\u00d1O\u00bb."), u"ni\u00f1o");
    EXPECT_EQ(DictionaryHeadwords::fold(u"\U0001F600e-mail\U0001F600"), u"e-mail");
    EXPECT_EQ(DictionaryHeadwords::fold(u"--"), u"");
}

TEST(DictionaryHeadwordsReadTest, AMissingOrTruncatedIndexGivesWhatItHolds) {
    EXPECT_TRUE(
        DictionaryHeadwords::readDictdIndex(QStringLiteral("/nonexistent.index")).isEmpty());
    QTemporaryDir dir;
    ASSERT_TRUE(
        DictFixtures::writeFile(dir.filePath("d.ifo"), "StarDict's dict ifo file\nbookname=d\n"));
    ASSERT_TRUE(DictFixtures::writeFile(dir.filePath("d.idx"), QByteArray("Uno\0", 4)
                                                                   + QByteArray(8, '\0')
                                                                   + QByteArray("dos\0\1\2", 6)));
    EXPECT_EQ(DictionaryHeadwords::readStarDictIndex(dir.filePath("d.ifo")), QSet<QString>{"uno"});
}

TEST(DictionaryHeadwordsReadTest, AFifoForAnyFileGivesNothingAtOnce) {
    for (const char* name : {"d.index", "d.ifo", "d.idx"}) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        DictFixtures::writeFile(dir.filePath("d.ifo"), "StarDict's dict ifo file\nbookname=d\n");
        DictFixtures::writeFile(dir.filePath("d.idx.gz"), DictFixtures::gzipZeros(0));
        ASSERT_TRUE(DictFixtures::makeFifo(dir.filePath(name)));
        QSet<QString> words{QStringLiteral("unread")};
        EXPECT_TRUE(DictFixtures::finishesPromptly(
            [&] {
                words = QString::fromLatin1(name).endsWith(QLatin1String(".index"))
                            ? DictionaryHeadwords::readDictdIndex(dir.filePath(name))
                            : DictionaryHeadwords::readStarDictIndex(dir.filePath("d.ifo"));
            },
            {dir.filePath(name)}));
        EXPECT_TRUE(words.isEmpty());
    }
}

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

using DictFixtures::Database;

// As dictfmt writes one: headwords lower-cased and stripped, each entry after its headword line.
const Database kMain =
    DictFixtures::dictd({{"00databaseshort", "Test English-Spanish Dictionary\n"},
                         {"00databaseutf8", "\n"},
                         {"abomb", "A-bomb\nbomba atómica\n"},
                         {"bank", "bank /bæŋk/\nbanco\n"},
                         {"bank", "bank /bæŋk/\norilla\n\n  \n"},
                         {"house", "house /haʊs/\ncasa\n"},
                         {"ice cream", "ice cream\nhelado\n"},
                         {"niño", "niño\nchild\n"},
                         {"zebra", "zebra\ncebra\n"}});
// Without a headword line, and one keeping punctuation in its headwords.
const Database kPlain =
    DictFixtures::dictd({{"house", "casa, hogar\n"}, {"household", "household\nfamilia\n"}});
const Database kAllChars = DictFixtures::dictd({{"'hood", "'hood\n  neighbourhood\n"},
                                                {"00-database-allchars", "\n"},
                                                {"a-bomb", "a-bomb\n  atom bomb\n"},
                                                {"abomb", "abomb\n  other\n"}});

class DictdDictionaryTest : public testing::Test {
protected:
    // Plain data only: dictzip reading is DictDataFileTest's, and FileDictionarySourceTest
    // looks a word up in a .dict.dz.
    DictdDictionary write(const Database& db) {
        const QString base = m_dir.filePath(QStringLiteral("test"));
        EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".index"), db.index));
        EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".dict"), db.data));
        return DictdDictionary(QStringLiteral("test"), base + QStringLiteral(".index"),
                               base + QStringLiteral(".dict"));
    }

    QTemporaryDir m_dir;
};

TEST_F(DictdDictionaryTest, MatchesAsDictdExactDoes) {
    // clang-format off
    const struct { const Database* db; const char* word; const char* expected; } cases[] = {
        {&kMain, "house", "casa"},       {&kMain, "  HOUSE ", "casa"},  {&kMain, "A-bomb", "bomba atómica"},
        {&kMain, "bank", "banco\n\norilla"}, // both entries in file order, trailing blanks gone
        {&kMain, "a bomb", nullptr},     {&kMain, "ice  cream", "helado"}, {&kMain, "Ice-Cream", nullptr},
        {&kMain, "NIÑO", "child"},       {&kMain, "zebra", "cebra"},    {&kMain, "aardvark", nullptr},
        {&kMain, "zzz", nullptr},        {&kMain, "", nullptr},         {&kMain, "---", nullptr},
        {&kPlain, "house", "casa, hogar"}, {&kPlain, "household", "familia"},
        {&kAllChars, "'hood", "  neighbourhood"}, {&kAllChars, "A-Bomb", "  atom bomb"},
        {&kAllChars, "abomb", "  other"}, {&kAllChars, "hood", nullptr}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(write(*c.db).define(QString::fromUtf8(c.word)),
                  c.expected ? std::optional(QString::fromUtf8(c.expected)) : std::nullopt)
            << c.word;
    EXPECT_EQ(write(kMain).name(), QStringLiteral("Test English-Spanish Dictionary"));
    EXPECT_EQ(write(kPlain).name(), QStringLiteral("test"));
}

TEST(DictdNumberTest, DecodesBase64DigitsAndRefusesOthers) {
    EXPECT_EQ(DictdDictionary::decodeNumber("x2E"), 49u * 4096 + 54u * 64 + 4u);
    EXPECT_EQ(DictdDictionary::decodeNumber("/"), 63u);
    for (const char* bad : {"", "A=", "a b", "-1", "ABCDEFGHIJK"})
        EXPECT_FALSE(DictdDictionary::decodeNumber(bad)) << bad;
}

QByteArray replaceLine(QByteArray index, const QByteArray& headword, const QByteArray& line) {
    QList<QByteArray> lines = index.split('\n');
    for (QByteArray& l : lines)
        if (l.startsWith(headword + '\t'))
            l = line;
    return lines.join('\n');
}

// Damaged databases: a damaged entry gives nothing, or what its own bytes now hold; the
// others still answer with their own text.
TEST_F(DictdDictionaryTest, DamageDropsOnlyTheDamagedEntries) {
    const QStringList allBut = {"abomb", "bank", "ice cream", "niño", "zebra"}; // all but house
    // clang-format off
    const struct { const char* label; void (*apply)(Database&); QStringList stillFound; std::pair<QString, QString> own = {}; } damages[] = {
        {"truncated index", [](Database& db) { db.index.truncate(db.index.indexOf("house") + 8); }, {"abomb", "bank"}},
        {"unsorted index", [](Database& db) { const qsizetype z = db.index.indexOf("zebra"); db.index = db.index.sliced(z) + db.index.first(z); }, {"abomb", "bank", "house", "ice cream", "niño"}}, // the one out of order is lost
        {"bad base64", [](Database& db) { db.index = replaceLine(db.index, "house", "house\t*?\tB"); }, allBut},
        {"offset past the end", [](Database& db) { db.index = replaceLine(db.index, "house", "house\tBAAAA\tB"); }, allBut},
        {"length past the end", [](Database& db) { db.index = replaceLine(db.index, "house", "house\tA\t////"); }, allBut},
        {"line without fields", [](Database& db) { db.index = replaceLine(db.index, "house", "house"); }, allBut},
        {"invalid UTF-8", [](Database& db) { db.index = replaceLine(db.index, "ice cream", "ice\xff\xfe\tA\tB"); db.data.replace("casa", "c\xc3\x28" "a"); }, {"abomb", "bank", "niño", "zebra"}, {"house", "c\uFFFD(a"}},
        {"empty index", [](Database& db) { db.index.clear(); }, {}},
        {"missing data file", [](Database& db) { db.data.clear(); }, {}}};
    // clang-format on
    const QStringList words = allBut + QStringList{"house"};
    QHash<QString, std::optional<QString>> intact;
    for (const QString& word : words)
        intact.insert(word, write(kMain).define(word));
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.label);
        Database db = kMain;
        damage.apply(db);
        const DictdDictionary dictionary = write(db);
        (void)dictionary.name();
        for (const QString& word : words)
            EXPECT_EQ(dictionary.define(word),
                      word == damage.own.first           ? std::optional(damage.own.second)
                      : damage.stillFound.contains(word) ? intact.value(word)
                                                         : std::nullopt)
                << word.toStdString();
        for (const QString& word : {QString(10000, QLatin1Char('a')), QStringLiteral("\xFFFD")})
            EXPECT_FALSE(dictionary.define(word));
    }
    const DictdDictionary gone(QStringLiteral("gone"), m_dir.filePath(QStringLiteral("no.index")),
                               m_dir.filePath(QStringLiteral("no.dict.dz")));
    EXPECT_FALSE(gone.define(QStringLiteral("house")));
    EXPECT_EQ(gone.name(), QStringLiteral("gone"));
}

// Headword, text; then the synonyms: word, headword it points at.
const QList<std::pair<QByteArray, QByteArray>> kEntries = {
    {"house", "casa\nhogar"}, {"House", "Casa (proper name)"},
    {"bank", "banco"},        {"apple", "manzana"},
    {"zebra", "cebra"},       {"ice cream", "helado"},
    {"Ärger", "anger"},       {"niño", "child"},
    {"bank", "orilla"}};
const QList<std::pair<QByteArray, QByteArray>> kSynonyms = {{"home", "house"}, {"shore", "bank"}};

QByteArray be32(quint32 v) {
    const char bytes[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

// StarDict's order: ASCII case-insensitive, then bytewise.
bool starDictLess(const QByteArray& a, const QByteArray& b) {
    const int folded = qstricmp(a.constData(), b.constData());
    return folded != 0 ? folded < 0 : a < b;
}

struct Files {
    QByteArray ifo, idx, dict, syn;
};

Files build(const QByteArray& sameTypeSequence, int offsetBits = 32) {
    auto items = kEntries;
    std::stable_sort(items.begin(), items.end(),
                     [](auto& a, auto& b) { return starDictLess(a.first, b.first); });
    Files files;
    for (const auto& [word, text] : std::as_const(items)) {
        const QByteArray data = sameTypeSequence == "m" ? text
                                : sameTypeSequence == "tm"
                                    ? "/pron/" + QByteArray(1, '\0') + text
                                    : 'm' + text + '\0' + 'W' + be32(3) + "wav";
        files.idx += word + '\0' + (offsetBits == 64 ? be32(0) : QByteArray())
                     + be32(quint32(files.dict.size())) + be32(quint32(data.size()));
        files.dict += data;
    }
    QList<std::pair<QByteArray, quint32>> synonyms;
    for (const auto& [synonym, target] : kSynonyms)
        synonyms.append({synonym, quint32(std::find_if(items.begin(), items.end(),
                                                       [&](auto& i) { return i.first == target; })
                                          - items.begin())});
    std::sort(synonyms.begin(), synonyms.end(),
              [](auto& a, auto& b) { return starDictLess(a.first, b.first); });
    for (const auto& [synonym, index] : synonyms)
        files.syn += synonym + '\0' + be32(index);
    files.ifo = "StarDict's dict ifo file\nversion=3.0.0\nbookname=Test Spanish\nwordcount="
                + QByteArray::number(items.size())
                + "\nsynwordcount=2\nidxfilesize=" + QByteArray::number(files.idx.size()) + "\n"
                + (offsetBits == 64 ? "idxoffsetbits=64\n" : "")
                + (sameTypeSequence.isEmpty() ? QByteArray()
                                              : "sametypesequence=" + sameTypeSequence + "\n");
    return files;
}

class StarDictDictionaryTest : public testing::Test {
protected:
    // Writes the files (dictzip being also gzip) and returns the .ifo path; a null dict is left
    // out.
    QString write(const Files& files, bool compressed = false) {
        const QString folder = m_dir.filePath(QStringLiteral("dic/test"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        const QString base = folder + QStringLiteral("/test");
        DictFixtures::writeFile(base + QStringLiteral(".ifo"), files.ifo);
        DictFixtures::writeFile(base + QStringLiteral(".syn"), files.syn);
        DictFixtures::writeFile(
            base + (compressed ? QStringLiteral(".idx.gz") : QStringLiteral(".idx")),
            compressed ? DictFixtures::dictzip(files.idx, 50) : files.idx);
        if (!files.dict.isNull())
            DictFixtures::writeFile(
                base + (compressed ? QStringLiteral(".dict.dz") : QStringLiteral(".dict")),
                compressed ? DictFixtures::dictzip(files.dict, 16) : files.dict);
        return base + QStringLiteral(".ifo");
    }

    QTemporaryDir m_dir;
};

TEST_F(StarDictDictionaryTest, LooksWordsUpInEveryLayout) {
    for (const bool compressed : {false, true}) {
        for (const QByteArray type : {"m", "", "tm"}) {
            SCOPED_TRACE(testing::Message() << compressed << "/" << type.constData());
            const auto dictionary = StarDictDictionary::fromIfo(write(build(type), compressed));
            ASSERT_TRUE(dictionary);
            EXPECT_EQ(dictionary->name(), QStringLiteral("Test Spanish"));
            const QString p = type == "tm" ? QStringLiteral("/pron/\n") : QString();
            // clang-format off
            const QList<std::pair<QString, std::optional<QString>>> cases = {
                {"APPLE", p + "manzana"}, {"zebra", p + "cebra"}, {"Ärger", p + "anger"},
                {"house", p + "Casa (proper name)\n\n" + p + "casa\nhogar"}, // both cases, file order
                {"bank", p + "banco\n\n" + p + "orilla"}, {"shore", p + "banco"}, {"Home", p + "casa\nhogar"},
                {"aardvark", std::nullopt}, {"zzz", std::nullopt}, {"", std::nullopt},
                {QString(10000, QLatin1Char('a')), std::nullopt}};
            // clang-format on
            for (const auto& [word, expected] : cases)
                EXPECT_EQ(dictionary->define(word), expected) << word.left(20).toStdString();
        }
    }
    const auto wide = StarDictDictionary::fromIfo(write(build("m", 64)));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->define(QStringLiteral("zebra")), QStringLiteral("cebra"));
}

TEST(StarDictEntryTextTest, KeepsTextFieldsAndDropsMarkupAndResources) {
    // clang-format off
    const struct { QByteArray data; QByteArray types; QString text; } cases[] = {
        {"<b>big</b> &amp; <i>small</i>", "h", "big & small"},
        {QByteArray("mone\0gt<i>w</i>o\0", 17), "", "one\ntwo"},
        {"a<br>b", "g", "a\nb"},
        {QByteArray("mtext\0W\0\0\xff\xff", 11), "", "text"}, // resource size past the end
        {"Wxx", "Wm", ""}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(StarDictDictionary::entryText(c.data, c.types), c.text) << c.data.constData();
}

// A damaged entry gives nothing, or what its own bytes now hold; the others still answer
// with their own text.
TEST_F(StarDictDictionaryTest, DamageDropsOnlyTheDamagedEntries) {
    const QStringList all = {"apple", "bank", "house", "zebra", "home", "shore", "niño"};
    // clang-format off
    const struct { const char* label; void (*apply)(Files&); bool opens; QStringList stillFound; std::pair<QString, QString> own = {}; } damages[] = {
        {"ifo without bookname", [](Files& f) { f.ifo.replace("bookname=Test Spanish\n", ""); }, false, {}},
        {"not an ifo", [](Files& f) { f.ifo = "hello\nbookname=x\n"; }, false, {}},
        {"missing dict", [](Files& f) { f.dict = QByteArray(); }, false, {}},
        // "House" comes before "house" and stays whole.
        {"truncated idx", [](Files& f) { f.idx.truncate(f.idx.indexOf("house") + 8); }, true, {"apple", "bank", "shore"}, {"house", "Casa (proper name)"}},
        // The synonyms name entries by their place, which the move changed: left out here.
        {"unsorted idx", [](Files& f) { const qsizetype z = f.idx.indexOf("zebra"); f.idx = f.idx.sliced(z) + f.idx.first(z); f.syn.clear(); }, true, {"bank", "house", "niño"}},
        {"offsets past the end", [](Files& f) { f.idx.replace(f.idx.indexOf("zebra") + 6, 4, be32(0x7fffffff)); }, true, {"apple", "bank", "house", "home", "shore", "niño"}},
        {"size past the end", [](Files& f) { f.idx.replace(f.idx.indexOf("zebra") + 10, 4, be32(0xffffffff)); }, true, {"apple", "bank", "house", "home", "shore", "niño"}},
        {"synonym pointing nowhere", [](Files& f) { f.syn.replace(f.syn.indexOf("home") + 5, 4, be32(5000)); }, true, {"apple", "bank", "house", "zebra", "shore", "niño"}},
        {"truncated synonyms", [](Files& f) { f.syn.chop(3); }, true, {"apple", "bank", "house", "zebra", "home", "niño"}},
        {"invalid UTF-8", [](Files& f) { f.idx.replace("apple", "app\xff\xfe"); f.dict.replace("cebra", "ce\xc3\x28" "a"); }, true, {"bank", "house", "home", "shore", "niño"}, {"zebra", "ce\uFFFD(a"}},
        {"empty idx", [](Files& f) { f.idx.clear(); }, true, {}}};
    // clang-format on
    QHash<QString, std::optional<QString>> intact;
    {
        const auto dictionary = StarDictDictionary::fromIfo(write(build("m")));
        for (const QString& word : all)
            intact.insert(word, dictionary->define(word));
    }
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.label);
        Files files = build("m");
        damage.apply(files);
        const auto dictionary = StarDictDictionary::fromIfo(write(files));
        ASSERT_EQ(dictionary != nullptr, damage.opens);
        for (const QString& word : dictionary ? all : QStringList())
            EXPECT_EQ(dictionary->define(word),
                      word == damage.own.first           ? std::optional(damage.own.second)
                      : damage.stillFound.contains(word) ? intact.value(word)
                                                         : std::nullopt)
                << word.toStdString();
    }
}

using namespace Qt::StringLiterals;

const QByteArray kDbList = "# Automatically generated file -- do not edit.\n"
                           "database wn\n {\n  data  /x/wn.dict.dz\n  index /x/wn.index\n}\n"
                           "# database commented { index /x/c.index }\n"
                           "database_virtual all { database_list \"wn,fd\" }\n"
                           "database \"fd-eng-spa\" {\n  data  /x/e.dict.dz\n"
                           "  index \"/x/freedict-eng-spa.index\"\n}\n"
                           "database wn { index /x/again.index }\n";

TEST(FileDictionarySourceListTest, ParsesDatabasesInOrder) {
    const auto databases = FileDictionarySource::parseDatabaseList(QString::fromUtf8(kDbList));
    ASSERT_EQ(databases.size(), 3);
    EXPECT_EQ(databases[0], std::pair(u"wn"_s, u"/x/wn.index"_s));
    EXPECT_EQ(databases[1], std::pair(u"fd-eng-spa"_s, u"/x/freedict-eng-spa.index"_s));
    EXPECT_TRUE(FileDictionarySource::parseDatabaseList(u"database {"_s).isEmpty());
}

class FileDictionarySourceTest : public testing::Test {
protected:
    void SetUp() override {
        m_dictd = m_dir.filePath(u"dictd"_s);
        m_dictd2 = m_dir.filePath(u"home-dictd"_s);
        m_starDict = m_dir.filePath(u"stardict"_s);
        for (const QString& folder : {m_dictd, m_dictd2, m_starDict + u"/a/b"_s})
            QDir().mkpath(folder);
        writeDictd(m_dictd + u"/mine"_s, ".dict", "Mine");
        writeDictd(m_dictd + u"/other"_s, ".dict.dz", "Other");
        writeDictd(m_dictd2 + u"/third"_s, ".dict", "Third");
        // An index without data is no dictionary.
        DictFixtures::writeFile(m_dictd + u"/orphan.index"_s, "x\tA\tB\n");
        writeStarDict(m_starDict + u"/a/b/deep"_s, "bookname=Deep\n");
        writeStarDict(m_starDict + u"/nameless"_s, "");
        m_dbList = m_dir.filePath(u"db.list"_s);
        const QByteArray dictd = m_dictd.toUtf8();
        DictFixtures::writeFile(m_dbList, "database other { data x index " + dictd
                                              + "/other.index }\ndatabase my-db { index " + dictd
                                              + "/mine.index }\n");
    }

    static void writeDictd(const QString& base, const char* dataSuffix, const QByteArray& name) {
        const DictFixtures::Database db = DictFixtures::dictd(
            {{"00databaseshort", name + "\n"}, {"house", "house\n" + name + " house\n"}});
        DictFixtures::writeFile(base + u".index"_s, db.index);
        DictFixtures::writeFile(
            base + QString::fromLatin1(dataSuffix),
            QByteArray(dataSuffix) == ".dict" ? db.data : DictFixtures::dictzip(db.data, 8));
    }

    static void writeStarDict(const QString& base, const QByteArray& bookname) {
        DictFixtures::writeFile(
            base + u".ifo"_s, "StarDict's dict ifo file\nversion=2.4.2\nwordcount=1\n" + bookname);
        DictFixtures::writeFile(base + u".idx"_s, QByteArray("house\0\0\0\0\0\0\0\0\5", 14));
        DictFixtures::writeFile(base + u".dict"_s, "mcasa");
    }

    FileDictionarySource source() const {
        return FileDictionarySource(
            {{m_dictd, m_dictd2, m_dir.filePath(u"none"_s)}, {m_starDict}, m_dbList});
    }

    QTemporaryDir m_dir;
    QString m_dictd;
    QString m_dictd2;
    QString m_starDict;
    QString m_dbList;
};

TEST_F(FileDictionarySourceTest, FindsBothFormatsInFolderOrderNamedByTheDatabaseList) {
    QStringList seen;
    for (const auto& dictionary : source().dictionaries())
        seen.append(dictionary->identifier() + QLatin1Char('|') + dictionary->name()
                    + QLatin1Char('|') + dictionary->format() + QLatin1Char('|')
                    + dictionary->define(u"House"_s).value_or(QString()));
    EXPECT_EQ(seen,
              QStringList({u"my-db|Mine|dictd|Mine house"_s, u"other|Other|dictd|Other house"_s,
                           u"third|Third|dictd|Third house"_s, u"deep|Deep|StarDict|casa"_s}));
    EXPECT_EQ(source().activeIDs(), QStringList({u"other"_s, u"my-db"_s}));
    QFile::remove(m_dbList);
    const FileDictionarySource files = source();
    EXPECT_TRUE(files.activeIDs().isEmpty());
    // Without the list every database is known by its file stem.
    EXPECT_EQ(files.dictionaries().first()->identifier(), u"mine"_s);
}

TEST_F(FileDictionarySourceTest, KeepsOpenedDictionariesUntilTheirFilesChange) {
    const FileDictionarySource files = source();
    const auto first = files.dictionaries();
    EXPECT_EQ(files.dictionaries(), first);
    writeDictd(m_dictd + u"/mine"_s, ".dict", "Mine again");
    const auto third = files.dictionaries();
    EXPECT_NE(third[0], first[0]);
    EXPECT_EQ(third[0]->name(), u"Mine again"_s);
    EXPECT_EQ(third[1], first[1]);
    QFile::remove(m_dictd2 + u"/third.dict"_s);
    EXPECT_EQ(files.dictionaries().size(), 3);
}

// One damaged file takes out its own dictionary, at once, and no other.
TEST_F(FileDictionarySourceTest, DamagedFileDisablesOnlyItsDictionary) {
    constexpr qsizetype kLimit = 1024 * 1024;
    const QByteArray bomb = DictFixtures::gzipZeros(8 * kLimit);
    const QByteArray longLine = "house\tF\tR\t" + QByteArray(2 * 1024 * 1024, 'x');
    struct Damage {
        const char* file; // under the temporary folder
        const char* lost; // the definition of "house" that goes with it
        std::function<bool(const QString&)> make;
    };
    const auto fifo = [](const QString& path) { return DictFixtures::makeFifo(path); };
    const auto bytes = [](const QByteArray& content) {
        return [content](const QString& path) { return DictFixtures::writeFile(path, content); };
    };
    const QList<Damage> damages = {
        {"dictd/mine.index", "Mine house", fifo},
        {"dictd/mine.dict", "Mine house", fifo},
        {"dictd/other.dict.dz", "Other house", fifo},
        {"stardict/a/b/deep.ifo", "casa", fifo},
        {"stardict/a/b/deep.idx", "casa", fifo},
        {"stardict/a/b/deep.dict", "casa", fifo},
        {"stardict/a/b/deep.syn", "", fifo},
        {"db.list", "", fifo},
        {"dictd/other.dict.dz", "Other house", bytes(bomb)},
        {"stardict/a/b/deep.idx.gz", "casa", bytes(bomb)},
        {"dictd/other.dict.dz", "Other house", bytes("Other\nhouse\nOther house\n")},
        {"dictd/mine.index", "Mine house", bytes(longLine)},
    };
    const QStringList all = {u"Mine house"_s, u"Other house"_s, u"Third house"_s, u"casa"_s};
    for (const Damage& damage : damages) {
        SCOPED_TRACE(std::string(damage.file) + " " + damage.lost);
        SetUp();
        const QString path = m_dir.filePath(QString::fromLatin1(damage.file));
        if (path.endsWith(QLatin1String(".idx.gz")))
            QFile::remove(m_starDict + u"/a/b/deep.idx"_s);
        ASSERT_TRUE(damage.make(path));
        const FileDictionarySource files({{m_dictd, m_dictd2}, {m_starDict}, m_dbList}, kLimit);
        QStringList found;
        EXPECT_TRUE(DictFixtures::finishesPromptly(
            [&] {
                for (const auto& dictionary : files.dictionaries())
                    if (const auto text = dictionary->define(u"house"_s))
                        found.append(*text);
            },
            {path}));
        QStringList expected = all;
        expected.removeAll(QString::fromLatin1(damage.lost));
        EXPECT_EQ(found, expected);
        QFile::remove(path);
    }
}

} // namespace
