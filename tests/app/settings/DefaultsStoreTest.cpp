#include "app/settings/DefaultsStore.h"

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

    QVariantMap reloaded() const { return DefaultsStore(domain, dir.path()).dictionary(); }

    QTemporaryDir dir;
};

TEST_F(DefaultsStoreTest, MissingFileIsEmptyAndReadingWritesNothing) {
    DefaultsStore store(domain, dir.path());
    EXPECT_FALSE(store.contains(QStringLiteral("a")));
    EXPECT_EQ(store.string(QStringLiteral("a")), std::nullopt);
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
    store.setStringList(QStringLiteral("list"), {QStringLiteral("x")});
    store.setObject(QStringLiteral("number"), 2.5);
    store.setObject(QStringLiteral("map"), QVariantMap{{QStringLiteral("k"), true}});
    store.setString(QStringLiteral("gone"), QStringLiteral("soon"));
    store.remove(QStringLiteral("gone"));
    // The store stays open: nothing is held back until it closes.
    const QVariantMap values = DefaultsStore(domain, folder).dictionary();
    EXPECT_EQ(values.keys(), QStringList({"count", "digits", "flag", "list", "map", "number"}));
    EXPECT_EQ(values.value("flag").typeId(), QMetaType::Bool);
    EXPECT_EQ(values.value("count").typeId(), QMetaType::LongLong);
    EXPECT_EQ(values.value("digits").typeId(), QMetaType::QString);
    EXPECT_EQ(values.value("number").toDouble(), 2.5);
    EXPECT_EQ(values.value("list").toStringList(), QStringList({"x"}));
    EXPECT_EQ(values.value("map").toMap().value("k"), QVariant(true));
}

TEST_F(DefaultsStoreTest, TypedGettersConvertOrReportAbsent) {
    const std::nullopt_t none = std::nullopt;
    const struct {
        const char* json; // the stored value, as JSON
        std::optional<QString> string;
        qint64 integer;
        bool boolean;
        std::optional<QStringList> list;
    } cases[] = {
        {"true", none, 1, true, none},
        {"false", none, 0, false, none},
        {"0", "0", 0, false, none},
        {"-3.7", "-3.7", -3, true, none},
        {"1e300", "1e+300", 0, true, none},
        {"\" 12abc\"", " 12abc", 12, true, none},
        {"\"-0\"", "-0", 0, false, none},
        {"\"YES\"", "YES", 0, true, none},
        {"\"false\"", "false", 0, false, none},
        {"\"99999999999999999999\"", "99999999999999999999", 0, false, none},
        {"[\"a\", \"b\"]", none, 0, false, QStringList({"a", "b"})},
        {"[]", none, 0, false, QStringList()},
        {"[\"a\", 1]", none, 0, false, none},
        {"{\"a\": \"b\"}", none, 0, false, none},
        {"null", none, 0, false, none},
    };
    const QString key = QStringLiteral("v");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        writeFile(path(), QByteArray("{\"v\": ") + c.json + "}");
        DefaultsStore store(domain, dir.path());
        EXPECT_TRUE(store.contains(key));
        EXPECT_EQ(store.string(key), c.string);
        EXPECT_EQ(store.integer(key), c.integer);
        EXPECT_EQ(store.boolean(key), c.boolean);
        EXPECT_EQ(store.stringList(key), c.list);
    }
}

TEST_F(DefaultsStoreTest, ACorruptFileIsSetAsideAndTheStoreStartsEmpty) {
    for (const char* corrupt : {"{\"myLanguage\": \"de\"", "[1, 2]", "\"text\"", "",
                                "{\"a\": 1}{\"b\": 2}", "\xff\xfe{}"}) {
        SCOPED_TRACE(corrupt);
        const QByteArray contents(corrupt);
        QFile::remove(dir.filePath(domain + QStringLiteral(".bad.1.json")));
        writeFile(badPath(), "an older bad file");
        writeFile(path(), contents);

        DefaultsStore store(domain, dir.path());
        EXPECT_TRUE(store.dictionary().isEmpty());
        EXPECT_FALSE(QFile::exists(path()));
        EXPECT_EQ(readFile(badPath()), contents);

        store.setBool(QStringLiteral("fresh"), true);
        EXPECT_EQ(reloaded(), QVariantMap({{QStringLiteral("fresh"), true}}));
        EXPECT_EQ(readFile(badPath()), contents);
        EXPECT_EQ(readFile(dir.filePath(domain + QStringLiteral(".bad.1.json"))),
                  QByteArray("an older bad file"));
    }
}

TEST_F(DefaultsStoreTest, StoresOfOneFileKeepEachOthersKeys) {
    DefaultsStore settings(domain, dir.path());
    DefaultsStore window(domain, dir.path());
    settings.setString(QStringLiteral("myLanguage"), QStringLiteral("de"));
    window.setInteger(QStringLiteral("width"), 400);
    settings.setBool(QStringLiteral("saveHistory"), false);
    EXPECT_EQ(reloaded(), QVariantMap({{QStringLiteral("myLanguage"), QStringLiteral("de")},
                                       {QStringLiteral("width"), qint64(400)},
                                       {QStringLiteral("saveHistory"), false}}));
}

TEST_F(DefaultsStoreTest, AChangeThatFailedGoesWithTheNextWriteOverAnotherStoresKeys) {
    DefaultsStore settings(domain, dir.path());
    ASSERT_TRUE(QDir().mkpath(path()));
    settings.setString(QStringLiteral("myLanguage"), QStringLiteral("de"));
    ASSERT_TRUE(QDir().rmdir(path()));
    DefaultsStore window(domain, dir.path());
    window.setInteger(QStringLiteral("width"), 400);
    settings.setBool(QStringLiteral("saveHistory"), false);
    EXPECT_EQ(reloaded(), QVariantMap({{QStringLiteral("myLanguage"), QStringLiteral("de")},
                                       {QStringLiteral("width"), qint64(400)},
                                       {QStringLiteral("saveHistory"), false}}));
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
TEST_F(DefaultsStoreTest, AFolderOrAFifoIsReportedAndNeverReplaced) {
    for (const bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "fifo" : "folder");
        QDir(path()).removeRecursively();
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
