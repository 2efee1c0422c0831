#include "platform/linux/packages/ApertiumPackages.h"

#include <gtest/gtest.h>

namespace {

using ApertiumPackages::Found;

struct NameCase {
    const char* name;
    const char* first; // nullptr: not a pair package
    const char* second;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.name;
}

class PackageNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(PackageNameTest, RecognisesPairPackages) {
    const NameCase& c = GetParam();
    const std::optional<LanguagePackage> package =
        ApertiumPackages::fromName(QString::fromUtf8(c.name));
    if (c.first == nullptr) {
        EXPECT_FALSE(package.has_value());
        return;
    }
    ASSERT_TRUE(package.has_value());
    EXPECT_EQ(package->name, QString::fromUtf8(c.name));
    EXPECT_EQ(package->firstCode, QString::fromUtf8(c.first));
    EXPECT_EQ(package->secondCode, QString::fromUtf8(c.second));
    EXPECT_FALSE(package->installed);
}

INSTANTIATE_TEST_SUITE_P(
    DebianNames, PackageNameTest,
    ::testing::Values(
        NameCase{"apertium-eng-spa", "eng", "spa"}, NameCase{"apertium-eo-en", "eo", "en"},
        NameCase{"apertium-es-ast", "es", "ast"}, NameCase{"apertium-hbs-eng", "hbs", "eng"},
        NameCase{"apertium-ind-zlm", "ind", "zlm"},
        // tools and libraries
        NameCase{"apertium", nullptr, nullptr}, NameCase{"apertium-dev", nullptr, nullptr},
        NameCase{"apertium-all-dev", nullptr, nullptr},
        NameCase{"apertium-lex-tools", nullptr, nullptr},
        NameCase{"apertium-lex-tools-dev", nullptr, nullptr},
        NameCase{"apertium-anaphora", nullptr, nullptr},
        NameCase{"apertium-separable", nullptr, nullptr},
        NameCase{"apertium-recursive", nullptr, nullptr},
        NameCase{"apertium-eval-translator", nullptr, nullptr},
        NameCase{"apertium-apy", nullptr, nullptr}, NameCase{"apertium-get", nullptr, nullptr},
        NameCase{"apertium-regtest", nullptr, nullptr},
        NameCase{"libapertium-lex-tools1", nullptr, nullptr},
        NameCase{"python3-apertium-core", nullptr, nullptr},
        // single-language data and malformed names
        NameCase{"apertium-hin", nullptr, nullptr}, NameCase{"apertium-eng-eng", nullptr, nullptr},
        NameCase{"apertium-ENG-spa", nullptr, nullptr},
        NameCase{"apertium-eng-spa-dbg", nullptr, nullptr},
        NameCase{"xapertium-eng-spa", nullptr, nullptr}, NameCase{"", nullptr, nullptr}));

TEST(PackageNameTest, RefusesNamesUnsafeInACommand) {
    EXPECT_TRUE(ApertiumPackages::isPackageName("apertium-eng-spa"));
    EXPECT_TRUE(ApertiumPackages::isPackageName("libstdc++6"));
    EXPECT_FALSE(ApertiumPackages::isPackageName("apertium-eng-spa; rm -rf ~"));
    EXPECT_FALSE(ApertiumPackages::isPackageName("-y"));
    EXPECT_FALSE(ApertiumPackages::isPackageName("Apertium"));
    EXPECT_FALSE(ApertiumPackages::isPackageName(""));
}

QStringList names(const QList<LanguagePackage>& packages) {
    QStringList result;
    for (const LanguagePackage& package : packages) {
        result << package.name + (package.installed ? "*" : "");
    }
    return result;
}

TEST(CollectTest, KeepsPairsSortedAndMergesReportsOfOneName) {
    const QList<Found> found{
        {"apertium-spa-cat", "Apertium translation data for the Spanish-Catalan pair", false},
        {"apertium-dev", "Development tools", false},
        {"apertium-eng-spa", "Apertium translation data for the English-Spanish pair", false},
        // PackageKit reports an installed package once as installed and once as available.
        {"apertium-eng-spa", "Apertium translation data for the English-Spanish pair", true},
        {"apertium-eo-en", "Esperanto and English", false},
    };
    EXPECT_EQ(names(ApertiumPackages::collect(found)),
              (QStringList{"apertium-eng-spa*", "apertium-eo-en", "apertium-spa-cat"}));
}

TEST(CollectTest, LeavesOutTransitionalPackages) {
    const QList<Found> found{
        {"apertium-id-ms", "Transitional dummy package for apertium-ind-zlm", false},
        {"apertium-ind-zlm", "Apertium translation data for the Indonesian-Malay pair", false},
    };
    EXPECT_EQ(names(ApertiumPackages::collect(found)), (QStringList{"apertium-ind-zlm"}));
}

TEST(CollectTest, KeepsOnePackagePerPairPreferringInstalledThenCurrentNames) {
    // Summaries in another language do not say "transitional"; the pair still appears once.
    const QList<Found> found{
        {"apertium-en-es", "Übergangspaket", false},
        {"apertium-eng-spa", "Englisch-Spanisch", false},
        {"apertium-es-ca", "Übergangspaket", true},
        {"apertium-spa-cat", "Spanisch-Katalanisch", false},
        {"apertium-cat-spa", "the other direction's name", false},
    };
    EXPECT_EQ(names(ApertiumPackages::collect(found)),
              (QStringList{"apertium-eng-spa", "apertium-es-ca*"}));
}

TEST(CollectTest, EmptyInputGivesNothing) {
    EXPECT_TRUE(ApertiumPackages::collect({}).isEmpty());
}

} // namespace
