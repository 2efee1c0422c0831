#include "app/shell/TranslationTabState.h"

#include "app/dictionary/DictionaryPackageNames.h"
#include "app/dictionary/DictionaryPackages.h"
#include "app/dictionary/DictionaryService.h"
#include "tests/app/dictionary/FakeDictionarySource.h"
#include "tests/app/shell/ShellFixture.h"

namespace {

const EngineLanguage fr = engineLanguage("fr", "fr", "fr-Latn-FR");

// The package manager: offers every candidate but GCIDE; installing waits for the test.
class ScriptedPackages : public DictionaryPackages {
public:
    QFuture<QList<DictionaryPackage>>
    offered(const QString& my, const QString& second,
            const DictionaryPackageNames::LanguageName& named) override {
        asked.append(my + '/' + second);
        QList<DictionaryPackage> found;
        for (DictionaryPackage package : DictionaryPackageNames::candidates(my, second, named))
            if (package.name != "dict-gcide") {
                package.installed = installed.contains(package.name);
                found.append(package);
            }
        return QtFuture::makeReadyFuture(found);
    }
    QFuture<PrepareResult> install(const QString&) override {
        held = started<PrepareResult>();
        return held->future();
    }

    QStringList asked;
    QStringList installed;
    std::shared_ptr<QPromise<PrepareResult>> held;
};

class TranslationTabStateTest : public ShellFixture {
protected:
    TranslationTabStateTest() {
        engine.languages = {enUS, es, de, fr};
        engine.setStatus("en-US", "es", PairStatus::installed);
        engine.setStatus("en-US", "de", PairStatus::supported);
        engine.setStatus("es", "de", PairStatus::installed);
        engine.setStatus("es", "fr", PairStatus::installed);
        settings.setMyLanguage("en");
        settings.setSecondLanguage("es");
        source->add("fd-eng-spa", "English-Spanish FreeDict Dictionary", {});
        source->add("oxford", "The Oxford Dictionary of English", {});
        source->add("wn", "WordNet (r) 3.0", {});
        source->active = {"wn", "fd-eng-spa"};
        state.setDictionaryService(&dictionaries);
        state.setDictionaryPackages(packages);
    }

    void show() {
        state.setApp(app.get());
        ASSERT_TRUE(waitUntil([this] {
            return !state.dictionariesLoading() && statuses().size() == 3
                   && !statuses().contains(QString());
        }));
    }

    // The rows' statuses by code.
    QHash<QString, QString> statuses() const {
        QHash<QString, QString> found;
        for (const QVariant& row : state.languageRows())
            found.insert(row.toMap().value("code").toString(),
                         row.toMap().value("status").toString());
        return found;
    }
    QStringList shownNames() const {
        QStringList names;
        for (const QVariant& row : state.dictionaryRows())
            names.append(row.toMap().value("name").toString());
        return names;
    }

