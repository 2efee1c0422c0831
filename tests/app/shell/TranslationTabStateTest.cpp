#include "app/shell/TranslationTabState.h"

#include "app/dictionary/DictionaryService.h"
#include "tests/app/dictionary/FakeDictionarySource.h"
#include "tests/app/shell/ShellFixture.h"

namespace {

const EngineLanguage fr = engineLanguage("fr", "fr", "fr-Latn-FR");

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
    TranslationTabState state;
};

TEST_F(TranslationTabStateTest, OfflineLanguagesAreCheckedFromMyLanguage) {
    show();
    EXPECT_EQ(statuses(), (QHash<QString, QString>{
                              {"es", "installed"}, {"de", "supported"}, {"fr", "unsupported"}}));
    EXPECT_EQ(state.downloadedCount(), 1);

    settings.chooseMyLanguage("es");
    // Mine swapped with the second language; the list never holds my language.
    EXPECT_EQ(settings.secondLanguage(), "en");
    EXPECT_FALSE(statuses().contains("es"));
    ASSERT_TRUE(waitUntil([this] { return state.downloadedCount() == 2; }));
    EXPECT_EQ(statuses(), (QHash<QString, QString>{
                              {"en", "unsupported"}, {"de", "installed"}, {"fr", "installed"}}));
}

TEST_F(TranslationTabStateTest, AFailedDownloadIsSaidAndTheRowsAreCheckedAgain) {
    show();
    const int askedBefore = int(engine.statusCalls.size());
    engine.heldPrepare = std::make_shared<QPromise<PrepareResult>>();
    engine.heldPrepare->start();
    state.downloadLanguage("de");
    ASSERT_TRUE(waitUntil([this] { return state.download()->running(); }));
    EXPECT_EQ(state.downloadCode(), "de");
    engine.heldPrepare->addResult(
        PrepareResult{PrepareResult::Outcome::failed, "Installing was not allowed.", {}});
    engine.heldPrepare->finish();
    ASSERT_TRUE(waitUntil([&] { return int(engine.statusCalls.size()) >= askedBefore + 4; }));
    EXPECT_EQ(state.download()->message(), "Installing was not allowed.");
    EXPECT_EQ(statuses().value("de"), "supported");
}

TEST_F(TranslationTabStateTest, ChoosingDictionariesStartsFromTheActiveOnesAndNeverDuplicates) {
    show();
    struct Step {
        const char* name;
        std::function<void()> act;
        QStringList ids;
        bool custom;
    };
    const Step steps[] = {
        {"choose with none stored: the active ones",
         [&] { state.setCustomDictionaries(true); }, {"wn", "fd-eng-spa"}, true},
        {"back to all keeps the choice", [&] { state.setCustomDictionaries(false); },
         {"wn", "fd-eng-spa"}, false},
        {"choose again with some stored", [&] { state.setCustomDictionaries(true); },
         {"wn", "fd-eng-spa"}, true},
        {"on twice", [&] { state.toggle("oxford", true); state.toggle("oxford", true); },
         {"wn", "fd-eng-spa", "oxford"}, true},
        {"off", [&] { state.toggle("wn", false); }, {"fd-eng-spa", "oxford"}, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(settings.dictionaryIDs(), step.ids);
        EXPECT_EQ(settings.customDictionaries(), step.custom);
        EXPECT_EQ(store.stringList(AppSettings::dictionaryIDsKey), step.ids);
    }
}

TEST_F(TranslationTabStateTest, TheSearchFiltersByNameIgnoringCase) {
    show();
    struct Row {
        const char* search;
        QStringList names;
        const char* note;
    };
    const Row rows[] = {
        {"", {"English-Spanish FreeDict Dictionary", "The Oxford Dictionary of English",
              "WordNet (r) 3.0"}, ""},
        {"oxf", {"The Oxford Dictionary of English"}, ""},
        {"  WORDNET ", {"WordNet (r) 3.0"}, ""},
        {"klingon", {}, "No dictionaries match \u201cklingon\u201d"},
    };
    for (const Row& row : rows) {
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

} // namespace
