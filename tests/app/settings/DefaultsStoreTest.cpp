#include "app/settings/DefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString domain = QStringLiteral("test.domain");

class DefaultsStoreTest : public testing::Test {
protected:
    QString path(const char* suffix = ".json") const { return dir.filePath(domain + suffix); }

    static void writeFile(const QString& file, const QByteArray& contents) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(contents);
    }

    static QByteArray readFile(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QVariantMap reloaded() const { return DefaultsStore(domain, dir.path()).dictionary(); }

    QTemporaryDir dir;
};

TEST_F(DefaultsStoreTest, EveryChangeIsOnDiskAtOnceWithItsType) {
    const QString folder = dir.path() + "/not/yet";
    DefaultsStore store(domain, folder);
    store.setBool("flag", false);
    store.setInteger("count", 7);
    store.setString("digits", "1");
    store.setObject("map", QVariantMap{{"k", true}});
    store.remove("digits");
    // The store stays open: nothing is held back until it closes.
    const QVariantMap values = DefaultsStore(domain, folder).dictionary();
    EXPECT_EQ(values.keys(), QStringList({"count", "flag", "map"}));
    EXPECT_EQ(values.value("flag").typeId(), QMetaType::Bool);
    EXPECT_EQ(values.value("count").typeId(), QMetaType::LongLong);
    EXPECT_EQ(values.value("map").toMap().value("k"), QVariant(true));
}

TEST_F(DefaultsStoreTest, TypedGettersConvertOrReportAbsent) {
    const std::nullopt_t none = std::nullopt;
    // clang-format off
    const struct { const char* json; std::optional<QString> string; qint64 integer; bool boolean;
        std::optional<QStringList> list; } cases[] = {
        {"true", none, 1, true, none},
        {"-3.7", "-3.7", -3, true, none},
        {"1e300", "1e+300", 0, true, none},
        {"\" 12abc\"", " 12abc", 12, true, none},
        {"\"-0\"", "-0", 0, false, none},
        {"\"+7\"", "+7", 7, true, none},
        {"\"-3 ml\"", "-3 ml", -3, true, none},
        {"\"YES\"", "YES", 0, true, none},
        {"\"99999999999999999999\"", "99999999999999999999", 0, false, none},
        {"[\"a\", \"b\"]", none, 0, false, QStringList({"a", "b"})},
        {"[\"a\", 1]", none, 0, false, none},
        {"null", none, 0, false, none},
    };
    // clang-format on
    const QString key = "v";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        writeFile(path(), QByteArray("{\"v\": ") + c.json + "}");
        DefaultsStore store(domain, dir.path());
        EXPECT_EQ(store.string(key), c.string);
        EXPECT_EQ(store.integer(key), c.integer);
        EXPECT_EQ(store.boolean(key), c.boolean);
        EXPECT_EQ(store.stringList(key), c.list);
    }
    // 2^63 is the first double that does not fit; -2^63 does.
    EXPECT_EQ(DefaultsStore::integerValue(9223372036854775808.0), 0);
    EXPECT_EQ(DefaultsStore::integerValue(-9223372036854775808.0),
              std::numeric_limits<qint64>::min());
}

TEST_F(DefaultsStoreTest, ACorruptFileIsSetAsideAndTheStoreStartsEmpty) {
    for (const char* corrupt : {"{\"myLanguage\": \"de\"", "[1, 2]", "", "\xff\xfe{}"}) {
        SCOPED_TRACE(corrupt);
        QFile::remove(path(".bad.1.json"));
        writeFile(path(".bad.json"), "an older bad file");
        writeFile(path(), corrupt);
        DefaultsStore store(domain, dir.path());
        EXPECT_TRUE(store.dictionary().isEmpty());
        // Set aside on reading, before any write.
        EXPECT_FALSE(QFile::exists(path()));
        EXPECT_EQ(readFile(path(".bad.json")), QByteArray(corrupt));
        store.setBool("fresh", true);
        EXPECT_EQ(reloaded(), QVariantMap({{"fresh", true}}));
        EXPECT_EQ(readFile(path(".bad.json")), QByteArray(corrupt));
        EXPECT_EQ(readFile(path(".bad.1.json")), QByteArray("an older bad file"));
    }
}

// A real fault: a change whose write failed was lost, or overwrote another store's keys later.
TEST_F(DefaultsStoreTest, AChangeThatFailedGoesWithTheNextWriteOverAnotherStoresKeys) {
    DefaultsStore settings(domain, dir.path());
    ASSERT_TRUE(QDir().mkpath(path()));
    settings.setString("myLanguage", "de");
    ASSERT_TRUE(QDir().rmdir(path()));
    DefaultsStore window(domain, dir.path());
    window.setInteger("width", 400);
    settings.setBool("saveHistory", false);
    EXPECT_EQ(reloaded(),
              QVariantMap({{"myLanguage", "de"}, {"width", qint64(400)}, {"saveHistory", false}}));
}

// A folder, a FIFO (never waited on) or an unreadable file is reported and never replaced.
TEST_F(DefaultsStoreTest, WhatCannotBeReadIsReportedAndNeverReplaced) {
    for (const char* kind : {"folder", "fifo", "unreadable"}) {
        SCOPED_TRACE(kind);
        QDir(path()).removeRecursively();
        QFile::remove(path());
        if (kind[0] == 'f') {
            ASSERT_TRUE(kind[1] == 'i' ? ::mkfifo(QFile::encodeName(path()).constData(), 0600) == 0
                                       : QDir().mkpath(path()));
        } else if (geteuid() != 0) { // root reads every file
            writeFile(path(), "{\"myLanguage\": \"de\"}");
            QFile::setPermissions(path(), QFileDevice::WriteOwner);
        } else {
            continue;
        }
        const QFileInfo before(path());
        DefaultsStore store(domain, dir.path());
        EXPECT_TRUE(store.loadError());
        store.setBool("saveHistory", false);
        EXPECT_EQ(store.object("saveHistory"), QVariant(false));
        const QFileInfo after(path());
        EXPECT_EQ(std::make_pair(after.isFile(), after.isDir()),
                  std::make_pair(before.isFile(), before.isDir()));
        EXPECT_EQ(after.size(), before.size());
    }
}

} // namespace
