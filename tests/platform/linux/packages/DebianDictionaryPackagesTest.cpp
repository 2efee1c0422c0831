#include "platform/linux/packages/DebianDictionaryPackages.h"

#include "tests/support/FakePackageCatalog.h"
#include "tests/support/QtPrinters.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

// Recorded on Debian 12 (shortened): eng-spa installed, wn installable, gcide pinned away and
// removed, spa-eng unknown to apt (it prints nothing for it).
const QByteArray policyOutput = "dict-freedict-eng-spa:\n  Installed: 2022.04.21-1\n"
                                "  Candidate: 2022.04.21-1\ndict-wn:\n  Installed: (none)\n"
                                "  Candidate: 1:3.0-37\ndict-gcide:\n  Candidate: (none)\n";
const QByteArray dpkgOutput = "dict-freedict-eng-spa\tii \ndict-gcide\trc \n";

// Names marked "*" when installed.
QStringList shown(const QList<DictionaryPackage>& packages) {
    QStringList result;
    for (const DictionaryPackage& package : packages)
        result.append(package.name + (package.installed ? "*" : ""));
    return result;
}

TEST(DebianDictionaryPackagesTest, OffersWhatDpkgHasOrAptCouldInstall) {
    const QList<DictionaryPackage> candidates = DictionaryPackageNames::candidates("en", "es", {});
    // clang-format off
    const struct { std::optional<QByteArray> policy, dpkg; QStringList expected; } cases[] = {
        {policyOutput, dpkgOutput, {"dict-freedict-eng-spa*", "dict-wn"}},
        {policyOutput, std::nullopt, {"dict-freedict-eng-spa", "dict-wn"}},
        {std::nullopt, dpkgOutput, {"dict-freedict-eng-spa*"}},
        {std::nullopt, std::nullopt, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected.join(u' ').toStdString());
        QStringList asked;
        const auto runner = [&](const QString& program, const QStringList& arguments) {
            asked.append(program + u' ' + arguments.mid(arguments.size() - 4).join(u' '));
            return program == u"apt-cache" ? c.policy : c.dpkg;
        };
        EXPECT_EQ(shown(DebianDictionaryPackages::available(candidates, runner)), c.expected);
        const QString all = " dict-freedict-eng-spa dict-freedict-spa-eng dict-wn dict-gcide";
        EXPECT_EQ(asked, QStringList({"dpkg-query" + all, "apt-cache" + all}));
    }
}

TEST(DebianDictionaryPackagesTest, ThisMachinesAptOffersTheEnglishSpanishDictionaries) {
    QStringList expected{"dict-freedict-eng-spa*", "dict-freedict-spa-eng*", "dict-wn*"};
    if (QProcess::execute("sh", {"-c", "LC_ALL=C apt-cache policy dict-gcide | grep -q "
                                       "'Candidate: [0-9]'"})
        == 0)
        expected.append("dict-gcide");
    EXPECT_EQ(shown(DebianDictionaryPackages({}).offered("en", "es", {}).result()), expected);
}

TEST(DebianDictionaryPackagesTest, InstallsThroughTheCatalogMadeOnFirstUse) {
    auto catalog = std::make_shared<FakePackageCatalog>();
    int made = 0, reloads = 0;
    DebianDictionaryPackages packages(
        {.catalog = [&] { return ++made, catalog; },
         .runner = [](const QString&, const QStringList&) { return std::optional<QByteArray>(); },
         .installed = [&] { ++reloads; }});
    (void)packages.offered("en", "es", {}).result();
    EXPECT_EQ(made, 0);
    // Only an installation that succeeded has the dictionaries read again.
    using enum PrepareResult::Outcome;
    for (const auto outcome : {installed, failed, cancelled}) {
        catalog->installFuture = QtFuture::makeReadyFuture(PrepareResult{outcome, {}, {}});
        EXPECT_EQ(packages.install("dict-wn").result().outcome, outcome);
    }
    EXPECT_EQ(packages.install("dict-wn; reboot").result().outcome, failed);
    EXPECT_EQ(catalog->installed, QStringList({"dict-wn", "dict-wn", "dict-wn"}));
    EXPECT_EQ(reloads, 1);
}

} // namespace
