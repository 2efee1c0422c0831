#include "platform/linux/dictionaries/DictdDictionary.h"

#include "tests/platform/linux/dictionaries/DictFixtures.h"
#include "tests/support/LoopbackPort.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A small database as dictfmt writes one: UTF-8, headwords lower-cased and stripped, each
// entry starting with its headword line.
struct Entry {
    QByteArray headword;
    QByteArray text;
};

struct Database {
    QByteArray index;
    QByteArray data;
};

Database build(const QList<Entry>& entries) {
    Database db;
    for (const Entry& entry : entries) {
        db.index += entry.headword + '\t' + DictFixtures::base64Number(quint64(db.data.size()))
                    + '\t' + DictFixtures::base64Number(quint64(entry.text.size())) + '\n';
        db.data += entry.text;
    }
    return db;
}

const QList<Entry> kEntries = {
    {"00databaseshort", "Test English-Spanish Dictionary\n"},
    {"00databaseutf8", "\n"},
    {"abomb", "A-bomb\nbomba atómica\n"},
    {"bank", "bank /bæŋk/\nbanco\n"},
    {"bank", "bank /bæŋk/\norilla\n\n  \n"},
    {"house", "house /haʊs/\ncasa\n"},
    {"ice cream", "ice cream\nhelado\n"},
    {"niño", "niño\nchild\n"},
    {"zebra", "zebra\ncebra\n"},
};

class DictdDictionaryTest : public testing::Test {
protected:
    DictdDictionary write(const Database& db, bool compressed = false) {
        const QString base = m_dir.filePath(QStringLiteral("test"));
        EXPECT_TRUE(DictFixtures::writeFile(base + QStringLiteral(".index"), db.index));
        const QString data =
            base + (compressed ? QStringLiteral(".dict.dz") : QStringLiteral(".dict"));
        EXPECT_TRUE(DictFixtures::writeFile(data, compressed ? DictFixtures::dictzip(db.data, 64)
                                                             : db.data));
        return DictdDictionary(QStringLiteral("test"), base + QStringLiteral(".index"), data);
    }

    QTemporaryDir m_dir;
};

TEST_F(DictdDictionaryTest, NameIsTheShortDescriptionOrTheIdentifier) {
    const DictdDictionary dictionary = write(build(kEntries));
    EXPECT_EQ(dictionary.name(), QStringLiteral("Test English-Spanish Dictionary"));
    EXPECT_EQ(write(build({{"house", "house\ncasa\n"}})).name(), QStringLiteral("test"));
    const DictdDictionary gone(QStringLiteral("gone"), m_dir.filePath(QStringLiteral("no.index")),
                               m_dir.filePath(QStringLiteral("no.dict.dz")));
    EXPECT_FALSE(gone.define(QStringLiteral("house")));
    EXPECT_EQ(gone.name(), QStringLiteral("gone"));
}

TEST_F(DictdDictionaryTest, MatchesAsDictdExactDoes) {
    const struct {
        const char* word;
        std::optional<const char*> expected;
    } cases[] = {{"house", "casa"},
                 {"  HOUSE ", "casa"},
                 // Both entries, in file order, the trailing blank lines gone.
                 {"bank", "banco\n\norilla"},
                 {"A-bomb", "bomba atómica"},
                 {"a bomb", std::nullopt},
                 {"ice  cream", "helado"},
                 {"Ice-Cream", std::nullopt},
                 {"NIÑO", "child"},
                 {"zebra", "cebra"},
                 {"aardvark", std::nullopt},
                 {"zzz", std::nullopt},
                 {"", std::nullopt},
                 {"---", std::nullopt}};
    for (const bool compressed : {false, true}) {
        const DictdDictionary dictionary = write(build(kEntries), compressed);
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.word << (compressed ? " (dz)" : ""));
            const std::optional<QString> text = dictionary.define(QString::fromUtf8(c.word));
            ASSERT_EQ(text.has_value(), c.expected.has_value());
            if (text) {
                EXPECT_EQ(text->toStdString(), *c.expected);
            }
        }
    }
}

