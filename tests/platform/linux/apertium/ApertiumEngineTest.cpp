#include "platform/linux/apertium/ApertiumEngine.h"

#include "platform/linux/apertium/ApertiumModes.h"

#include <QFile>
#include <QPromise>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class FakeCatalog final : public PackageCatalog {
public:
    QFuture<Listing> packages() override {
        ++listings;
        return listingFuture ? *listingFuture : QtFuture::makeReadyFuture(listing);
    }
    QFuture<PrepareResult> install(const QString& package) override {
        installed.append(package);
        return installFuture;
    }

    Listing listing;
    std::optional<QFuture<Listing>> listingFuture;
    int listings = 0;
    QStringList installed;
    QFuture<PrepareResult> installFuture =
        QtFuture::makeReadyFuture(PrepareResult{PrepareResult::Outcome::installed, {}, {}});
};

EngineLanguage lang(const char* side) {
    return *ApertiumModes::language(QString::fromUtf8(side));
}

LanguagePackage package(const char* first, const char* second, bool installed = false) {
    return {QStringLiteral("apertium-%1-%2").arg(first, second), first, second, installed};
}

class ApertiumEngineTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_modes.isValid()); }

    void addMode(const char* name) {
        QFile file(m_modes.filePath(QString::fromUtf8(name) + QStringLiteral(".mode")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    std::unique_ptr<ApertiumEngine> engine(bool withCatalog = true) {
        ApertiumEngine::Options options;
        options.modeFolders = {m_modes.path()};
        if (withCatalog)
            options.catalog = m_catalog;
        return std::make_unique<ApertiumEngine>(std::move(options));
    }

    QTemporaryDir m_modes;
    std::shared_ptr<FakeCatalog> m_catalog = std::make_shared<FakeCatalog>();
};

struct StatusCase {
    const char* source;
    const char* target;
    PairStatus expected;
};

class ApertiumEngineStatusTest : public ApertiumEngineTest,
                                 public testing::WithParamInterface<StatusCase> {};

TEST_P(ApertiumEngineStatusTest, FollowsModeFilesAndNotInstalledPackages) {
    addMode("eng-spa");
    addMode("spa-eng_US");
    m_catalog->listing.packages = {package("eng", "spa", true), package("eo", "en"),
                                   package("spa", "cat")};
    const StatusCase& c = GetParam();
    auto apertium = engine();
    EXPECT_EQ(apertium->status(lang(c.source), lang(c.target)).result(), c.expected);
    // Sessions open only for installed pairs.
    EXPECT_EQ(apertium->openSession(lang(c.source), lang(c.target)) != nullptr,
              c.expected == PairStatus::installed);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, ApertiumEngineStatusTest,
    testing::Values(StatusCase{"eng", "spa", PairStatus::installed},
                    StatusCase{"spa", "eng_US", PairStatus::installed},
                    // The same languages written in ISO 639-1 are the same pair.
                    StatusCase{"en", "es", PairStatus::installed},
                    // Installed packages offer only what their mode files say.
                    StatusCase{"spa", "eng", PairStatus::unsupported},
                    StatusCase{"eng_US", "spa", PairStatus::unsupported},
                    // A package not installed offers both directions of its base languages.
                    StatusCase{"eng", "epo", PairStatus::supported},
                    StatusCase{"eo", "en", PairStatus::supported},
                    StatusCase{"cat", "spa", PairStatus::supported},
                    // ...but no variant of them, which only its mode files can name.
                    StatusCase{"spa", "cat_valencia", PairStatus::unsupported},
                    StatusCase{"eng_US", "eo", PairStatus::unsupported},
                    StatusCase{"cat", "eng", PairStatus::unsupported}));

TEST_F(ApertiumEngineTest, WithoutACatalogOnlyModeFilesCount) {
    addMode("eng-spa");
    auto noCatalog = engine(false);
    EXPECT_EQ(noCatalog->status(lang("eng"), lang("spa")).result(), PairStatus::installed);
    EXPECT_EQ(noCatalog->status(lang("spa"), lang("eng")).result(), PairStatus::unsupported);
    EXPECT_EQ(noCatalog->supportedLanguages().result(),
              (QList<EngineLanguage>{lang("eng"), lang("spa")}));
    // Preparing a pair then names the command to install it.
    const PrepareResult result = noCatalog->prepare(lang("eng"), lang("cat")).result();
    EXPECT_EQ(result.outcome, PrepareResult::Outcome::manual);
    EXPECT_EQ(result.command, QStringLiteral("sudo apt install apertium-eng-cat"));
    EXPECT_THAT(result.message.toStdString(), testing::HasSubstr("apertium-eng-cat"));
}

TEST_F(ApertiumEngineTest, NoticesAModeInstalledAfterTheFirstQuestion) {
    auto apertium = engine();
    EXPECT_EQ(apertium->status(lang("spa"), lang("cat")).result(), PairStatus::unsupported);
    addMode("spa-cat");
    EXPECT_EQ(apertium->status(lang("spa"), lang("cat")).result(), PairStatus::installed);
}

TEST_F(ApertiumEngineTest, SupportedLanguagesMergeModesAndNotInstalledPackagesOnce) {
    addMode("eng-spa");
    addMode("spa-eng_US");
    addMode("spa-cat_valencia");
    addMode("spa-cat_valencia_uni_iec2017");
    m_catalog->listing.packages = {package("eng", "spa", true), package("eo", "en"),
                                   package("spa", "cat"), package("ita", "cat", true)};
    auto apertium = engine();

    const QList<EngineLanguage> languages = apertium->supportedLanguages().result();
    QStringList identifiers;
    for (const EngineLanguage& language : languages)
        identifiers.append(language.identifier);
    EXPECT_EQ(identifiers, (QStringList{"en", "es", "ca-valencia", "ca-valencia-x-uni-iec2017",
                                        "en-US", "eo", "ca"}));
    // The first writing of a language is the engine's; the mode's, when there is one.
    EXPECT_EQ(languages.first().engineCode, QStringLiteral("eng"));
    EXPECT_EQ(languages.last().engineCode, QStringLiteral("cat"));

    // Every listing of the languages asks the catalog again; status uses what it said.
    apertium->supportedLanguages().waitForFinished();
    EXPECT_EQ(m_catalog->listings, 2);
    EXPECT_EQ(apertium->status(lang("spa"), lang("cat")).result(), PairStatus::supported);
    EXPECT_EQ(m_catalog->listings, 2);
}

TEST_F(ApertiumEngineTest, ACancelledListingCountsAsEmpty) {
    QPromise<PackageCatalog::Listing> promise;
    promise.start();
    promise.future().cancel();
    promise.finish();
    m_catalog->listingFuture = promise.future();
    addMode("eng-spa");
    auto apertium = engine();
    EXPECT_EQ(apertium->supportedLanguages().result().size(), 2);
    EXPECT_EQ(apertium->status(lang("spa"), lang("eng")).result(), PairStatus::unsupported);
}

TEST_F(ApertiumEngineTest, PrepareInstallsThePackageThatOffersThePair) {
    addMode("eng-spa");
    m_catalog->listing.packages = {package("eng", "spa", true), package("eo", "en")};
    QPromise<PrepareResult> install;
    m_catalog->installFuture = install.future();
    auto apertium = engine();

    ASSERT_EQ(apertium->status(lang("epo"), lang("eng")).result(), PairStatus::supported);
    QFuture<PrepareResult> prepared = apertium->prepare(lang("epo"), lang("eng"));
    EXPECT_EQ(m_catalog->installed, QStringList{"apertium-eo-en"});

    // The catalog's progress reaches the caller.
    install.start();
    install.setProgressRange(0, 100);
    install.setProgressValue(40);
    EXPECT_EQ(prepared.progressValue(), 40);
    install.addResult(PrepareResult{PrepareResult::Outcome::cancelled, {}, {}});
    install.finish();
    EXPECT_EQ(prepared.result().outcome, PrepareResult::Outcome::cancelled);
}

TEST_F(ApertiumEngineTest, PrepareAsksForTheListingWhenItHasNone) {
    m_catalog->listing.packages = {package("spa", "cat")};
    auto apertium = engine();
    const PrepareResult result = apertium->prepare(lang("cat"), lang("spa")).result();
    EXPECT_EQ(result.outcome, PrepareResult::Outcome::installed);
    EXPECT_EQ(m_catalog->installed, QStringList{"apertium-spa-cat"});
}

TEST_F(ApertiumEngineTest, PrepareEndsAtOnceWhenThereIsNothingToInstall) {
    addMode("eng-spa");
    auto apertium = engine();
    EXPECT_EQ(apertium->prepare(lang("eng"), lang("spa")).result().outcome,
              PrepareResult::Outcome::installed);

    const PrepareResult none = apertium->prepare(lang("eng"), lang("cat")).result();
    EXPECT_EQ(none.outcome, PrepareResult::Outcome::failed);
    EXPECT_FALSE(none.message.isEmpty());
    EXPECT_TRUE(m_catalog->installed.isEmpty());
}

TEST_F(ApertiumEngineTest, ClosesIdlePipelinesByItsInjectedClock) {
    struct Echo final : ApertiumPipelinePool::Pipeline {
        Answer translate(const QString& text, const std::atomic<bool>*) override {
            return {text, {}};
        }
    };
    addMode("eng-spa");
    auto now = std::make_shared<std::atomic<std::chrono::steady_clock::rep>>(0);
    ApertiumEngine::Options options;
    options.modeFolders = {m_modes.path()};
    int made = 0;
    options.pool.factory = [&made](const QString&) {
        ++made;
        return std::make_unique<Echo>();
    };
    options.pool.clock = [now] {
        return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(*now));
    };
    options.pool.idleTimeout = 3min;
    ApertiumEngine apertium(std::move(options));

    auto session = apertium.openSession(lang("eng"), lang("spa"));
    ASSERT_NE(session, nullptr);
    ASSERT_TRUE(session->translations({{QStringLiteral("Hi"), QStringLiteral("0")}}).result().ok());
    EXPECT_EQ(apertium.warmDirections(), QStringList{m_modes.filePath("eng-spa.mode")});
    // A second session of the same direction reuses the warm pipeline.
    auto again = apertium.openSession(lang("eng"), lang("spa"));
    ASSERT_TRUE(again->translations({{QStringLiteral("Ho"), QStringLiteral("1")}}).result().ok());
    EXPECT_EQ(made, 1);

    *now += std::chrono::steady_clock::duration(3min).count();
    apertium.closeIdlePipelines();
    EXPECT_TRUE(apertium.warmDirections().isEmpty());
}

} // namespace
