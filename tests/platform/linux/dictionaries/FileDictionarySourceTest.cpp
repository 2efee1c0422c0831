#include "platform/linux/dictionaries/FileDictionarySource.h"

#include "app/dictionary/DictionaryService.h"
#include "platform/linux/dictionaries/DictDataFile.h"
#include "platform/linux/dictionaries/DictdDictionary.h"
#include "platform/linux/dictionaries/DictionaryHeadwords.h"
#include "platform/linux/dictionaries/StarDictDictionary.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

using namespace Qt::StringLiterals;
using Entries = QList<std::pair<QByteArray, QByteArray>>;
using Definitions = QHash<QString, std::optional<QString>>;

struct Database {
    QByteArray index, data;
};

// A dictd database: each entry's line in the index, its text appended to the data.
Database dictd(const Entries& entries) {
    const auto number = [](quint64 value) {
        QByteArray out;
        do {
            out.prepend(
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[value % 64]);
            value /= 64;
        } while (value > 0);
        return out;
    };
    Database db;
    for (const auto& [headword, text] : entries) {
        db.index += headword + '\t' + number(db.data.size()) + '\t' + number(text.size()) + '\n';
        db.data += text;
    }
    return db;
}

void appendLe(QByteArray& b, quint32 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

// A dictzip file: chunks flushed to inflate on their own, the chunk table in the extra field.
QByteArray dictzip(const QByteArray& data, int chunkLength) {
    QByteArray chunks, field;
    for (quint32 v : {1u, quint32(chunkLength), quint32((data.size() - 1) / chunkLength + 1)})
        appendLe(field, v, 2);
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    for (qsizetype at = 0; at < data.size(); at += chunkLength) {
        QByteArray piece = data.mid(at, chunkLength), out(piece.size() + 1024, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(piece.data());
        stream.avail_in = uInt(piece.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        deflate(&stream, at + chunkLength >= data.size() ? Z_FINISH : Z_FULL_FLUSH);
        out.chop(stream.avail_out);
        appendLe(field, quint32(out.size()), 2);
        chunks += out;
    }
    deflateEnd(&stream);
    QByteArray file("\x1f\x8b\x08\x04\0\0\0\0\x02\x03", 10);
    appendLe(file, quint32(field.size() + 4), 2);
    file.append("RA");
    appendLe(file, quint32(field.size()), 2);
    file.append(field + chunks);
    appendLe(file, quint32(crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size())), 4);
    appendLe(file, quint32(data.size()), 4);
    return file;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A gzip stream of `size` zero bytes, made by gzip so that this process never holds them.
QByteArray gzipZeros(qint64 size) {
    return runProgram(u"sh"_s, {u"-c"_s, u"head -c %1 /dev/zero | gzip -1"_s.arg(size)}, {})
        .value_or(QByteArray());
}

bool makeFifo(const QString& path) {
    QFile::remove(path);
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// Runs work on a thread; false when it has not finished within 30 s. Then the FIFOs get a
// writer that leaves at once, so a reader stuck on one can end and the thread be joined.
bool finishesPromptly(const std::function<void()>& work, const QStringList& fifos = {}) {
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

// A damaged dictionary: each word gives `own`'s text if it is that entry, its intact text if
// still found, nothing otherwise.
struct Damage {
    const char* label;
    QStringList stillFound;
    std::pair<QString, QString> own = {};

    void expect(const std::function<std::optional<QString>(const QString&)>& define,
                const Definitions& intact) const {
        for (auto it = intact.cbegin(); it != intact.cend(); ++it)
            EXPECT_EQ(define(it.key()), it.key() == own.first           ? std::optional(own.second)
                                        : stillFound.contains(it.key()) ? it.value()
                                                                        : std::nullopt)
                << it.key().toStdString();
    }
};

TEST(DictionaryHeadwordsTest, NamesTheSideTheDictionaryTranslatesFromAndFoldsWords) {
    // clang-format off
    const std::pair<const char*, std::optional<QString>> names[] = {
        {"freedict-eng-spa", "en"}, {"FreeDict-FRA-ENG", "fr"}, {"nob-eng", "nb"},
        {"ast-spa", "ast"},
        {"wn", {}}, {"eng-qqq", {}}, {"freedict-eng", {}}, {"eng-spa-extra", {}}};
    const std::pair<QString, QString> folds[] = {
        {u"(Casa),"_s, u"casa"_s}, {u"\u00a1Hola!"_s, u"hola"_s},
        {u"\u00abNI\u00d1O\u00bb."_s, u"ni\u00f1o"_s},
        {u"\U0001F600e-mail\U0001F600"_s, u"e-mail"_s}, {u"--"_s, u""_s}};
    // clang-format on
    for (const auto& [name, source] : names)
        EXPECT_EQ(DictionaryHeadwords::sourceLanguage(QString::fromUtf8(name)), source) << name;
    for (const auto& [word, folded] : folds)
        EXPECT_EQ(DictionaryHeadwords::fold(word), folded);
}

TEST(DictionaryHeadwordsTest, AMissingTruncatedOrFifoIndexGivesWhatItHoldsAtOnce) {
    EXPECT_TRUE(DictionaryHeadwords::readDictdIndex(u"/nonexistent.index"_s).isEmpty());
    const QByteArray ifo = "StarDict's dict ifo file\nbookname=d\n";
    QTemporaryDir truncated;
    ASSERT_TRUE(writeFile(truncated.filePath("d.ifo"), ifo));
    ASSERT_TRUE(
        writeFile(truncated.filePath("d.idx"), QByteArray("Uno\0\0\0\0\0\0\0\0\0dos\0\1\2", 18)));
    EXPECT_EQ(DictionaryHeadwords::readStarDictIndex(truncated.filePath("d.ifo")),
              QSet<QString>{"uno"});
    for (const char* name : {"d.index", "d.ifo", "d.idx"}) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        writeFile(dir.filePath("d.ifo"), ifo);
        writeFile(dir.filePath("d.idx.gz"), gzipZeros(0));
        const QString fifo = dir.filePath(name);
        ASSERT_TRUE(makeFifo(fifo));
        QSet<QString> words{u"unread"_s};
        EXPECT_TRUE(finishesPromptly(
            [&] {
                words = fifo.endsWith(u".index")
                            ? DictionaryHeadwords::readDictdIndex(fifo)
                            : DictionaryHeadwords::readStarDictIndex(dir.filePath("d.ifo"));
            },
            {fifo}));
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
        EXPECT_TRUE(writeFile(dir.filePath(name), bytes));
        return dir.filePath(name);
    };
    ASSERT_EQ(QProcess::execute(u"gzip"_s, {u"-n"_s, write("c.dict", plain)}), 0);
    ASSERT_EQ(QProcess::execute(u"dictzip"_s, {write("b.dict", plain)}), 0);
    for (const QString& path : {write("a.dict", plain), write("a.dict.dz", dictzip(plain, 1000)),
                                dir.filePath("c.dict.gz"), dir.filePath("b.dict.dz")}) {
        SCOPED_TRACE(path.toStdString());
        const DictDataFile file(path);
        const quint64 size = quint64(plain.size());
        for (const auto& [offset, length] : QList<std::pair<quint64, quint64>>{
                 {0, 1}, {999, 2}, {123, 4567}, {size - 10, 10}, {0, size}})
            EXPECT_EQ(file.read(offset, length), plain.mid(qsizetype(offset), qsizetype(length)))
                << offset;
        for (const auto& [offset, length] :
             QList<std::pair<quint64, quint64>>{{size - 1, 2}, {size + 5, 1}, {~quint64(0) - 1, 4}})
            EXPECT_FALSE(file.read(offset, length)) << offset;
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
        QByteArray bytes = dictzip(plain, 1000);
        corruption.apply(bytes);
        writeFile(dir.filePath("bad.dict.dz"), bytes);
        const DictDataFile file(dir.filePath("bad.dict.dz"));
        // Never other bytes than the entry's: a wrong definition is worse than none.
        for (quint64 offset = 0; offset < quint64(plain.size()); offset += 700)
            if (const std::optional<QByteArray> read = file.read(offset, 900)) {
                EXPECT_EQ(*read, plain.mid(qsizetype(offset), 900)) << offset;
            }
    }
    // A scrambled last chunk leaves the first one readable.
    QByteArray bytes = dictzip(plain, 1000);
    for (qsizetype i = bytes.size() - 48; i < bytes.size() - 18; ++i)
        bytes[i] = char(bytes[i] ^ 0x5a);
    writeFile(dir.filePath("d.dict.dz"), bytes);
    EXPECT_EQ(DictDataFile(dir.filePath("d.dict.dz")).read(10, 500), plain.mid(10, 500));
}

// A bomb is refused before memory is taken for what it inflates to.
TEST(DictDataFileTest, GunzipRefusesCorruptOrOversizedStreamsWithoutHoldingThem) {
    const QByteArray bytes = dictzip(QByteArray(5000, 'a'), 1000);
    EXPECT_EQ(DictDataFile::gunzip(bytes, 10000), QByteArray(5000, 'a'));
    EXPECT_FALSE(DictDataFile::gunzip(bytes, 4999));
    EXPECT_FALSE(DictDataFile::gunzip(bytes.first(bytes.size() - 20), 10000));
    EXPECT_FALSE(DictDataFile::gunzip(QByteArray("plain text"), 10000));
    constexpr qsizetype kLimit = 32 * 1024 * 1024;
    const QByteArray bomb = gzipZeros(kLimit + 1);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_FALSE(DictDataFile::gunzip(bomb, kLimit));
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, kLimit / 1024 / 2); // in KiB
}

// As dictfmt writes one: headwords lower-cased and stripped, each entry after its headword line.
// clang-format off
const Database kMain = dictd({
    {"00databaseshort", "Test English-Spanish Dictionary\n"}, {"00databaseutf8", "\n"},
    {"abomb", "A-bomb\nbomba atómica\n"}, {"bank", "bank /bæŋk/\nbanco\n"},
    {"bank", "bank /bæŋk/\norilla\n\n  \n"}, {"house", "house /haʊs/\ncasa\n"},
    {"ice cream", "ice cream\nhelado\n"}, {"niño", "niño\nchild\n"}, {"zebra", "zebra\ncebra\n"}});
// clang-format on
// Without a headword line, and one keeping punctuation in its headwords.
const Database kPlain = dictd({{"house", "casa, hogar\n"}, {"household", "household\nfamilia\n"}});
const Database kAllChars = dictd({{"'hood", "'hood\n  neighbourhood\n"},
                                  {"00-database-allchars", "\n"},
                                  {"a-bomb", "a-bomb\n  atom bomb\n"},
                                  {"abomb", "abomb\n  other\n"}});

class DictdDictionaryTest : public testing::Test {
protected:
    // Plain data only: dictzip reading is DictDataFileTest's, and FileDictionarySourceTest
    // looks a word up in a .dict.dz.
    DictdDictionary write(const Database& db) {
        const QString base = m_dir.filePath(u"test"_s);
        EXPECT_TRUE(writeFile(base + u".index"_s, db.index));
        EXPECT_TRUE(writeFile(base + u".dict"_s, db.data));
        return DictdDictionary(u"test"_s, base + u".index"_s, base + u".dict"_s);
    }

    QTemporaryDir m_dir;
};

TEST_F(DictdDictionaryTest, MatchesAsDictdExactDoes) {
    // clang-format off
    const struct { const Database* db; const char* word; const char* expected; } cases[] = {
        {&kMain, "house", "casa"},       {&kMain, "  HOUSE ", "casa"},
        {&kMain, "A-bomb", "bomba atómica"},
        {&kMain, "bank", "banco\n\norilla"}, // both entries in file order, trailing blanks gone
        {&kMain, "a bomb", nullptr},     {&kMain, "ice  cream", "helado"},
        {&kMain, "Ice-Cream", nullptr},
        {&kMain, "NIÑO", "child"},       {&kMain, "zebra", "cebra"},
        {&kMain, "aardvark", nullptr},
        {&kMain, "zzz", nullptr},        {&kMain, "", nullptr},         {&kMain, "---", nullptr},
        {&kPlain, "house", "casa, hogar"}, {&kPlain, "household", "familia"},
        {&kAllChars, "'hood", "  neighbourhood"}, {&kAllChars, "A-Bomb", "  atom bomb"},
        {&kAllChars, "abomb", "  other"}, {&kAllChars, "hood", nullptr}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(write(*c.db).define(QString::fromUtf8(c.word)),
                  c.expected ? std::optional(QString::fromUtf8(c.expected)) : std::nullopt)
            << c.word;
    EXPECT_EQ(write(kMain).name(), u"Test English-Spanish Dictionary"_s);
    EXPECT_EQ(write(kPlain).name(), u"test"_s);
    EXPECT_EQ(DictdDictionary::decodeNumber("x2E"), 49u * 4096 + 54u * 64 + 4u);
    EXPECT_EQ(DictdDictionary::decodeNumber("/"), 63u);
    for (const char* bad : {"", "A=", "a b", "-1", "ABCDEFGHIJK"})
        EXPECT_FALSE(DictdDictionary::decodeNumber(bad)) << bad;
}

// The index with the line of `headword` replaced.
QByteArray replaceLine(const QByteArray& index, const QByteArray& headword,
                       const QByteArray& line) {
    const qsizetype at = index.indexOf("\n" + headword + '\t') + 1;
    return index.first(at) + line + index.sliced(index.indexOf('\n', at));
}

TEST_F(DictdDictionaryTest, DamageDropsOnlyTheDamagedEntries) {
    const QStringList allBut = {"abomb", "bank", "ice cream", "niño", "zebra"}; // all but house
    // clang-format off
    const std::pair<Damage, void (*)(Database&)> damages[] = {
        {{"truncated index", {"abomb", "bank"}},
         [](Database& db) { db.index.truncate(db.index.indexOf("house") + 8); }},
        // The one out of order is lost.
        {{"unsorted index", {"abomb", "bank", "house", "ice cream", "niño"}},
         [](Database& db) {
             const qsizetype z = db.index.indexOf("zebra");
             db.index = db.index.sliced(z) + db.index.first(z);
         }},
        {{"bad base64", allBut},
         [](Database& db) { db.index = replaceLine(db.index, "house", "house\t*?\tB"); }},
        {{"offset past the end", allBut},
         [](Database& db) { db.index = replaceLine(db.index, "house", "house\tBAAAA\tB"); }},
        {{"length past the end", allBut},
         [](Database& db) { db.index = replaceLine(db.index, "house", "house\tA\t////"); }},
        {{"line without fields", allBut},
         [](Database& db) { db.index = replaceLine(db.index, "house", "house"); }},
        {{"invalid UTF-8", {"abomb", "bank", "niño", "zebra"}, {"house", "c\uFFFD(a"}},
         [](Database& db) {
             db.index = replaceLine(db.index, "ice cream", "ice\xff\xfe\tA\tB");
             db.data.replace("casa", "c\xc3\x28" "a");
         }},
        {{"empty index", {}}, [](Database& db) { db.index.clear(); }},
        {{"missing data file", {}}, [](Database& db) { db.data.clear(); }}};
    // clang-format on
    Definitions intact;
    for (const QString& word : allBut + QStringList{"house"})
        intact.insert(word, write(kMain).define(word));
    for (const auto& [damage, apply] : damages) {
        SCOPED_TRACE(damage.label);
        Database db = kMain;
        apply(db);
        const DictdDictionary dictionary = write(db);
        (void)dictionary.name();
        damage.expect([&](const QString& word) { return dictionary.define(word); }, intact);
        for (const QString& word : {QString(10000, u'a'), u"\xFFFD"_s})
            EXPECT_FALSE(dictionary.define(word));
    }
    const DictdDictionary gone(u"gone"_s, m_dir.filePath(u"no.index"_s),
                               m_dir.filePath(u"no.dict.dz"_s));
    EXPECT_FALSE(gone.define(u"house"_s));
    EXPECT_EQ(gone.name(), u"gone"_s);
}

QByteArray be32(quint32 v) {
    return QByteArray::fromHex(QByteArray::number(v, 16).rightJustified(8, '0'));
}

struct Files {
    QByteArray ifo, idx, dict, syn;
};

// The entries in StarDict's order (ASCII case-insensitive, then bytewise), and the synonyms
// "home" for "house" and "shore" for "bank".
Files build(const QByteArray& sameTypeSequence, int offsetBits = 32) {
    const Entries items = {{"apple", "manzana"},     {"bank", "banco"},
                           {"bank", "orilla"},       {"House", "Casa (proper name)"},
                           {"house", "casa\nhogar"}, {"ice cream", "helado"},
                           {"niño", "child"},        {"zebra", "cebra"},
                           {"Ärger", "anger"}};
    Files files;
    for (const auto& [word, text] : items) {
        const QByteArray data = sameTypeSequence == "m" ? text
                                : sameTypeSequence == "tm"
                                    ? "/pron/" + QByteArray(1, '\0') + text
                                    : 'm' + text + '\0' + 'W' + be32(3) + "wav";
        files.idx += word + '\0' + (offsetBits == 64 ? be32(0) : QByteArray())
                     + be32(quint32(files.dict.size())) + be32(quint32(data.size()));
        files.dict += data;
    }
    files.syn = "home" + QByteArray(1, '\0') + be32(4) + "shore" + QByteArray(1, '\0') + be32(1);
    files.ifo = "StarDict's dict ifo file\nversion=3.0.0\nbookname=Test Spanish\nwordcount=9"
                "\nsynwordcount=2\nidxfilesize="
                + QByteArray::number(files.idx.size()) + "\n"
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
        const QString folder = m_dir.filePath(u"dic/test"_s);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        const QString base = folder + u"/test"_s;
        writeFile(base + u".ifo"_s, files.ifo);
        writeFile(base + u".syn"_s, files.syn);
        writeFile(base + (compressed ? u".idx.gz"_s : u".idx"_s),
                  compressed ? dictzip(files.idx, 50) : files.idx);
        if (!files.dict.isNull())
            writeFile(base + (compressed ? u".dict.dz"_s : u".dict"_s),
                      compressed ? dictzip(files.dict, 16) : files.dict);
        return base + u".ifo"_s;
    }

    QTemporaryDir m_dir;
};

TEST_F(StarDictDictionaryTest, LooksWordsUpInEveryLayout) {
    for (const bool compressed : {false, true}) {
        for (const QByteArray type : {"m", "", "tm"}) {
            SCOPED_TRACE(testing::Message() << compressed << "/" << type.constData());
            const auto dictionary = StarDictDictionary::fromIfo(write(build(type), compressed));
            ASSERT_TRUE(dictionary);
            EXPECT_EQ(dictionary->name(), u"Test Spanish"_s);
            const QString p = type == "tm" ? u"/pron/\n"_s : QString();
            // clang-format off
            const QList<std::pair<QString, std::optional<QString>>> cases = {
                {"APPLE", p + "manzana"}, {"zebra", p + "cebra"}, {"Ärger", p + "anger"},
                {"house", p + "Casa (proper name)\n\n" + p + "casa\nhogar"}, // both cases, file order
                {"bank", p + "banco\n\n" + p + "orilla"}, {"shore", p + "banco"},
                {"Home", p + "casa\nhogar"},
                {"aardvark", std::nullopt}, {"zzz", std::nullopt}, {"", std::nullopt},
                {QString(10000, u'a'), std::nullopt}};
            // clang-format on
            for (const auto& [word, expected] : cases)
                EXPECT_EQ(dictionary->define(word), expected) << word.left(20).toStdString();
        }
    }
    const auto wide = StarDictDictionary::fromIfo(write(build("m", 64)));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->define(u"zebra"_s), u"cebra"_s);
    // clang-format off
    const struct { QByteArray data; QByteArray types; QString text; } entries[] = {
        {"<b>big</b> &amp; <i>small</i>", "h", "big & small"},
        {QByteArray("mone\0gt<i>w</i>o\0", 17), "", "one\ntwo"},
        {"a<br>b", "g", "a\nb"},
        {QByteArray("mtext\0W\0\0\xff\xff", 11), "", "text"}, // resource size past the end
        {"Wxx", "Wm", ""}};
    // clang-format on
    for (const auto& c : entries)
        EXPECT_EQ(StarDictDictionary::entryText(c.data, c.types), c.text) << c.data.constData();
}

TEST_F(StarDictDictionaryTest, DamageDropsOnlyTheDamagedEntries) {
    const QStringList allBut = {"apple", "bank", "house", "home", "shore", "niño"}; // all but zebra
    // clang-format off
    const struct { Damage damage; void (*apply)(Files&); bool opens = true; } damages[] = {
        {{"ifo without bookname", {}},
         [](Files& f) { f.ifo.replace("bookname=Test Spanish\n", ""); }, false},
        {{"not an ifo", {}}, [](Files& f) { f.ifo = "hello\nbookname=x\n"; }, false},
        {{"missing dict", {}}, [](Files& f) { f.dict = QByteArray(); }, false},
        // "House" comes before "house" and stays whole.
        {{"truncated idx", {"apple", "bank", "shore"}, {"house", "Casa (proper name)"}},
         [](Files& f) { f.idx.truncate(f.idx.indexOf("house") + 8); }},
        // The synonyms name entries by their place, which the move changed: left out here.
        {{"unsorted idx", {"bank", "house", "niño"}},
         [](Files& f) {
             const qsizetype z = f.idx.indexOf("zebra");
             f.idx = f.idx.sliced(z) + f.idx.first(z);
             f.syn.clear();
         }},
        {{"offsets past the end", allBut},
         [](Files& f) { f.idx.replace(f.idx.indexOf("zebra") + 6, 4, be32(0x7fffffff)); }},
        {{"size past the end", allBut},
         [](Files& f) { f.idx.replace(f.idx.indexOf("zebra") + 10, 4, be32(0xffffffff)); }},
        {{"synonym pointing nowhere", {"apple", "bank", "house", "zebra", "shore", "niño"}},
         [](Files& f) { f.syn.replace(f.syn.indexOf("home") + 5, 4, be32(5000)); }},
        {{"truncated synonyms", {"apple", "bank", "house", "zebra", "home", "niño"}},
         [](Files& f) { f.syn.chop(3); }},
        {{"invalid UTF-8", {"bank", "house", "home", "shore", "niño"}, {"zebra", "ce\uFFFD(a"}},
         [](Files& f) {
             f.idx.replace("apple", "app\xff\xfe");
             f.dict.replace("cebra", "ce\xc3\x28" "a");
         }},
        {{"empty idx", {}}, [](Files& f) { f.idx.clear(); }}};
    // clang-format on
    Definitions intact;
    const auto whole = StarDictDictionary::fromIfo(write(build("m")));
    for (const QString& word : allBut + QStringList{"zebra"})
        intact.insert(word, whole->define(word));
    for (const auto& [damage, apply, opens] : damages) {
        SCOPED_TRACE(damage.label);
        Files files = build("m");
        apply(files);
        const auto dictionary = StarDictDictionary::fromIfo(write(files));
        ASSERT_EQ(dictionary != nullptr, opens);
        if (dictionary)
            damage.expect([&](const QString& word) { return dictionary->define(word); }, intact);
    }
}

class FileDictionarySourceTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"dictd", "home-dictd", "stardict/a/b"})
            QDir().mkpath(path(folder));
        writeDictd("dictd/mine", ".dict", "Mine");
        writeDictd("dictd/other", ".dict.dz", "Other");
        writeDictd("home-dictd/third", ".dict", "Third");
        // An index without data is no dictionary.
        writeFile(path("dictd/orphan.index"), "x\tA\tB\n");
        for (const auto& [base, bookname] : {std::pair("stardict/a/b/deep", "bookname=Deep\n"),
                                             std::pair("stardict/nameless", "")}) {
            writeFile(path(base) + u".ifo"_s,
                      "StarDict's dict ifo file\nversion=2.4.2\nwordcount=1\n"_ba + bookname);
            writeFile(path(base) + u".idx"_s, QByteArray("house\0\0\0\0\0\0\0\0\5", 14));
            writeFile(path(base) + u".dict"_s, "mcasa");
        }
        // Of a name or an index listed twice, the first counts.
        writeFile(path("db.list"),
                  u"# Automatically generated file -- do not edit.\n"
                  "database \"other\" {\n  data  x\n  index \"%1/other.index\"\n}\n"
                  "# database commented { index %1/third.index }\n"
                  "database_virtual all { database_list \"other,my-db\" }\n"
                  "database my-db { index %1/mine.index }\n"
                  "database my-db { index %1/other.index }\ndatabase {"_s.arg(path("dictd"))
                      .toUtf8());
    }

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    void writeDictd(const char* base, const char* dataSuffix, const QByteArray& name) const {
        const Database db =
            dictd({{"00databaseshort", name + "\n"}, {"house", "house\n" + name + " house\n"}});
        writeFile(path(base) + u".index"_s, db.index);
        writeFile(path(base) + QString::fromLatin1(dataSuffix),
                  QByteArray(dataSuffix) == ".dict" ? db.data : dictzip(db.data, 8));
    }

    FileDictionarySource::Folders folders() const {
        return {
            {path("dictd"), path("home-dictd"), path("none")}, {path("stardict")}, path("db.list")};
    }

    FileDictionarySource source(qsizetype limit = DictDataFile::kMaxSize) const {
        return FileDictionarySource(folders(), limit);
    }

    QTemporaryDir m_dir;
};