TEST_F(DictdDictionaryTest, HeadwordLineAndPunctuation) {
    const DictdDictionary plain =
        write(build({{"house", "casa, hogar\n"}, {"household", "household\nfamilia\n"}}));
    // An entry without a headword line keeps its first line.
    EXPECT_EQ(plain.define(QStringLiteral("house")), QStringLiteral("casa, hogar"));
    EXPECT_EQ(plain.define(QStringLiteral("household")), QStringLiteral("familia"));
    // An all-chars database keeps punctuation in its headwords.
    const DictdDictionary dictionary = write(build({{"'hood", "'hood\n  neighbourhood\n"},
                                                    {"00-database-allchars", "\n"},
                                                    {"a-bomb", "a-bomb\n  atom bomb\n"},
                                                    {"abomb", "abomb\n  other\n"}}));
    EXPECT_EQ(dictionary.define(QStringLiteral("'hood")), QStringLiteral("  neighbourhood"));
    EXPECT_EQ(dictionary.define(QStringLiteral("A-Bomb")), QStringLiteral("  atom bomb"));
    EXPECT_EQ(dictionary.define(QStringLiteral("abomb")), QStringLiteral("  other"));
    EXPECT_FALSE(dictionary.define(QStringLiteral("hood")));
}

TEST(DictdNumberTest, DecodesBase64DigitsAndRefusesOthers) {
    EXPECT_EQ(DictdDictionary::decodeNumber("A"), 0u);
    EXPECT_EQ(DictdDictionary::decodeNumber("/"), 63u);
    EXPECT_EQ(DictdDictionary::decodeNumber("x2E"), 49u * 4096 + 54u * 64 + 4u);
    for (const char* bad : {"", "A=", "a b", "-1", "ABCDEFGHIJK"})
        EXPECT_FALSE(DictdDictionary::decodeNumber(bad)) << bad;
}

QByteArray replaceLine(const QByteArray& index, const QByteArray& headword,
                       const QByteArray& line) {
    QList<QByteArray> lines = index.split('\n');
    for (QByteArray& l : lines)
        if (l.startsWith(headword + '\t'))
            l = line;
    return lines.join('\n');
}

// Damaged databases: the damaged entries disappear, the rest still answer.
TEST_F(DictdDictionaryTest, DamageYieldsFewerResultsWithoutCrashing) {
    const struct {
        const char* label;
        void (*apply)(Database&);
        QStringList stillFound;
    } damages[] = {
        {"truncated index",
         [](Database& db) { db.index.truncate(db.index.indexOf("house") + 8); },
         {"bank"}},
        {"unsorted index",
         [](Database& db) {
             db.index = replaceLine(db.index, "zebra", "aaa\tA\tB") + "zebra\tA\tB\n";
         },
         {"bank", "house"}},
        {"bad base64",
         [](Database& db) { db.index = replaceLine(db.index, "house", "house\t*?\tB"); },
         {"bank", "zebra"}},
        {"offset past the end",
         [](Database& db) { db.index = replaceLine(db.index, "house", "house\tBAAAA\tB"); },
         {"bank", "zebra"}},
        {"length past the end",
         [](Database& db) { db.index = replaceLine(db.index, "house", "house\tA\t////"); },
         {"bank", "zebra"}},
        {"line without fields",
         [](Database& db) { db.index = replaceLine(db.index, "house", "house"); },
         {"bank", "zebra"}},
        {"invalid UTF-8",
         [](Database& db) {
             db.index = replaceLine(db.index, "ice cream", "ice\xff\xfe\tA\tB");
             db.data.replace("casa", "c\xc3\x28sa");
         },
         {"bank", "zebra", "house"}},
        {"empty index", [](Database& db) { db.index.clear(); }, {}},
        {"missing data file", [](Database& db) { db.data.clear(); }, {}}};
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.label);
        Database db = build(kEntries);
        damage.apply(db);
        const DictdDictionary dictionary = write(db);
        (void)dictionary.name();
        for (const QString& word : damage.stillFound)
            EXPECT_TRUE(dictionary.define(word)) << word.toStdString();
        for (const QString& word : {QString(10000, QLatin1Char('a')), QStringLiteral("\xFFFD")})
            EXPECT_FALSE(dictionary.define(word));
    }
}

// --- Against the real dictd server, on the databases installed here. ---

// Each installed database answers as the server does for its words; its name is its short
// description.
struct RealDatabase {
    QString id;
    QString stem;
    QStringList words;
};

const QList<RealDatabase> kReal = {
    {QStringLiteral("wn"),
     QStringLiteral("wn"),
     {"house", "HOUSE", "bank", "New York", "ice cream", "'hood", ".22 caliber", "1000", "a-bomb",
      "tween decks", "notawordatall", "café", "set"}},
    {QStringLiteral("fd-eng-spa"),
     QStringLiteral("freedict-eng-spa"),
     {"house", "dog", "water", "bank", "Zebra", "a-bomb", "notawordatall"}},
    {QStringLiteral("fd-spa-eng"),
     QStringLiteral("freedict-spa-eng"),
     {"casa", "perro", "a propósito", "Abecé", "a través de", "notawordatall"}}};

