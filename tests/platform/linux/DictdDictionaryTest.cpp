#include "platform/linux/DictdDictionary.h"

#include "tests/platform/linux/DictFixtures.h"
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

TEST_F(DictdDictionaryTest, NameComesFromTheShortDescription) {
    const DictdDictionary dictionary = write(build(kEntries));
    EXPECT_EQ(dictionary.name(), QStringLiteral("Test English-Spanish Dictionary"));
    EXPECT_EQ(dictionary.identifier(), QStringLiteral("test"));
    EXPECT_EQ(dictionary.format(), QStringLiteral("dictd"));
}

TEST_F(DictdDictionaryTest, NameFallsBackToTheIdentifier) {
    const DictdDictionary dictionary = write(build({{"house", "house\ncasa\n"}}));
    EXPECT_EQ(dictionary.name(), QStringLiteral("test"));
}

struct LookupCase {
    const char* word;
    std::optional<const char*> expected;
};

void PrintTo(const LookupCase& c, std::ostream* out) {
    *out << c.word;
}

class DictdLookupTest : public DictdDictionaryTest,
                        public testing::WithParamInterface<std::tuple<LookupCase, bool>> {};

TEST_P(DictdLookupTest, MatchesAsDictdExactDoes) {
    const auto& [c, compressed] = GetParam();
    const DictdDictionary dictionary = write(build(kEntries), compressed);
    const std::optional<QString> text = dictionary.define(QString::fromUtf8(c.word));
    if (!c.expected) {
        EXPECT_FALSE(text.has_value()) << text->toStdString();
        return;
    }
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->toStdString(), *c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Words, DictdLookupTest,
    testing::Combine(
        testing::Values(LookupCase{"house", "casa"}, LookupCase{"HOUSE", "casa"},
                        LookupCase{"  House ", "casa"},
                        // Both entries, in file order, the trailing blank lines gone.
                        LookupCase{"bank", "banco\n\norilla"},
                        LookupCase{"A-bomb", "bomba atómica"}, LookupCase{"a bomb", std::nullopt},
                        LookupCase{"ice  cream", "helado"}, LookupCase{"Ice-Cream", std::nullopt},
                        LookupCase{"niño", "child"}, LookupCase{"NIÑO", "child"},
                        LookupCase{"zebra", "cebra"}, LookupCase{"aardvark", std::nullopt},
                        LookupCase{"zzz", std::nullopt}, LookupCase{"", std::nullopt},
                        LookupCase{"---", std::nullopt}),
        testing::Bool()));

TEST_F(DictdDictionaryTest, EntryWithoutHeadwordLineKeepsItsFirstLine) {
    const DictdDictionary dictionary =
        write(build({{"house", "casa, hogar\n"}, {"household", "household\nfamilia\n"}}));
    EXPECT_EQ(dictionary.define(QStringLiteral("house")), QStringLiteral("casa, hogar"));
    EXPECT_EQ(dictionary.define(QStringLiteral("household")), QStringLiteral("familia"));
}

TEST_F(DictdDictionaryTest, AllCharsDatabaseKeepsPunctuationInHeadwords) {
    const DictdDictionary dictionary = write(build({{"'hood", "'hood\n  neighbourhood\n"},
                                                    {".22", ".22\n  a calibre\n"},
                                                    {"00-database-allchars", "\n"},
                                                    {"a-bomb", "a-bomb\n  atom bomb\n"},
                                                    {"abomb", "abomb\n  other\n"}}));
    EXPECT_EQ(dictionary.define(QStringLiteral("'hood")), QStringLiteral("  neighbourhood"));
    EXPECT_EQ(dictionary.define(QStringLiteral(".22")), QStringLiteral("  a calibre"));
    EXPECT_EQ(dictionary.define(QStringLiteral("A-Bomb")), QStringLiteral("  atom bomb"));
    EXPECT_EQ(dictionary.define(QStringLiteral("abomb")), QStringLiteral("  other"));
    EXPECT_FALSE(dictionary.define(QStringLiteral("hood")));
}

TEST(DictdNumberTest, DecodesBase64DigitsAndRefusesOthers) {
    EXPECT_EQ(DictdDictionary::decodeNumber("A"), 0u);
    EXPECT_EQ(DictdDictionary::decodeNumber("B"), 1u);
    EXPECT_EQ(DictdDictionary::decodeNumber("/"), 63u);
    EXPECT_EQ(DictdDictionary::decodeNumber("BA"), 64u);
    EXPECT_EQ(DictdDictionary::decodeNumber("x2E"), 49u * 4096 + 54u * 64 + 4u);
    for (const char* bad : {"", "A=", "a b", "-1", "ABCDEFGHIJK"})
        EXPECT_FALSE(DictdDictionary::decodeNumber(bad)) << bad;
}

// Damaged databases: the damaged entries disappear, the rest still answer.
struct Damage {
    const char* label;
    void (*apply)(Database&);
    QStringList stillFound;
};

void PrintTo(const Damage& d, std::ostream* out) {
    *out << d.label;
}

class DictdDamageTest : public DictdDictionaryTest, public testing::WithParamInterface<Damage> {};

TEST_P(DictdDamageTest, YieldsFewerResultsWithoutCrashing) {
    Database db = build(kEntries);
    GetParam().apply(db);
    const DictdDictionary dictionary = write(db);
    (void)dictionary.name();
    for (const Entry& entry : kEntries) {
        const QString word = QString::fromUtf8(entry.headword);
        const std::optional<QString> text = dictionary.define(word);
        if (GetParam().stillFound.contains(word)) {
            EXPECT_TRUE(text.has_value()) << word.toStdString();
        }
    }
    for (const QString& word : {QString(10000, QLatin1Char('a')), QStringLiteral("\xFFFD\xFFFD")})
        EXPECT_FALSE(dictionary.define(word));
}