TEST_F(FileDictionarySourceTest, FindsBothFormatsInFolderOrderNamedByTheDatabaseList) {
    QStringList seen;
    for (const auto& dictionary : source().dictionaries())
        seen.append(dictionary->identifier() + u'|' + dictionary->name() + u'|'
                    + dictionary->format() + u'|' + dictionary->define(u"House"_s).value_or(""));
    EXPECT_EQ(seen,
              QStringList({u"my-db|Mine|dictd|Mine house"_s, u"other|Other|dictd|Other house"_s,
                           u"third|Third|dictd|Third house"_s, u"deep|Deep|StarDict|casa"_s}));
    EXPECT_EQ(source().activeIDs(), QStringList({u"other"_s, u"my-db"_s}));
    QFile::remove(path("db.list"));
    const FileDictionarySource files = source();
    EXPECT_TRUE(files.activeIDs().isEmpty());
    // Without the list every database is known by its file stem.
    EXPECT_EQ(files.dictionaries().first()->identifier(), u"mine"_s);
}

TEST_F(FileDictionarySourceTest, KeepsOpenedDictionariesUntilTheirFilesChange) {
    const FileDictionarySource files = source();
    const auto first = files.dictionaries();
    EXPECT_EQ(files.dictionaries(), first);
    writeDictd("dictd/mine", ".dict", "Mine again");
    const auto third = files.dictionaries();
    EXPECT_NE(third[0], first[0]);
    EXPECT_EQ(third[0]->name(), u"Mine again"_s);
    EXPECT_EQ(third[1], first[1]);
    QFile::remove(path("home-dictd/third.dict"));
    EXPECT_EQ(files.dictionaries().size(), 3);
}