const QString kFolder = QStringLiteral("/usr/share/dictd/");

class DictdServerTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const QString dictd =
            QStandardPaths::findExecutable(QStringLiteral("dictd"), {QStringLiteral("/usr/sbin")});
        if (dictd.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("dict")).isEmpty())
            return;
        s_dir = new QTemporaryDir;
        QByteArray config = "global {\n listen_to 127.0.0.1\n}\n";
        for (const RealDatabase& db : kReal) {
            const QString index = kFolder + db.stem + QStringLiteral(".index");
            if (!QFileInfo::exists(index))
                continue;
            config += "database " + db.id.toUtf8() + " {\n data "
                      + (kFolder + db.stem + QStringLiteral(".dict.dz")).toUtf8() + "\n index "
                      + index.toUtf8() + "\n}\n";
            s_present.append(db.id);
        }
        if (s_present.isEmpty())
            return;
        const QString configPath = s_dir->filePath(QStringLiteral("dictd.conf"));
        DictFixtures::writeFile(configPath, config);
        // dictd started as root reads its configuration after giving up its privileges.
        QFile::setPermissions(s_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                 | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                 | QFileDevice::ExeOther);
        QFile::setPermissions(configPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                              | QFileDevice::ReadOther);
        s_port = LoopbackPort::unused();
        s_server = new QProcess;
        s_server->start(dictd, {QStringLiteral("-c"), configPath, QStringLiteral("-p"),
                                QString::number(s_port), QStringLiteral("--listen-to"),
                                QStringLiteral("127.0.0.1"), QStringLiteral("-d"),
                                QStringLiteral("nodetach")});
        for (int i = 0; i < 100 && !LoopbackPort::accepts(s_port); ++i)
            QThread::msleep(50);
    }

    static void TearDownTestSuite() {
        if (s_server) {
            s_server->terminate();
            if (!s_server->waitForFinished(3000))
                s_server->kill();
            s_server->waitForFinished(3000);
        }
        delete s_server;
        delete s_dir;
        s_server = nullptr;
        s_dir = nullptr;
    }

    void SetUp() override {
        if (!s_server || !LoopbackPort::accepts(s_port))
            GTEST_SKIP() << "no dictd server or installed dictd databases";
    }

    // What dict prints, each definition without its headword line, white space collapsed;
    // empty when nothing was found.
    static QString fromServer(const QString& id, const QString& word) {
        QProcess dict;
        dict.start(QStringLiteral("dict"),
                   {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                    QString::number(s_port), QStringLiteral("-d"), id, word});
        dict.waitForFinished(20000);
        const QStringList lines =
            QString::fromUtf8(dict.readAllStandardOutput()).split(QLatin1Char('\n'));
        QStringList kept;
        bool inDefinition = false;
        bool headwordSeen = false;
        for (const QString& line : lines) {
            if (line.startsWith(QStringLiteral("From ")) && line.endsWith(QLatin1Char(':'))) {
                inDefinition = true;
                headwordSeen = false;
                continue;
            }
            if (!inDefinition || line.trimmed().isEmpty())
                continue;
            if (!headwordSeen) {
                headwordSeen = true;
                continue;
            }
            kept.append(line);
        }
        return kept.join(QLatin1Char(' ')).simplified();
    }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline QProcess* s_server = nullptr;
    static inline int s_port = 0;
    static inline QStringList s_present;
};

TEST_F(DictdServerTest, SameTextAsTheServer) {
    for (const RealDatabase& db : kReal) {
        if (!s_present.contains(db.id))
            continue;
        SCOPED_TRACE(db.id.toStdString());
        const DictdDictionary dictionary(db.id, kFolder + db.stem + QStringLiteral(".index"),
                                         kFolder + db.stem + QStringLiteral(".dict.dz"));
        EXPECT_FALSE(dictionary.name().startsWith(QStringLiteral("00")));
        EXPECT_NE(dictionary.name(), db.id);
        qsizetype found = 0;
        for (const QString& word : db.words) {
            const QString expected = fromServer(db.id, word);
            found += expected.isEmpty() ? 0 : 1;
            const std::optional<QString> ours = dictionary.define(word);
            ASSERT_EQ(ours.has_value(), !expected.isEmpty()) << word.toStdString();
            if (ours) {
                EXPECT_EQ(ours->simplified().toStdString(), expected.toStdString())
                    << word.toStdString();
            }
        }
        // The server must really have answered, or the comparison proves nothing.
        EXPECT_GE(found, db.words.size() * 2 / 3);
    }
}

} // namespace
