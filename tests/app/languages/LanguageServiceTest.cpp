#include "app/languages/LanguageService.h"

#include "tests/app/translation/ScriptedEngine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono_literals;

namespace {

// Names from a table keyed by "code/interface language".
class TableNames : public LanguageNames {
public:
    explicit TableNames(QHash<QString, QString> names)
        : m_names(std::move(names)) {}

    std::optional<QString> languageName(const QString& code, const QLocale& locale) const override {
        const QString key = code + '/' + QLocale::languageToCode(locale.language());
        return m_names.contains(key) ? std::optional(m_names.value(key)) : std::nullopt;
    }

private:
    QHash<QString, QString> m_names;
};

const EngineLanguage enGB = engineLanguage("en-GB", "en-GB", "en-Latn-GB");
const EngineLanguage ptBR = engineLanguage("pt-BR", "pt", "pt-Latn-BR");
const EngineLanguage ptPT = engineLanguage("pt-PT", "pt-PT", "pt-Latn-PT");
const EngineLanguage ca = engineLanguage("ca", "ca", "ca-Latn-ES");
const EngineLanguage caValencia =
    engineLanguage("ca-valencia", "ca-valencia", "ca-Latn-ES-valencia");

QStringList identifiers(const QList<EngineLanguage>& languages) {
    QStringList list;
    for (const EngineLanguage& language : languages)
        list.append(language.identifier);
    return list;
}

class LanguageServiceTest : public testing::Test {
protected:
    LanguageService::Setup setup(QStringList preferred = {"en-US"}) {
        LanguageService::Setup s;
        s.names = std::make_shared<TableNames>(QHash<QString, QString>{
            {"en/de", "englisch"}, {"pt/de", "portugiesisch"}, {"de/de", "Deutsch"}});
        s.interfaceLocale = QLocale(QLocale::German);
        s.preferredLanguages = std::move(preferred);
        s.clock = [this] { return now; };
        return s;
    }

    void load(LanguageService& service) { awaitResult(service.load()); }

    std::optional<ResolvedPair> resolve(LanguageService& service, const char* source,
                                        const char* target) {
        return awaitResult(
            service.resolvePair(QString::fromUtf8(source), QString::fromUtf8(target)));
    }