TEST_F(FileDictionarySourceTest, TheServiceUsesADictionaryInstalledSinceItsLastReadingOnReload) {
    DictionaryService service(std::make_shared<FileDictionarySource>(folders()),
                              [] { return std::chrono::milliseconds(0); });
    const auto lookUp = [&service] {
        QFuture<QList<DictEntry>> future = service.lookup(u"house"_s, QStringList{u"fourth"_s});
        future.waitForFinished();
        QStringList found;
        for (const DictEntry& entry : DictionaryService::entriesOf(future))
            found.append(entry.name + u": "_s + entry.text);
        return found;
    };
    EXPECT_TRUE(lookUp().isEmpty());
    writeDictd("dictd/fourth", ".dict", "Fourth");
    // The list read a moment ago still holds.
    EXPECT_TRUE(lookUp().isEmpty());
    service.reload();
    EXPECT_EQ(lookUp(), QStringList({u"Fourth: Fourth house"_s}));
}

// One damaged file takes out its own dictionary, at once, and no other.
TEST_F(FileDictionarySourceTest, DamagedFileDisablesOnlyItsDictionary) {
    constexpr qsizetype kLimit = 1024 * 1024;
    const QByteArray bomb = gzipZeros(8 * kLimit);
    const QByteArray longLine = "house\tF\tR\t" + QByteArray(2 * 1024 * 1024, 'x');
    // clang-format off
    const struct { const char* file; const char* lost; std::optional<QByteArray> bytes = {};
        } damages[] = {
        {"dictd/mine.index", "Mine house"}, {"dictd/mine.dict", "Mine house"}, // FIFOs
        {"dictd/other.dict.dz", "Other house"}, {"stardict/a/b/deep.ifo", "casa"},
        {"stardict/a/b/deep.idx", "casa"}, {"stardict/a/b/deep.dict", "casa"},
        {"stardict/a/b/deep.syn", ""}, {"db.list", ""},
        {"dictd/other.dict.dz", "Other house", bomb}, {"stardict/a/b/deep.idx.gz", "casa", bomb},
        {"dictd/other.dict.dz", "Other house", "Other\nhouse\nOther house\n"},
        {"dictd/mine.index", "Mine house", longLine}};
    // clang-format on
    for (const auto& damage : damages) {
        SCOPED_TRACE(std::string(damage.file) + " " + damage.lost);
        SetUp();
        const QString file = path(damage.file);
        if (file.endsWith(u".idx.gz"))
            QFile::remove(path("stardict/a/b/deep.idx"));
        ASSERT_TRUE(damage.bytes ? writeFile(file, *damage.bytes) : makeFifo(file));
        const FileDictionarySource files = source(kLimit);
        QStringList found;
        EXPECT_TRUE(finishesPromptly(
            [&] {
                for (const auto& dictionary : files.dictionaries())
                    if (const auto text = dictionary->define(u"house"_s))
                        found.append(*text);
            },
            {file}));
        QStringList expected = {u"Mine house"_s, u"Other house"_s, u"Third house"_s, u"casa"_s};
        expected.removeAll(QString::fromLatin1(damage.lost));
        EXPECT_EQ(found, expected);
        QFile::remove(file);
    }
}

} // namespace
