#include "platform/linux/dictionaries/FileDictionarySource.h"

#include "tests/platform/linux/dictionaries/DictFixtures.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/ScopedEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

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

TEST(FileDictionarySourceSystemTest, FoldersFollowXdgDataHome) {
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", "/data/home");
    const FileDictionarySource::Folders folders = FileDictionarySource::systemFolders();
    EXPECT_EQ(folders.dictd, QStringList({u"/usr/share/dictd"_s, u"/data/home/dictd"_s}));
    EXPECT_EQ(folders.starDict,
              QStringList({u"/usr/share/stardict/dic"_s, QDir::homePath() + u"/.stardict/dic"_s,
                           u"/data/home/stardict/dic"_s}));
    EXPECT_EQ(folders.dictdDatabaseList, u"/var/lib/dictd/db.list"_s);
    environment.set("XDG_DATA_HOME", "relative");
    EXPECT_EQ(FileDictionarySource::systemFolders().dictd.at(1),
              QDir::homePath() + u"/.local/share/dictd"_s);
}

} // namespace