    ScriptedEngine engine;
    std::chrono::milliseconds now{1'000'000};
};

TEST_F(LanguageServiceTest, GroupsVariantsByBaseCodeInEngineOrder) {
    EngineLanguage nameless = engineLanguage("x", "x", "x");
    nameless.languageCode.clear();
    engine.languages = {enUS, ptBR, nameless, enGB, ptPT};
    LanguageService service(engine, setup());
    QList<QSet<QString>> repaired;
    service.setRepairLanguages([&repaired](const QSet<QString>& codes) { repaired.append(codes); });

    load(service);

    const auto variants = service.variants();
    EXPECT_EQ(identifiers(variants.value("en")), QStringList({"en-US", "en-GB"}));
    EXPECT_EQ(service.options(), QList<LangOption>({{"en", "Englisch"}, {"pt", "Portugiesisch"}}));
    EXPECT_EQ(repaired, QList<QSet<QString>>({{"en", "pt"}}));
    // A code without a name stands for itself.
    EXPECT_EQ(service.name("xyz"), "Xyz");
}

// The package manager may take seconds to list what can be downloaded; the installed pairs
// must not wait for it, and the stored languages are repaired only against the whole list.
TEST_F(LanguageServiceTest, OffersTheInstalledLanguagesBeforeTheWholeListArrives) {
    engine.installed = {enUS, ptBR};
    engine.languages = {enUS, ptBR, ca};
    engine.setStatus("en-US", "pt-BR", PairStatus::installed);
    engine.setStatus("en-US", "ca", PairStatus::supported);
    engine.heldLanguages = started<QList<EngineLanguage>>();
    LanguageService service(engine, setup());
    QList<QSet<QString>> repaired;
    service.setRepairLanguages([&repaired](const QSet<QString>& codes) { repaired.append(codes); });

    service.load();
    EXPECT_EQ(service.options().size(), 2);
    EXPECT_TRUE(repaired.isEmpty());
    EXPECT_EQ(resolve(service, "en", "pt"), (ResolvedPair{enUS, ptBR, PairStatus::installed}));
    const QFuture<std::optional<ResolvedPair>> downloadable = service.resolvePair("en", "ca");
    QCoreApplication::processEvents();
    EXPECT_FALSE(downloadable.isFinished()) << "Catalan may be downloadable: wait for the list";

    finish(*engine.heldLanguages, engine.languages);
    EXPECT_EQ(awaitResult(downloadable), (ResolvedPair{enUS, ca, PairStatus::supported}));
    EXPECT_EQ(repaired, QList<QSet<QString>>({{"en", "pt", "ca"}}));
}

TEST_F(LanguageServiceTest, ResolvesTheFirstInstalledElseTheFirstSupportedCombination) {
    using enum PairStatus;
    using Pair = ResolvedPair;
    // Statuses by "source>target"; `asked`: sources and targets each in their order, up to the
    // first installed one.
    // clang-format off
    const struct { const char* title; QList<EngineLanguage> languages;
        QList<std::pair<const char*, PairStatus>> statuses;
                   QStringList preferred; const char *source, *target;
                   std::optional<ResolvedPair> expected; QStringList asked; } cases[] = {
        {"noSourceVariants", {enUS, es}, {}, {"en-US"}, "de", "en", std::nullopt, {}},
        {"firstSupported", {de, enUS, enGB}, {{"de>en-GB", supported}, {"de>en-US", supported}},
         {"en-US"}, "de", "en", Pair{de, enUS, supported}, {"de>en-US", "de>en-GB"}},
        {"laterInstalledWins", {ca, caValencia, enUS, enGB},
         {{"ca>en-US", supported}, {"ca-valencia>en-GB", installed},
          {"ca-valencia>en-US", installed}},
         {"en-GB"}, "ca", "en", Pair{caValencia, enGB, installed},
         {"ca>en-GB", "ca>en-US", "ca-valencia>en-GB"}},
        // pt-BR's minimal identifier "pt" also matches "pt-pt": the tie goes to its maximal one.
        {"nothingPossible", {enUS, enGB, ptPT, ptBR}, {}, {"pt-PT", "en-GB"}, "en", "pt",
         Pair{enGB, ptBR, unsupported},
         {"en-GB>pt-BR", "en-GB>pt-PT", "en-US>pt-BR", "en-US>pt-PT"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        ScriptedEngine engine;
        engine.languages = c.languages;
        for (const auto& [key, status] : c.statuses)
            engine.statuses.insert(QString::fromUtf8(key), status);
        LanguageService service(engine, setup(c.preferred));
        load(service);
        EXPECT_EQ(resolve(service, c.source, c.target), c.expected);
        EXPECT_EQ(engine.statusCalls, c.asked);
    }
}

TEST_F(LanguageServiceTest, CachesAnInstalledPairForThirtySeconds) {
    engine.languages = {de, enUS};
    engine.setStatus("de", "en-US", PairStatus::installed);
    LanguageService service(engine, setup());
    load(service);
    // Each step is asked afresh from the engine, or not.
    const std::pair<std::function<void()>, qsizetype> steps[] = {
        {[] {}, 1},
        {[this] { now += 29'999ms; }, 1},
        {[this] { now += 1ms; }, 2},
        {[&service] { service.invalidate(); }, 3},
        {[this, &service] { load(service); }, 4},
    };
    for (const auto& [step, asked] : steps) {
        step();
        EXPECT_EQ(resolve(service, "de", "en"), ResolvedPair({de, enUS, PairStatus::installed}));
        EXPECT_EQ(engine.statusCalls.size(), asked);
    }
}

} // namespace