QByteArray replaceLine(const QByteArray& index, const QByteArray& headword,
                       const QByteArray& line) {
    QList<QByteArray> lines = index.split('\n');
    for (QByteArray& l : lines)
        if (l.startsWith(headword + '\t'))
            l = line;
    return lines.join('\n');
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, DictdDamageTest,
    testing::Values(
        Damage{"truncated index",
               [](Database& db) { db.index.truncate(db.index.indexOf("house") + 8); },
               {"bank"}},
        Damage{"unsorted index",
               [](Database& db) {
                   db.index = replaceLine(db.index, "zebra", "aaa\tA\tB") + "zebra\tA\tB\n";
               },
               {"bank", "house"}},
        Damage{"bad base64",
               [](Database& db) { db.index = replaceLine(db.index, "house", "house\t*?\tB"); },
               {"bank", "zebra"}},
        Damage{"offset past the end",
               [](Database& db) { db.index = replaceLine(db.index, "house", "house\tBAAAA\tB"); },
               {"bank", "zebra"}},
        Damage{"length past the end",
               [](Database& db) { db.index = replaceLine(db.index, "house", "house\tA\t////"); },
               {"bank", "zebra"}},
        Damage{"line without fields",
               [](Database& db) { db.index = replaceLine(db.index, "house", "house"); },
               {"bank", "zebra"}},
        Damage{"invalid UTF-8",
               [](Database& db) {
                   db.index = replaceLine(db.index, "ice cream", "ice\xff\xfe\tA\tB");
                   db.data.replace("casa", "c\xc3\x28sa");
               },
               {"bank", "zebra", "house"}},
        Damage{"empty index", [](Database& db) { db.index.clear(); }, {}},
        Damage{"missing data file", [](Database& db) { db.data.clear(); }, {}}));

TEST_F(DictdDictionaryTest, MissingFilesYieldNothing) {
    const DictdDictionary dictionary(QStringLiteral("gone"),
                                     m_dir.filePath(QStringLiteral("no.index")),
                                     m_dir.filePath(QStringLiteral("no.dict.dz")));
    EXPECT_FALSE(dictionary.define(QStringLiteral("house")));
    EXPECT_EQ(dictionary.name(), QStringLiteral("gone"));
}

// --- Against the real dictd server, on the databases installed here. ---

struct RealDatabase {
    QString id;
    QString stem;
};

const QList<RealDatabase> kReal = {
    {QStringLiteral("wn"), QStringLiteral("wn")},
    {QStringLiteral("fd-eng-spa"), QStringLiteral("freedict-eng-spa")},
    {QStringLiteral("fd-spa-eng"), QStringLiteral("freedict-spa-eng")}};

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

struct RealWords {
    const char* id;
    QStringList words;
};

void PrintTo(const RealWords& r, std::ostream* out) {
    *out << r.id;
}

class DictdServerWordsTest : public DictdServerTest,
                             public testing::WithParamInterface<RealWords> {};

TEST_P(DictdServerWordsTest, SameTextAsTheServer) {
    const QString id = QString::fromUtf8(GetParam().id);
    if (!s_present.contains(id))
        GTEST_SKIP() << id.toStdString() << " is not installed";
    const RealDatabase db = *std::find_if(kReal.begin(), kReal.end(),
                                          [&](const RealDatabase& r) { return r.id == id; });
    const DictdDictionary dictionary(id, kFolder + db.stem + QStringLiteral(".index"),
                                     kFolder + db.stem + QStringLiteral(".dict.dz"));
    qsizetype found = 0;
    for (const QString& word : GetParam().words) {
        const QString expected = fromServer(id, word);
        found += expected.isEmpty() ? 0 : 1;
        const std::optional<QString> ours = dictionary.define(word);
        if (expected.isEmpty()) {
            EXPECT_FALSE(ours.has_value()) << word.toStdString();
            continue;
        }
        ASSERT_TRUE(ours.has_value()) << word.toStdString();
        EXPECT_EQ(ours->simplified().toStdString(), expected.toStdString()) << word.toStdString();
    }
    // The server must really have answered, or the comparison proves nothing.
    EXPECT_GE(found, GetParam().words.size() * 2 / 3);
}

INSTANTIATE_TEST_SUITE_P(
    Installed, DictdServerWordsTest,
    testing::Values(RealWords{"wn",
                              {"house", "HOUSE", "dog", "run", "light", "bank", "computer",
                               "New York", "ice cream", "'hood", ".22 caliber", "1000", "a-bomb",
                               "zymurgy", "tween decks", "notawordatall", "café", "set"}},
                    RealWords{"fd-eng-spa",
                              {"house", "dog", "cat", "water", "book", "good", "bank", "Zebra",
                               "run", "a-bomb", "notawordatall"}},
                    RealWords{"fd-spa-eng",
                              {"casa", "perro", "a propósito", "abadía", "Abecé", "agua", "libro",
                               "a través de", "notawordatall"}}),
    [](const testing::TestParamInfo<RealWords>& info) {
        return QString::fromUtf8(info.param.id).remove(QLatin1Char('-')).toStdString();
    });

TEST_F(DictdServerTest, NamesAreTheShortDescriptions) {
    for (const RealDatabase& db : kReal) {
        if (!s_present.contains(db.id))
            continue;
        const DictdDictionary dictionary(db.id, kFolder + db.stem + QStringLiteral(".index"),
                                         kFolder + db.stem + QStringLiteral(".dict.dz"));
        EXPECT_FALSE(dictionary.name().startsWith(QStringLiteral("00")));
        EXPECT_NE(dictionary.name(), db.id);
    }
}

} // namespace