    std::shared_ptr<FakeDictionarySource> source = std::make_shared<FakeDictionarySource>();
    std::chrono::milliseconds now{0};
    DictionaryService dictionaries{source, [this] { return now; }};
    std::shared_ptr<ScriptedPackages> packages = std::make_shared<ScriptedPackages>();
    TranslationTabState state;
};

TEST_F(TranslationTabStateTest, OfflineLanguagesAreCheckedFromMyLanguage) {
    show();
    EXPECT_EQ(statuses(), (QHash<QString, QString>{
                              {"es", "installed"}, {"de", "supported"}, {"fr", "unsupported"}}));
    EXPECT_EQ(state.downloadedCount(), 1);

    settings.chooseMyLanguage("es");
    // The list never holds my language.
    EXPECT_FALSE(statuses().contains("es"));
    ASSERT_TRUE(waitUntil([this] { return state.downloadedCount() == 2; }));
    EXPECT_EQ(statuses(), (QHash<QString, QString>{
                              {"en", "unsupported"}, {"de", "installed"}, {"fr", "installed"}}));
}

TEST_F(TranslationTabStateTest, AFailedDownloadIsSaidAndTheRowsAreCheckedAgain) {
    show();
    const int askedBefore = int(engine.statusCalls.size());
    engine.heldPrepare = started<PrepareResult>();
    state.downloadLanguage("de");
    ASSERT_TRUE(waitUntil([this] { return state.download()->running(); }));
    EXPECT_EQ(state.downloadCode(), "de");
    finish(*engine.heldPrepare,
           PrepareResult{PrepareResult::Outcome::failed, "Installing was not allowed.", {}});
    ASSERT_TRUE(waitUntil([&] { return int(engine.statusCalls.size()) >= askedBefore + 4; }));
    EXPECT_EQ(state.download()->message(), "Installing was not allowed.");
    EXPECT_EQ(statuses().value("de"), "supported");
}

TEST_F(TranslationTabStateTest, ChoosingDictionariesStartsFromTheActiveOnesAndNeverDuplicates) {
    show();
    const auto custom = [&](bool on) { return [&, on] { state.setCustomDictionaries(on); }; };
    // clang-format off
    const struct { const char* name; std::function<void()> act; QStringList ids; bool custom;
        } steps[] = {
        {"choose with none stored: the active ones", custom(true), {"wn", "fd-eng-spa"}, true},
        {"back to all keeps the choice", custom(false), {"wn", "fd-eng-spa"}, false},
        {"choose again with some stored", custom(true), {"wn", "fd-eng-spa"}, true},
        {"on twice", [&] { state.toggle("oxford", true), state.toggle("oxford", true); },
         {"wn", "fd-eng-spa", "oxford"}, true},
        {"off", [&] { state.toggle("wn", false); }, {"fd-eng-spa", "oxford"}, true},
    };
    // clang-format on
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(settings.dictionaryIDs(), step.ids);
        EXPECT_EQ(settings.customDictionaries(), step.custom);
        EXPECT_EQ(store.stringList(AppSettings::dictionaryIDsKey), step.ids);
    }
}

TEST_F(TranslationTabStateTest, TheSearchFiltersByNameIgnoringCase) {
    show();
    // clang-format off
    const struct { const char* search; QStringList names; const char* note; } rows[] = {
        {"",
         {"English-Spanish FreeDict Dictionary", "The Oxford Dictionary of English",
          "WordNet (r) 3.0"},
         ""},
        {"oxf", {"The Oxford Dictionary of English"}, ""},
        {"  WORDNET ", {"WordNet (r) 3.0"}, ""},
        {"klingon", {}, "No dictionaries match \u201cklingon\u201d"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.search);
        state.setSearch(row.search);
        EXPECT_EQ(shownNames(), row.names);
        EXPECT_EQ(state.dictionaryNote(), QString::fromUtf8(row.note));
    }

    source->clear();
    now += DictionaryService::listLifetime + std::chrono::seconds(1);
    state.reloadDictionaries();
    EXPECT_TRUE(state.dictionariesLoading());
    ASSERT_TRUE(waitUntil([this] { return !state.dictionariesLoading(); }));
    EXPECT_EQ(state.dictionaryNote(), "No dictionaries installed.");
}

TEST_F(TranslationTabStateTest, InstallingADictionaryPackageShowsItAtOnce) {
    show();
    ASSERT_TRUE(waitUntil([this] { return !state.packagesLoading(); }));
    const auto titles = [this] {
        QStringList found;
        for (const QVariant& row : state.packageRows())
            found.append(row.toMap().value("title").toString()
                         + (row.toMap().value("installed").toBool() ? " +" : ""));
        return found;
    };
    // The fixture's languages have no names: the codes stand in.
    EXPECT_EQ(titles(), (QStringList{"En → Es (FreeDict)", "Es → En (FreeDict)", "WordNet (En)"}));

    state.installPackage("dict-freedict-spa-eng");
    ASSERT_TRUE(state.packageDownload()->running());
    EXPECT_EQ(state.installingPackage(), "dict-freedict-spa-eng");
    source->add("fd-spa-eng", "Spanish-English FreeDict Dictionary", {});
    packages->installed.append("dict-freedict-spa-eng");
    finish(*packages->held, PrepareResult{PrepareResult::Outcome::installed, {}, {}});
    ASSERT_TRUE(waitUntil([&] {
        return !state.dictionariesLoading() && !state.packagesLoading()
               && titles().contains("Es → En (FreeDict) +");
    }));
    EXPECT_TRUE(shownNames().contains("Spanish-English FreeDict Dictionary"));

    settings.setSecondLanguage("de");
    EXPECT_EQ(packages->asked.constLast(), "en/de");
}

} // namespace
