#include "platform/linux/packages/ApertiumPackages.h"

#include <gtest/gtest.h>

namespace {

using ApertiumPackages::Found;

TEST(PackageNameTest, RecognisesPairPackagesOnly) {
    const struct {
        const char* name;
        const char* first;
        const char* second;
    } pairs[] = {{"apertium-eng-spa", "eng", "spa"},
                 {"apertium-eo-en", "eo", "en"},
                 {"apertium-es-ast", "es", "ast"},
                 {"apertium-ind-zlm", "ind", "zlm"}};
    for (const auto& c : pairs) {
        const std::optional<LanguagePackage> package = ApertiumPackages::fromName(c.name);
        ASSERT_TRUE(package.has_value()) << c.name;
        EXPECT_EQ(*package, (LanguagePackage{c.name, c.first, c.second, false}));
    }
    // Tools, libraries, single-language data and malformed names.
    for (const char* name :
         {"apertium", "apertium-dev", "apertium-all-dev", "apertium-lex-tools", "apertium-hin",
          "apertium-eng-eng", "apertium-ENG-spa", "apertium-eng-spa-dbg", "xapertium-eng-spa", ""})
        EXPECT_FALSE(ApertiumPackages::fromName(name)) << name;
}

TEST(CollectTest, KeepsOnePackagePerPairSorted) {
    const struct {
        const char* rule;
        QList<Found> found;
        QStringList kept; // installed ones starred
    } cases[] = {
        {"sorted, tools left out, and PackageKit's two reports of an installed "
         "one merged",
         {{"apertium-spa-cat", "Apertium translation data for the Spanish-Catalan pair", false},
          {"apertium-dev", "Development tools", false},
          {"apertium-eng-spa", "Apertium translation data for the English-Spanish pair", false},
          {"apertium-eng-spa", "Apertium translation data for the English-Spanish pair", true},
          {"apertium-eo-en", "Esperanto and English", false}},
         {"apertium-eng-spa*", "apertium-eo-en", "apertium-spa-cat"}},
        {"transitional packages left out",
         {{"apertium-id-ms", "Transitional dummy package for apertium-ind-zlm", false},
          {"apertium-ind-zlm", "Apertium translation data for the Indonesian-Malay pair", false}},
         {"apertium-ind-zlm"}},
        // Summaries in another language do not say "transitional"; the pair still appears once.
        {"installed, then current names preferred",
         {{"apertium-en-es", "Übergangspaket", false},
          {"apertium-eng-spa", "Englisch-Spanisch", false},
          {"apertium-es-ca", "Übergangspaket", true},
          {"apertium-spa-cat", "Spanisch-Katalanisch", false},
          {"apertium-cat-spa", "the other direction's name", false}},
         {"apertium-eng-spa", "apertium-es-ca*"}},
        {"nothing", {}, {}},
    };
    for (const auto& c : cases) {
        QStringList kept;
        for (const LanguagePackage& package : ApertiumPackages::collect(c.found))
            kept << package.name + (package.installed ? "*" : "");
        EXPECT_EQ(kept, c.kept) << c.rule;
    }
}

} // namespace
