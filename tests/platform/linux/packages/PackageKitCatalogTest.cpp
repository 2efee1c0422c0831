#include "platform/linux/packages/PackageKitCatalog.h"

#include "platform/linux/packages/AptCatalog.h"
#include "platform/linux/packages/EmptyPackageCatalog.h"
#include "platform/linux/packages/SystemPackageCatalog.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

using Outcome = PrepareResult::Outcome;

TEST(PackageKitIdTest, NameIsTheFirstOfFourFields) {
    EXPECT_EQ(PackageKitCatalog::nameFromId("apertium-eo-en;1.0.2-1;all;debian-oldstable-main"),
              "apertium-eo-en");
    EXPECT_EQ(PackageKitCatalog::nameFromId("cg3;1.3.9-1+b2;amd64;"), "cg3");
    EXPECT_FALSE(PackageKitCatalog::nameFromId("apertium-eo-en").has_value());
    EXPECT_FALSE(PackageKitCatalog::nameFromId(";1.0;all;x").has_value());
    EXPECT_FALSE(PackageKitCatalog::nameFromId("a;b;c;d;e").has_value());
}

struct EndCase {
    uint exit;
    std::optional<uint> error;
    Outcome outcome;
    const char* messagePart;       // nullptr: no message
    const char* failure = nullptr; // why the transaction could not run at all
};

class InstallResultTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(InstallResultTest, TurnsTheEndIntoAReadableResult) {
    const EndCase& c = GetParam();
    const PrepareResult result = PackageKitCatalog::installResult(
        "apertium-eo-en", c.exit, c.error, "E: internal detail 42", QString::fromUtf8(c.failure));
    EXPECT_EQ(result.outcome, c.outcome);
    if (c.messagePart == nullptr) {
        EXPECT_TRUE(result.message.isEmpty()) << result.message.toStdString();
    } else {
        EXPECT_TRUE(result.message.contains(QString::fromUtf8(c.messagePart)))
            << result.message.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    PackageKitCodes, InstallResultTest,
    ::testing::Values(
        EndCase{1, std::nullopt, Outcome::installed, nullptr},
        EndCase{3, std::nullopt, Outcome::cancelled, "apertium-eo-en was cancelled"},
        EndCase{2, 17, Outcome::cancelled, "cancelled"},
        EndCase{2, 48, Outcome::failed, "Installing apertium-eo-en was not allowed"},
        EndCase{2, 9, Outcome::installed, nullptr}, EndCase{2, 41, Outcome::installed, nullptr},
        EndCase{2, 2, Outcome::failed, "could not be downloaded"},
        EndCase{2, 10, Outcome::failed, "could not be downloaded"},
        EndCase{2, 8, Outcome::failed, "lists need refreshing"},
        EndCase{2, 26, Outcome::failed, "Another program is installing"},
        EndCase{2, 46, Outcome::failed, "disk space"},
        // Anything else passes PackageKit's own explanation on.
        EndCase{2, 16, Outcome::failed, "Installing apertium-eo-en failed: E: internal detail 42"},
        EndCase{2, std::nullopt, Outcome::failed, "Installing apertium-eo-en failed."},
        EndCase{0, std::nullopt, Outcome::failed, "The service does not answer.",
                "The service does not answer."}));

TEST(SystemPackageCatalogTest, WithoutABusFallsBackToAptThenToNothing) {
    const QDBusConnection noBus =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "nobus");
    ASSERT_FALSE(noBus.isConnected());
    const auto apt = SystemPackageCatalog::create(noBus, true);
    EXPECT_NE(dynamic_cast<AptCatalog*>(apt.get()), nullptr);

    const auto none = SystemPackageCatalog::create(noBus, false);
    ASSERT_NE(dynamic_cast<EmptyPackageCatalog*>(none.get()), nullptr);
    EXPECT_TRUE(none->packages().result().packages.isEmpty());
    const PrepareResult result = none->install("apertium-eng-spa").result();
    EXPECT_EQ(result.outcome, Outcome::manual);
    EXPECT_TRUE(result.message.contains("apertium-eng-spa"));

    // PackageKit itself on that bus still ends every future with a result.
    {
        PackageKitCatalog catalog(noBus);
        const PackageCatalog::Listing listing = catalog.packages().result();
        EXPECT_TRUE(listing.packages.isEmpty());
        EXPECT_FALSE(listing.note.isEmpty());
        const PrepareResult failed = catalog.install("apertium-eo-en").result();
        EXPECT_EQ(failed.outcome, Outcome::failed);
        EXPECT_FALSE(failed.message.isEmpty());
    }
    QDBusConnection::disconnectFromBus("nobus");
}

} // namespace

// QtDBus needs an application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
