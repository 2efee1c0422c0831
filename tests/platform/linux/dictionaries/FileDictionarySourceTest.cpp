#include "platform/linux/dictionaries/FileDictionarySource.h"

#include "tests/platform/linux/dictionaries/DictFixtures.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/ScopedEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

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
    EXPECT_EQ(databases[0], std::make_pair(QStringLiteral("wn"), QStringLiteral("/x/wn.index")));
    EXPECT_EQ(databases[1], std::make_pair(QStringLiteral("fd-eng-spa"),
                                           QStringLiteral("/x/freedict-eng-spa.index")));
    EXPECT_TRUE(FileDictionarySource::parseDatabaseList(QStringLiteral("database {")).isEmpty());
}

class FileDictionarySourceTest : public testing::Test {
protected:
    void SetUp() override {
        m_dictd = m_dir.filePath(QStringLiteral("dictd"));
        m_dictd2 = m_dir.filePath(QStringLiteral("home-dictd"));
        m_starDict = m_dir.filePath(QStringLiteral("stardict"));
        for (const QString& folder : {m_dictd, m_dictd2, m_starDict + QStringLiteral("/a/b")})
            QDir().mkpath(folder);
        writeDictd(m_dictd + QStringLiteral("/mine"), ".dict", "Mine");
        writeDictd(m_dictd + QStringLiteral("/other"), ".dict.dz", "Other");
        writeDictd(m_dictd2 + QStringLiteral("/third"), ".dict", "Third");
        // An index without data is no dictionary.
        DictFixtures::writeFile(m_dictd + QStringLiteral("/orphan.index"), "x\tA\tB\n");
        writeStarDict(m_starDict + QStringLiteral("/a/b/deep"), "bookname=Deep\n");
        writeStarDict(m_starDict + QStringLiteral("/nameless"), "");
        m_dbList = m_dir.filePath(QStringLiteral("db.list"));
        DictFixtures::writeFile(m_dbList, "database other { data x index "
                                              + (m_dictd + QStringLiteral("/other.index")).toUtf8()
                                              + " }\ndatabase my-db { index "
                                              + (m_dictd + QStringLiteral("/mine.index")).toUtf8()
                                              + " }\n");
    }

    static void writeDictd(const QString& base, const char* dataSuffix, const QByteArray& name) {
        const DictFixtures::Database db = DictFixtures::dictd(
            {{"00databaseshort", name + "\n"}, {"house", "house\n" + name + " house\n"}});
        DictFixtures::writeFile(base + QStringLiteral(".index"), db.index);
        DictFixtures::writeFile(
            base + QString::fromLatin1(dataSuffix),
            QByteArray(dataSuffix) == ".dict" ? db.data : DictFixtures::dictzip(db.data, 8));
    }

    static void writeStarDict(const QString& base, const QByteArray& bookname) {
        DictFixtures::writeFile(base + QStringLiteral(".ifo"),
                                "StarDict's dict ifo file\nversion=2.4.2\nwordcount=1\n"
                                    + bookname);
        DictFixtures::writeFile(base + QStringLiteral(".idx"),
                                QByteArray("house\0\0\0\0\0\0\0\0\5", 14));
        DictFixtures::writeFile(base + QStringLiteral(".dict"), "mcasa");
    }

    FileDictionarySource source() const {
        return FileDictionarySource(
            {{m_dictd, m_dictd2, m_dir.filePath(QStringLiteral("none"))}, {m_starDict}, m_dbList});
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
                    + dictionary->define(QStringLiteral("House")).value_or(QString()));
    EXPECT_EQ(seen, QStringList({QStringLiteral("my-db|Mine|dictd|Mine house"),
                                 QStringLiteral("other|Other|dictd|Other house"),
                                 QStringLiteral("third|Third|dictd|Third house"),
                                 QStringLiteral("deep|Deep|StarDict|casa")}));
    EXPECT_EQ(source().activeIDs(),
              QStringList({QStringLiteral("other"), QStringLiteral("my-db")}));
    QFile::remove(m_dbList);
    const FileDictionarySource files = source();
    EXPECT_TRUE(files.activeIDs().isEmpty());
    // Without the list every database is known by its file stem.
    EXPECT_EQ(files.dictionaries().first()->identifier(), QStringLiteral("mine"));
}

TEST_F(FileDictionarySourceTest, KeepsOpenedDictionariesUntilTheirFilesChange) {
    const FileDictionarySource files = source();
    const auto first = files.dictionaries();
    EXPECT_EQ(files.dictionaries(), first);
    writeDictd(m_dictd + QStringLiteral("/mine"), ".dict", "Mine again");
    const auto third = files.dictionaries();
    EXPECT_NE(third[0], first[0]);
    EXPECT_EQ(third[0]->name(), QStringLiteral("Mine again"));
    EXPECT_EQ(third[1], first[1]);
    QFile::remove(m_dictd2 + QStringLiteral("/third.dict"));
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
    const QStringList all = {QStringLiteral("Mine house"), QStringLiteral("Other house"),
                             QStringLiteral("Third house"), QStringLiteral("casa")};
    for (const Damage& damage : damages) {
        SCOPED_TRACE(std::string(damage.file) + " " + damage.lost);
        SetUp();
        const QString path = m_dir.filePath(QString::fromLatin1(damage.file));
        if (path.endsWith(QLatin1String(".idx.gz")))
            QFile::remove(m_starDict + QStringLiteral("/a/b/deep.idx"));
        ASSERT_TRUE(damage.make(path));
        const FileDictionarySource files({{m_dictd, m_dictd2}, {m_starDict}, m_dbList}, kLimit);
        QStringList found;
        EXPECT_TRUE(DictFixtures::finishesPromptly(
            [&] {
                for (const auto& dictionary : files.dictionaries())
                    if (const auto text = dictionary->define(QStringLiteral("house")))
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
    EXPECT_EQ(folders.dictd, QStringList({QStringLiteral("/usr/share/dictd"),
                                          QStringLiteral("/data/home/dictd")}));
    EXPECT_EQ(folders.starDict, QStringList({QStringLiteral("/usr/share/stardict/dic"),
                                             QDir::homePath() + QStringLiteral("/.stardict/dic"),
                                             QStringLiteral("/data/home/stardict/dic")}));
    EXPECT_EQ(folders.dictdDatabaseList, QStringLiteral("/var/lib/dictd/db.list"));
    environment.set("XDG_DATA_HOME", "relative");
    EXPECT_EQ(FileDictionarySource::systemFolders().dictd.at(1),
              QDir::homePath() + QStringLiteral("/.local/share/dictd"));
}

} // namespace
