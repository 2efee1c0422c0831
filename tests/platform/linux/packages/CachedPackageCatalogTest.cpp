#include "platform/linux/packages/CachedPackageCatalog.h"

#include "tests/support/FakePackageCatalog.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct Fixture {
    QTemporaryDir folder;
    QString stamp = QStringLiteral("lists 1 status 1");
    std::shared_ptr<FakePackageCatalog> system = std::make_shared<FakePackageCatalog>();
    int made = 0;

    Fixture() {
        system->listing.packages = {{"apertium-eng-cat", "eng", "cat", false},
                                    {"apertium-eng-spa", "eng", "spa", true}};
    }
    QString file() const { return folder.filePath(QStringLiteral("cache/packages.json")); }
    std::unique_ptr<CachedPackageCatalog> catalog() {
        return std::make_unique<CachedPackageCatalog>(
            CachedPackageCatalog::Options{[this] {
                                              ++made;
                                              return system;
                                          },
                                          file(), [this] { return stamp; }});
    }
    PackageCatalog::Listing list() { return catalog()->packages().result(); }
};

// A warm run asks no package manager; a new stamp or an install makes it ask again.
TEST(CachedPackageCatalogTest, AsksThePackageManagerOnlyWhenTheSystemChanged) {
    Fixture fixture;
    EXPECT_EQ(fixture.list().packages, fixture.system->listing.packages);
    EXPECT_EQ(fixture.list().packages, fixture.system->listing.packages);
    EXPECT_EQ(fixture.system->listings, 1);
    EXPECT_EQ(fixture.made, 1);

    fixture.stamp = QStringLiteral("lists 2 status 1");
    fixture.system->listing.note = QStringLiteral("changed");
    EXPECT_EQ(fixture.list().note, QStringLiteral("changed"));
    EXPECT_EQ(fixture.system->listings, 2);

    auto catalog = fixture.catalog();
    catalog->install(QStringLiteral("apertium-eng-cat")).waitForFinished();
    EXPECT_EQ(fixture.system->installed, QStringList{"apertium-eng-cat"});
    catalog->packages().waitForFinished();
    EXPECT_EQ(fixture.system->listings, 3);
}

TEST(CachedPackageCatalogTest, ADamagedCacheIsRebuilt) {
    // clang-format off
    const struct { const char* name; QByteArray contents;
        /* empty: a FIFO, which must neither block nor count */ } damaged[] = {
        {"garbage", "\x01\x02not json"}, {"not an object", "[1,2]"}, {"fifo", {}},
        {"truncated", "{\"format\":1,\"stamp\":\"lists 1 status 1\",\"note\":\"\",\"pack"},
        {"other format",
         "{\"format\":99,\"stamp\":\"lists 1 status 1\",\"note\":\"\",\"packages\":[]}"},
        {"package without a side", "{\"format\":1,\"stamp\":\"lists 1 status 1\",\"note\":\"\","
                                   "\"packages\":[{\"name\":\"apertium-x\",\"installed\":true}]}"}};
    // clang-format on
    for (const auto& [name, contents] : damaged) {
        SCOPED_TRACE(name);
        Fixture fixture;
        fixture.list();
        QFile file(fixture.file());
        if (contents.isEmpty()) {
            ASSERT_TRUE(file.remove());
            ASSERT_EQ(::mkfifo(QFile::encodeName(file.fileName()).constData(), 0600), 0);
        } else {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(contents);
            file.close();
        }

        EXPECT_EQ(fixture.list().packages, fixture.system->listing.packages);
        EXPECT_EQ(fixture.system->listings, 2);
        fixture.list();
        EXPECT_EQ(fixture.system->listings, 2) << "rewritten after the damage";
    }
}

// Every file that is there gives its time, so that the stamp changes with it.
TEST(CachedPackageCatalogTest, SystemStampHasTheTimeOfTheFilesThatAreThere) {
    const QString stamp = CachedPackageCatalog::systemStamp();
    EXPECT_EQ(stamp.endsWith(" -"), !QFile::exists("/var/lib/dpkg/status")) << stamp.toStdString();
}

} // namespace
