#include "platform/linux/packages/CachedPackageCatalog.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Answers with a fixed listing and counts what it was asked.
class CountingCatalog final : public PackageCatalog {
public:
    Listing listing;
    int listed = 0;
    int installed = 0;

    QFuture<Listing> packages() override {
        ++listed;
        return QtFuture::makeReadyFuture(listing);
    }
    QFuture<PrepareResult> install(const QString&) override {
        ++installed;
        return QtFuture::makeReadyFuture(PrepareResult{PrepareResult::Outcome::installed, {}, {}});
    }
};

struct Fixture {
    QTemporaryDir folder;
    QString stamp = QStringLiteral("lists 1 status 1");
    std::shared_ptr<CountingCatalog> system = std::make_shared<CountingCatalog>();
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

TEST(CachedPackageCatalogTest, AWarmRunAsksNoPackageManagerAndLooksForNone) {
    Fixture fixture;
    EXPECT_EQ(fixture.list().packages, fixture.system->listing.packages);
    EXPECT_EQ(fixture.system->listed, 1);

    const PackageCatalog::Listing again = fixture.list();
    EXPECT_EQ(again.packages, fixture.system->listing.packages);
    EXPECT_EQ(fixture.system->listed, 1);
    EXPECT_EQ(fixture.made, 1);
}

TEST(CachedPackageCatalogTest, ANewStampOrAnInstallAsksAgain) {
    Fixture fixture;
    fixture.list();
    fixture.stamp = QStringLiteral("lists 2 status 1");
    fixture.system->listing.note = QStringLiteral("changed");
    EXPECT_EQ(fixture.list().note, QStringLiteral("changed"));
    EXPECT_EQ(fixture.system->listed, 2);

    auto catalog = fixture.catalog();
    catalog->install(QStringLiteral("apertium-eng-cat")).waitForFinished();
    EXPECT_EQ(fixture.system->installed, 1);
    catalog->packages().waitForFinished();
    EXPECT_EQ(fixture.system->listed, 3);
}

TEST(CachedPackageCatalogTest, ADamagedCacheIsRebuilt) {
    const struct {
        const char* name;
        QByteArray contents;
    } damaged[] = {
        {"garbage", "\x01\x02not json"},
        {"truncated", "{\"format\":1,\"stamp\":\"lists 1 status 1\",\"note\":\"\",\"pack"},
        {"other format", "{\"format\":99,\"stamp\":\"lists 1 status 1\",\"note\":\"\","
                         "\"packages\":[]}"},
        {"package without a side", "{\"format\":1,\"stamp\":\"lists 1 status 1\",\"note\":\"\","
                                   "\"packages\":[{\"name\":\"apertium-x\",\"installed\":true}]}"},
        {"not an object", "[1,2]"},
    };
    for (const auto& [name, contents] : damaged) {
        SCOPED_TRACE(name);
        Fixture fixture;
        fixture.list();
        QFile file(fixture.file());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.close();

        EXPECT_EQ(fixture.list().packages, fixture.system->listing.packages);
        EXPECT_EQ(fixture.system->listed, 2);
        fixture.list();
        EXPECT_EQ(fixture.system->listed, 2) << "rewritten after the damage";
    }
}

TEST(CachedPackageCatalogTest, AFifoInTheCachesPlaceNeitherBlocksNorCounts) {
    Fixture fixture;
    fixture.list();
    QFile::remove(fixture.file());
    ASSERT_EQ(::mkfifo(QFile::encodeName(fixture.file()).constData(), 0600), 0);
    EXPECT_EQ(fixture.list().packages, fixture.system->listing.packages);
    EXPECT_EQ(fixture.system->listed, 2);
}

} // namespace
