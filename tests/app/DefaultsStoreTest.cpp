#include "app/DefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString domain = QStringLiteral("test.domain");

class DefaultsStoreTest : public testing::Test {
protected:
    QString path() const { return dir.filePath(domain + QStringLiteral(".json")); }
    QString badPath() const { return dir.filePath(domain + QStringLiteral(".bad.json")); }

    void writeFile(const QString& file, const QByteArray& contents) const {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(contents);
    }

    QByteArray readFile(const QString& file) const {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

TEST_F(DefaultsStoreTest, MissingFileIsEmptyAndReadingWritesNothing) {
    DefaultsStore store(domain, dir.path());
    EXPECT_FALSE(store.contains(QStringLiteral("a")));
    EXPECT_FALSE(store.object(QStringLiteral("a")).isValid());
    EXPECT_EQ(store.string(QStringLiteral("a")), std::nullopt);
    EXPECT_EQ(store.integer(QStringLiteral("a")), 0);
    EXPECT_FALSE(store.boolean(QStringLiteral("a")));
    EXPECT_EQ(store.stringList(QStringLiteral("a")), std::nullopt);
    EXPECT_TRUE(store.dictionary().isEmpty());
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(DefaultsStoreTest, EveryChangeIsOnDiskAtOnceWithItsType) {
    const QString folder = dir.path() + QStringLiteral("/not/yet");
    DefaultsStore store(domain, folder);
    store.setBool(QStringLiteral("flag"), false);
    store.setInteger(QStringLiteral("count"), 7);
    store.setString(QStringLiteral("digits"), QStringLiteral("1"));
    store.setStringList(QStringLiteral("list"), {QStringLiteral("x"), QStringLiteral("y")});
    store.setObject(QStringLiteral("number"), 2.5);
    store.setObject(QStringLiteral("pair"), QVariantList{800, 600});
    store.setObject(QStringLiteral("map"), QVariantMap{{QStringLiteral("k"), true}});
    store.setString(QStringLiteral("gone"), QStringLiteral("soon"));
    store.remove(QStringLiteral("gone"));
    // The store stays open: nothing is held back until it closes.
    DefaultsStore reloaded(domain, folder);
    const QVariantMap values = reloaded.dictionary();
    EXPECT_EQ(values.keys(),
              QStringList({"count", "digits", "flag", "list", "map", "number", "pair"}));
    EXPECT_EQ(values.value("flag").typeId(), QMetaType::Bool);
    EXPECT_EQ(values.value("flag"), QVariant(false));
    EXPECT_EQ(values.value("count").typeId(), QMetaType::LongLong);
    EXPECT_EQ(values.value("count").toLongLong(), 7);
    EXPECT_EQ(values.value("digits").typeId(), QMetaType::QString);
    EXPECT_EQ(values.value("number").typeId(), QMetaType::Double);
    EXPECT_EQ(values.value("number").toDouble(), 2.5);
    EXPECT_EQ(reloaded.stringList(QStringLiteral("list")),
              QStringList({QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_EQ(values.value("pair").toList(), QVariantList({800, 600}));
    EXPECT_EQ(values.value("map").toMap().value("k"), QVariant(true));
}

struct Conversion {
    const char* json; // the stored value, as JSON
    std::optional<QString> string;
    qint64 integer;
    bool boolean;
    std::optional<QStringList> list;
};

void PrintTo(const Conversion& c, std::ostream* out) {
    *out << c.json;
}

class DefaultsStoreConversion : public DefaultsStoreTest,
                                public testing::WithParamInterface<Conversion> {};

TEST_P(DefaultsStoreConversion, TypedGettersConvertOrReportAbsent) {
    const Conversion& c = GetParam();
    writeFile(path(), QByteArray("{\"v\": ") + c.json + "}");
    DefaultsStore store(domain, dir.path());
    const QString key = QStringLiteral("v");
    EXPECT_TRUE(store.contains(key));
    EXPECT_EQ(store.string(key), c.string);
    EXPECT_EQ(store.integer(key), c.integer);
    EXPECT_EQ(store.boolean(key), c.boolean);
    EXPECT_EQ(store.stringList(key), c.list);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DefaultsStoreConversion,
    testing::Values(Conversion{"true", std::nullopt, 1, true, std::nullopt},
                    Conversion{"false", std::nullopt, 0, false, std::nullopt},
                    Conversion{"42", QStringLiteral("42"), 42, true, std::nullopt},
                    Conversion{"0", QStringLiteral("0"), 0, false, std::nullopt},
                    Conversion{"-3.7", QStringLiteral("-3.7"), -3, true, std::nullopt},
                    Conversion{"1e300", QStringLiteral("1e+300"), 0, true, std::nullopt},
                    Conversion{"\"de\"", QStringLiteral("de"), 0, false, std::nullopt},
                    Conversion{"\" 12abc\"", QStringLiteral(" 12abc"), 12, true, std::nullopt},
                    Conversion{"\"-0\"", QStringLiteral("-0"), 0, false, std::nullopt},
                    Conversion{"\"YES\"", QStringLiteral("YES"), 0, true, std::nullopt},
                    Conversion{"\"true\"", QStringLiteral("true"), 0, true, std::nullopt},
                    Conversion{"\"false\"", QStringLiteral("false"), 0, false, std::nullopt},
                    Conversion{"\"99999999999999999999\"", QStringLiteral("99999999999999999999"),
                               0, false, std::nullopt},
                    Conversion{"[\"a\", \"b\"]", std::nullopt, 0, false,
                               QStringList({QStringLiteral("a"), QStringLiteral("b")})},
                    Conversion{"[]", std::nullopt, 0, false, QStringList()},
                    Conversion{"[\"a\", 1]", std::nullopt, 0, false, std::nullopt},
                    Conversion{"{\"a\": \"b\"}", std::nullopt, 0, false, std::nullopt},
                    Conversion{"null", std::nullopt, 0, false, std::nullopt}));

class DefaultsStoreCorrupt : public DefaultsStoreTest,
                             public testing::WithParamInterface<const char*> {};

TEST_P(DefaultsStoreCorrupt, FileIsSetAsideAndTheStoreStartsEmpty) {
    const QByteArray contents(GetParam());
    writeFile(badPath(), "an older bad file");
    writeFile(path(), contents);

    DefaultsStore store(domain, dir.path());
    EXPECT_TRUE(store.dictionary().isEmpty());
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(readFile(badPath()), contents);

    store.setBool(QStringLiteral("fresh"), true);
    EXPECT_EQ(DefaultsStore(domain, dir.path()).dictionary(),
              QVariantMap({{QStringLiteral("fresh"), true}}));
    EXPECT_EQ(readFile(badPath()), contents);
    EXPECT_EQ(readFile(dir.filePath(domain + QStringLiteral(".bad.1.json"))),
              QByteArray("an older bad file"));
}

INSTANTIATE_TEST_SUITE_P(Contents, DefaultsStoreCorrupt,
                         testing::Values("{\"myLanguage\": \"de\"", "[1, 2]", "\"text\"", "",
                                         "{\"a\": 1}{\"b\": 2}", "\xff\xfe{}"));

TEST_F(DefaultsStoreTest, StoresOfOneFileKeepEachOthersKeys) {
    DefaultsStore settings(domain, dir.path());
    DefaultsStore window(domain, dir.path());
    settings.setString(QStringLiteral("myLanguage"), QStringLiteral("de"));
    window.setObject(QStringLiteral("windowSize"), QVariantList{400, 300});
    settings.setBool(QStringLiteral("saveHistory"), false);

    const QVariantMap values = DefaultsStore(domain, dir.path()).dictionary();
    EXPECT_EQ(values.value("myLanguage"), QVariant(QStringLiteral("de")));
    EXPECT_EQ(values.value("windowSize").toList(), QVariantList({400, 300}));
    EXPECT_EQ(values.value("saveHistory"), QVariant(false));
}

TEST_F(DefaultsStoreTest, AnotherDomainIsReadWithoutTouchingIt) {
    const QString legacy = dir.filePath(QStringLiteral("legacy.json"));
    writeFile(legacy, "{\"myLanguage\": \"ru\", \"hotKeyCode\": 17}");
    DefaultsStore store(domain, dir.path());
    EXPECT_EQ(store.persistentDomain(QStringLiteral("legacy")),
              QVariantMap({{QStringLiteral("myLanguage"), QStringLiteral("ru")},
                           {QStringLiteral("hotKeyCode"), qint64(17)}}));
    EXPECT_TRUE(store.persistentDomain(QStringLiteral("absent")).isEmpty());

    writeFile(legacy, "{broken");
    EXPECT_TRUE(store.persistentDomain(QStringLiteral("legacy")).isEmpty());
    EXPECT_EQ(readFile(legacy), QByteArray("{broken"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("legacy.bad.json"))));
}

TEST_F(DefaultsStoreTest, ChangesThatCannotBeWrittenStayInMemory) {
    writeFile(dir.filePath(QStringLiteral("plain")), "a file where a folder should be");
    DefaultsStore store(domain, dir.filePath(QStringLiteral("plain/verdolin")));
    store.setInteger(QStringLiteral("a"), 1);
    store.setInteger(QStringLiteral("b"), 2);
    EXPECT_EQ(store.dictionary(),
              QVariantMap({{QStringLiteral("a"), qint64(1)}, {QStringLiteral("b"), qint64(2)}}));
}

// Things root cannot read either: neither is replaced, and a FIFO is not waited on.
class DefaultsStoreNotAFile : public DefaultsStoreTest, public testing::WithParamInterface<bool> {};

TEST_P(DefaultsStoreNotAFile, IsReportedAndNeverReplaced) {
    const bool fifo = GetParam();
    ASSERT_TRUE(fifo ? ::mkfifo(QFile::encodeName(path()).constData(), 0600) == 0
                     : QDir().mkpath(path()));
    DefaultsStore store(domain, dir.path());
    EXPECT_TRUE(store.loadError());
    store.setBool(QStringLiteral("saveHistory"), false);
    EXPECT_EQ(store.object(QStringLiteral("saveHistory")), QVariant(false));
    const QFileInfo info(path());
    EXPECT_TRUE(fifo ? info.exists() && !info.isFile() && !info.isDir() : info.isDir());
    EXPECT_TRUE(store.persistentDomain(domain).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(FolderOrFifo, DefaultsStoreNotAFile, testing::Bool());

TEST_F(DefaultsStoreTest, AChangeThatFailedGoesWithTheNextWriteOverAnotherStoresKeys) {
    DefaultsStore settings(domain, dir.path());
    ASSERT_TRUE(QDir().mkpath(path()));
    settings.setString(QStringLiteral("myLanguage"), QStringLiteral("de"));
    ASSERT_TRUE(QDir().rmdir(path()));
    DefaultsStore window(domain, dir.path());
    window.setInteger(QStringLiteral("width"), 400);
    settings.setBool(QStringLiteral("saveHistory"), false);

    EXPECT_EQ(DefaultsStore(domain, dir.path()).dictionary(),
              QVariantMap({{QStringLiteral("myLanguage"), QStringLiteral("de")},
                           {QStringLiteral("width"), qint64(400)},
                           {QStringLiteral("saveHistory"), false}}));
}

TEST_F(DefaultsStoreTest, UnreadableFileIsNeverReplaced) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    writeFile(path(), "{\"myLanguage\": \"de\"}");
    QFile::setPermissions(path(), QFileDevice::WriteOwner);
    DefaultsStore store(domain, dir.path());
    store.setBool(QStringLiteral("saveHistory"), false);
    EXPECT_EQ(store.object(QStringLiteral("saveHistory")), QVariant(false));
    QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(readFile(path()), QByteArray("{\"myLanguage\": \"de\"}"));
}

} // namespace
