#include "platform/linux/apertium/ApertiumEngine.h"

#include "platform/linux/apertium/ApertiumModes.h"
#include "platform/linux/apertium/ApertiumSession.h"
#include "tests/support/FakePackageCatalog.h"
#include "tests/support/ProgramRun.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

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
    std::shared_ptr<FakePackageCatalog> m_catalog = std::make_shared<FakePackageCatalog>();
};

TEST_F(ApertiumEngineTest, StatusFollowsModeFilesAndNotInstalledPackages) {
    // clang-format off
    const struct { const char* source; const char* target; PairStatus expected; } cases[] = {
        {"eng", "spa", PairStatus::installed},
        {"spa", "eng_US", PairStatus::installed},
        // The same languages written in ISO 639-1 are the same pair.
        {"en", "es", PairStatus::installed},
        // Installed packages offer only what their mode files say.
        {"spa", "eng", PairStatus::unsupported},
        {"eng_US", "spa", PairStatus::unsupported},
        // A package not installed offers both directions of its base languages...
        {"eng", "epo", PairStatus::supported},
        {"cat", "spa", PairStatus::supported},
        // ...but no variant of them, which only its mode files can name.
        {"spa", "cat_valencia", PairStatus::unsupported},
        {"cat", "eng", PairStatus::unsupported},
    };
    // clang-format on
    addMode("eng-spa");
    addMode("spa-eng_US");
    m_catalog->listing.packages = {package("eng", "spa", true), package("eo", "en"),
                                   package("spa", "cat")};
    auto apertium = engine();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " to " + c.target);
        EXPECT_EQ(apertium->status(lang(c.source), lang(c.target)).result(), c.expected);
        // Sessions open only for installed pairs.
        EXPECT_EQ(apertium->openSession(lang(c.source), lang(c.target)) != nullptr,
                  c.expected == PairStatus::installed);
    }
}

// A mode installed after the first question counts at once.
TEST_F(ApertiumEngineTest, WithoutACatalogOnlyModeFilesCount) {
    auto noCatalog = engine(false);
    EXPECT_EQ(noCatalog->status(lang("eng"), lang("spa")).result(), PairStatus::unsupported);
    addMode("eng-spa");
    EXPECT_EQ(noCatalog->status(lang("eng"), lang("spa")).result(), PairStatus::installed);
    EXPECT_EQ(noCatalog->status(lang("spa"), lang("eng")).result(), PairStatus::unsupported);
    EXPECT_EQ(noCatalog->supportedLanguages().result(),
              (QList<EngineLanguage>{lang("eng"), lang("spa")}));
    // Preparing a pair then names the command to install it.
    const PrepareResult result = noCatalog->prepare(lang("eng"), lang("cat")).result();
    EXPECT_EQ(result.outcome, PrepareResult::Outcome::manual);
    EXPECT_EQ(result.command, QStringLiteral("sudo apt install apertium-eng-cat"));
}

TEST_F(ApertiumEngineTest, SupportedLanguagesMergeModesAndNotInstalledPackagesOnce) {
    addMode("eng-spa");
    addMode("spa-eng_US");
    addMode("spa-cat_valencia");
    m_catalog->listing.packages = {package("eng", "spa", true), package("eo", "en"),
                                   package("spa", "cat"), package("ita", "cat", true)};
    auto apertium = engine();

    const QList<EngineLanguage> languages = apertium->supportedLanguages().result();
    QStringList identifiers;
    for (const EngineLanguage& language : languages)
        identifiers.append(language.identifier);
    EXPECT_EQ(identifiers, (QStringList{"en", "es", "ca-valencia", "en-US", "eo", "ca"}));

    // Every listing of the languages asks the catalog again; status uses what it said.
    apertium->supportedLanguages().waitForFinished();
    EXPECT_EQ(m_catalog->listings, 2);
    EXPECT_EQ(apertium->status(lang("spa"), lang("cat")).result(), PairStatus::supported);
    EXPECT_EQ(m_catalog->listings, 2);
}

// Installs the package that offers the pair, whether or not the listing is known yet, and
// nothing when the pair is there already or no package offers it.
TEST_F(ApertiumEngineTest, PrepareInstallsOnlyThePackageThatOffersThePair) {
    using Outcome = PrepareResult::Outcome;
    // clang-format off
    const struct { const char* name; const char* source; const char* target; bool listedFirst;
        Outcome outcome; QStringList installed; } cases[] = {
        {"installed_already", "eng", "spa", true, Outcome::installed, {}},
        {"listed_package", "epo", "eng", true, Outcome::installed, {"apertium-eo-en"}},
        {"listing_asked_by_prepare", "cat", "spa", false, Outcome::installed, {"apertium-spa-cat"}},
        {"no_package_listed", "eng", "ita", true, Outcome::failed, {}},
        {"no_package_asked_by_prepare", "eng", "ita", false, Outcome::failed, {}},
    };
    // clang-format on
    addMode("eng-spa");
    m_catalog->listing.packages = {package("eng", "spa", true), package("eo", "en"),
                                   package("spa", "cat")};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_catalog->installed.clear();
        auto apertium = engine();
        if (c.listedFirst) // status() asked the catalog before prepare()
            apertium->status(lang(c.source), lang(c.target)).waitForFinished();
        const PrepareResult result = apertium->prepare(lang(c.source), lang(c.target)).result();
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.outcome == PrepareResult::Outcome::failed, !result.message.isEmpty());
        EXPECT_EQ(m_catalog->installed, c.installed);
    }
}

// Where no mode or package gives a direction, two chain through one intermediate: its status
// follows the legs', its session runs both legs' modes, and preparing it installs every missing
// leg in one go.
TEST_F(ApertiumEngineTest, ChainsTwoDirectionsWhereNoneOfItsOwnExists) {
    // clang-format off
    const struct { const char* source; const char* target; PairStatus status; const char* via;
        QStringList modes; /* of its session */ QString toInstall;
        /* by prepare(), in one call */ } cases[] = {
        {"eng", "fra", PairStatus::installed, "es", {"eng-spa", "spa-fra"}, {}},
        {"fra", "eng", PairStatus::supported, "es", {}, "apertium-fr-es"},
        {"ita", "ron", PairStatus::supported, "es", {}, "apertium-it-es apertium-ro-es"},
        // A direction of its own wins, even one that needs a download.
        {"eng", "por", PairStatus::supported, "", {}, "apertium-eng-por"},
        // A variant target needs that variant's mode for the last leg...
        {"eng", "cat_valencia", PairStatus::installed, "es", {"eng-spa", "spa-cat_valencia"}, {}},
        // ...and no way to its base language: a chain never passes through its own ends.
        {"eng", "cat", PairStatus::unsupported, "", {}, {}},
        {"spa", "cat", PairStatus::unsupported, "", {}, {}},
    };
    // clang-format on
    for (const char* mode :
         {"eng-spa", "spa-eng", "spa-fra", "spa-cat_valencia", "cat_valencia-cat", "spa-por"})
        addMode(mode);
    m_catalog->listing.packages = {package("fr", "es"), package("it", "es"), package("ro", "es"),
                                   package("eng", "por")};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " to " + c.target);
        auto apertium = engine();
        const EngineLanguage source = lang(c.source);
        const EngineLanguage target = lang(c.target);
        EXPECT_EQ(apertium->status(source, target).result(), c.status);
        const auto via = apertium->intermediate(source, target);
        EXPECT_EQ(via ? via->identifier : QString(), QString::fromLatin1(c.via));
        QStringList files;
        for (const QString& mode : c.modes)
            files.append(m_modes.filePath(mode + QStringLiteral(".mode")));
        const auto session =
            std::dynamic_pointer_cast<ApertiumSession>(apertium->openSession(source, target));
        EXPECT_EQ(session ? session->modeFiles() : QStringList{}, files);
        m_catalog->installed.clear();
        apertium->prepare(source, target).waitForFinished();
        EXPECT_EQ(m_catalog->installed.join(u','), c.toInstall);
    }
}

class IdlePipeline final : public ApertiumPipelinePool::Pipeline {
public:
    Answer translate(const QString& text, const std::atomic<bool>*) override { return {text, {}}; }
    std::optional<QString> start() override { return std::nullopt; }
};

// Each installed direction is kept warm, started at once; one not installed is left out.
TEST_F(ApertiumEngineTest, KeepsInstalledDirectionsWarm) {
    addMode("eng-spa");
    addMode("spa-eng_US");
    ApertiumEngine::Options options;
    options.modeFolders = {m_modes.path()};
    options.pool.factory = [](const QString&) { return std::make_unique<IdlePipeline>(); };
    ApertiumEngine apertium(std::move(options));
    apertium
        .keepWarm({{lang("eng"), lang("spa")},
                   {lang("spa"), lang("eng")},
                   {lang("cat"), lang("spa")},
                   {lang("spa"), lang("eng_US")}})
        .waitForFinished();
    QStringList warm = apertium.warmDirections();
    warm.sort();
    EXPECT_EQ(warm, (QStringList{m_modes.filePath(QStringLiteral("eng-spa.mode")),
                                 m_modes.filePath(QStringLiteral("spa-eng_US.mode"))}));
}

// English to French through Spanish on the installed pairs, request by request, byte for byte
// what `apertium -u eng-spa | apertium -u es-fr` prints.
TEST(ApertiumChainTest, AnswersLikeTheTwoApertiumCommandsInARow) {
    const QString folder = QStringLiteral("/usr/share/apertium/modes");
    if (!hasProgram(QStringLiteral("apertium")) || !QFile::exists(folder + "/eng-spa.mode")
        || !QFile::exists(folder + "/es-fr.mode"))
        GTEST_SKIP() << "Apertium eng-spa and es-fr are not installed";
    ApertiumEngine::Options options;
    options.modeFolders = {folder};
    ApertiumEngine apertium(std::move(options));
    ASSERT_EQ(apertium.intermediate(lang("eng"), lang("fra")).value_or(EngineLanguage{}).identifier,
              QStringLiteral("es"));
    const auto session = apertium.openSession(lang("eng"), lang("fra"));
    ASSERT_TRUE(session);
    const auto command = [](const char* mode, const QByteArray& input) {
        return runProgram("env", {"LC_ALL=C.UTF-8", "apertium", "-u", mode}, input).value_or("");
    };
    for (const QString text : {"The house is green. Is it?", "First line,\nsecond line!",
                               "One paragraph.\n\nAnother one; with (brackets) and \"quotes\"…",
                               "  I like cats — and dogs.\n"}) {
        SCOPED_TRACE(text.toStdString());
        const QByteArray expected = command("es-fr", command("eng-spa", text.toUtf8()));
        ASSERT_FALSE(expected.isEmpty());
        const TranslationBatchResult result = session->translations({{text, "0"}}).result();
        ASSERT_TRUE(result.ok()) << result.error->toStdString();
        EXPECT_EQ(result.responses.value(0).targetText.toStdString(), expected.toStdString());
    }
}

} // namespace
