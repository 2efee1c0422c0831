#include "app/dictionary/DictionaryService.h"

#include "tests/app/dictionary/FakeDictionarySource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace {

const QString word = QStringLiteral("house");

class DictionaryServiceTest : public testing::Test {
protected:
    DictionaryServiceTest()
        : source(std::make_shared<FakeDictionarySource>())
        , service(source, [this] { return now; }) {}

    QList<DictEntry> lookup(const QString& w, const std::optional<QStringList>& ids = {}) {
        QFuture<QList<DictEntry>> future = service.lookup(w, ids);
        future.waitForFinished();
        return DictionaryService::entriesOf(future);
    }

    static QStringList names(const QList<DictEntry>& entries) {
        QStringList result;
        for (const DictEntry& entry : entries)
            result.append(entry.name);
        return result;
    }
    static QStringList texts(const QList<DictEntry>& entries) {
        QStringList result;
        for (const DictEntry& entry : entries)
            result.append(entry.text);
        return result;
    }

    std::chrono::milliseconds now{1'000'000};
    std::shared_ptr<FakeDictionarySource> source;
    DictionaryService service;
};

TEST_F(DictionaryServiceTest, RanksBilingualFirstThesauriLastAndKeepsFour) {
    // Ranks 1, 0, 2, 0, 1 in candidate order.
    source->add("wn", "WordNet", {{word, "w"}});
    source->add("fd-eng-spa", "English-Spanish", {{word, "casa"}});
    source->add("moby-thesaurus", "Moby Thesaurus", {{word, "home"}});
    source->add("fd-eng-deu", "English-German", {{word, "Haus"}});
    source->add("gcide", "GCIDE", {{word, "g"}});
    source->active = {"wn", "fd-eng-spa", "moby-thesaurus", "fd-eng-deu", "gcide"};

    const QList<DictEntry> entries = lookup(word);

    EXPECT_EQ(names(entries),
              QStringList({"English-Spanish", "English-German", "WordNet", "GCIDE"}));
    EXPECT_EQ(texts(entries), QStringList({"casa", "Haus", "w", "g"}));
    EXPECT_NE(entries[0].id, entries[1].id);
}

TEST_F(DictionaryServiceTest, GivenIdentifiersAreAskedInTheirOwnOrderOnce) {
    source->add("wn", "WordNet", {{word, "w"}});
    source->add("gcide", "GCIDE", {{word, "g"}});
    auto jargon = source->add("jargon", "Jargon", {{word, "j"}});
    source->active = {"wn"};

    const QList<DictEntry> entries = lookup(word, QStringList{"gcide", "jargon", "gcide", "wn"});

    EXPECT_EQ(names(entries), QStringList({"GCIDE", "Jargon", "WordNet"}));
    EXPECT_EQ(jargon->asked.load(), 1);
}

TEST_F(DictionaryServiceTest, TheFirstOfTwoDictionariesWithOneIdentifierAnswers) {
    source->add("wn", "WordNet (system)", {{word, "first"}});
    source->add("wn", "WordNet (home)", {{word, "second"}});
    source->active = {"wn"};

    EXPECT_EQ(texts(lookup(word)), QStringList({"first"}));
}

struct IdsCase {
    const char* title;
    std::optional<QStringList> ids;
    QStringList active;
    // "name: text" of each entry.
    QStringList expected;
};

void PrintTo(const IdsCase& c, std::ostream* out) {
    *out << c.title;
}

class DictionaryServiceIds : public DictionaryServiceTest,
                             public testing::WithParamInterface<IdsCase> {};

TEST_P(DictionaryServiceIds, ChooseWhichDictionariesAnswer) {
    // Only GCIDE and Jargon (and one that is never searched) have the word; the default is
    // the first that has it, active dictionaries first, then by name.
    source->add("wn", "WordNet", {});
    source->add("jargon", "Jargon File", {{word, "j"}});
    source->add("gcide", "GCIDE", {{word, "g"}});
    source->add("com.apple.dictionary.AppleDictionary", "0 System", {{word, "s"}});
    source->active = GetParam().active;

    QStringList got;
    for (const DictEntry& entry : lookup(word, GetParam().ids))
        got.append(entry.name + ": " + entry.text);
    EXPECT_EQ(got, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DictionaryServiceIds,
    testing::Values(
        IdsCase{"absentUsesTheActiveSet", std::nullopt, {"jargon", "wn"}, {"Jargon File: j"}},
        IdsCase{"absentWithoutHitAsksTheDefault", std::nullopt, {"wn"}, {"Dictionary: g"}},
        IdsCase{"absentWithNothingActiveAsksTheDefault", std::nullopt, {}, {"Dictionary: g"}},
        IdsCase{"theDefaultSkipsOnesNeverSearched",
                std::nullopt,
                {"wn", "com.apple.dictionary.AppleDictionary", "nonesuch"},
                {"Dictionary: g"}},
        IdsCase{"presentButEmptyFindsNothing", QStringList{}, {"jargon"}, {}},
        IdsCase{"unknownFindsNothing", QStringList{"fd-xxx-yyy"}, {"jargon"}, {}},
        IdsCase{"presentWithoutHitHasNoDefault", QStringList{"wn"}, {"jargon"}, {}},
        IdsCase{"irrelevantIsNeverAsked",
                QStringList{"com.apple.dictionary.AppleDictionary"},
                {"com.apple.dictionary.AppleDictionary"},
                {}}),
    [](const testing::TestParamInfo<IdsCase>& info) { return info.param.title; });

TEST_F(DictionaryServiceTest, TheDefaultIsTheFirstByNameThatHasTheWord) {
    source->add("zz", "zebra", {{word, "from zebra"}});
    source->add("aa", "Beta", {{word, "from Beta"}});
    source->add("bb", "alpha", {{word, "from alpha"}});
    source->add("cc", "Active but empty", {});

    source->active = {"cc"};
    const QList<DictEntry> byName = lookup(word);
    ASSERT_EQ(byName.size(), 1);
    EXPECT_EQ(byName[0].name, QStringLiteral("Dictionary"));
    EXPECT_EQ(byName[0].text, QStringLiteral("from alpha"));
    EXPECT_TRUE(lookup("absent").isEmpty());
}

TEST(DictionaryServiceCut, KeepsWholeCharactersUpToTheLimit) {
    // Unit, length in user-perceived characters, what the limit keeps, whether "…" follows.
    const std::tuple<QString, int, int, bool> cases[] = {
        {"a", 1500, 1500, false},
        {"a", 1501, 1500, true},
        {"a", 0, 0, false},
        // e + combining acute: two code units, one character.
        {QStringLiteral("e\u0301"), 1500, 1500, false},
        {QStringLiteral("e\u0301"), 1501, 1500, true},
        // A flag: two regional indicators, four code units.
        {QStringLiteral("\U0001F1EA\U0001F1F8"), 1600, 1500, true},
    };
    for (const auto& [unit, units, kept, ellipsis] : cases) {
        SCOPED_TRACE(testing::Message() << units << " of " << unit.toStdString());
        const QString cut = DictionaryService::cut(unit.repeated(units));
        EXPECT_EQ(cut.endsWith(QChar(0x2026)), ellipsis);
        EXPECT_EQ(ellipsis ? cut.chopped(1) : cut, unit.repeated(kept));
    }
}

TEST_F(DictionaryServiceTest, LongDefinitionsAreCutInTheResult) {
    source->add("wn", "WordNet", {{word, QString(2000, 'x')}});

    const QList<DictEntry> entries = lookup(word);

    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].text, QString(1500, 'x') + QChar(0x2026));
}

TEST_F(DictionaryServiceTest, TheListIsReadAgainOnlyAfterAMinute) {
    source->add("wn", "WordNet", {{word, "w"}});
    source->active = {"wn", "gcide"};
    EXPECT_EQ(names(lookup(word)), QStringList({"WordNet"}));
    const int afterFirst = source->readings;

    source->add("gcide", "GCIDE", {{word, "g"}});
    now += 59'999ms;
    EXPECT_EQ(names(lookup(word)), QStringList({"WordNet"}));
    EXPECT_EQ(source->readings, afterFirst);

    now += 1ms;
    EXPECT_EQ(names(lookup(word)), QStringList({"WordNet", "GCIDE"}));
    EXPECT_EQ(source->readings, afterFirst + 1);
}

TEST_F(DictionaryServiceTest, AnEmptyListIsCachedToo) {
    EXPECT_TRUE(lookup(word).isEmpty());
    EXPECT_TRUE(lookup(word, QStringList{"wn"}).isEmpty());
    source->add("wn", "WordNet", {{word, "w"}});
    now += 30s;
    EXPECT_TRUE(lookup(word).isEmpty());
    now += 30s;
    EXPECT_EQ(names(lookup(word)), QStringList({"Dictionary"}));
}

TEST_F(DictionaryServiceTest, CancellingBeforeTheSearchStartsSkipsIt) {
    Gate gate;
    auto slow = source->add("wn", "WordNet", {{word, "w"}});
    auto other = source->add("gcide", "GCIDE", {{"other", "g"}});
    slow->beforeAnswer = [&gate] { gate.wait(); };

    // The first search holds the queue, so the second has not started when cancelled.
    QFuture<QList<DictEntry>> running = service.lookup(word, QStringList{"wn"});
    gate.waitUntilSomeoneWaits();
    QFuture<QList<DictEntry>> waiting = service.lookup("other", QStringList{"gcide"});
    waiting.cancel();
    // Cancelling a running search does not stop it either.
    running.cancel();
    gate.open();
    waiting.waitForFinished();
    running.waitForFinished();

    EXPECT_TRUE(DictionaryService::entriesOf(waiting).isEmpty());
    EXPECT_EQ(other->asked.load(), 0);
    EXPECT_EQ(slow->asked.load(), 1);
    EXPECT_TRUE(DictionaryService::entriesOf(running).isEmpty());

    // The queue goes on with later look-ups.
    EXPECT_EQ(names(lookup("other", QStringList{"gcide"})), QStringList({"GCIDE"}));
}

TEST_F(DictionaryServiceTest, LookUpsRunOneAtATimeOnTheirOwnThread) {
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    std::atomic<bool> onCaller{false};
    const std::thread::id caller = std::this_thread::get_id();
    auto wn = source->add("wn", "WordNet", {{word, "w"}});
    wn->beforeAnswer = [&] {
        const int now = inside.fetch_add(1) + 1;
        most.store(std::max(most.load(), now));
        if (std::this_thread::get_id() == caller)
            onCaller = true;
        std::this_thread::yield();
        inside.fetch_sub(1);
    };

    QList<QFuture<QList<DictEntry>>> futures;
    for (int i = 0; i < 20; ++i)
        futures.append(service.lookup(word, QStringList{"wn"}));
    for (QFuture<QList<DictEntry>>& future : futures) {
        future.waitForFinished();
        EXPECT_EQ(DictionaryService::entriesOf(future).size(), 1);
    }
    EXPECT_EQ(most.load(), 1);
    EXPECT_FALSE(onCaller.load());
}

TEST_F(DictionaryServiceTest, InstalledListsEachIdentifierOnceSortedByName) {
    source->add("wn", "WordNet", {}, "dictd");
    source->add("fd-eng-spa", "english-Spanish", {}, "dictd");
    source->add("wn", "WordNet (again)", {}, "StarDict");
    source->add("my-dict", "", {}, "StarDict");
    source->add("com.apple.dictionary.AppleDictionary", "Apple", {}, "dictd");
    source->add("Collins", "English-Arabic", {}, "StarDict");

    EXPECT_EQ(service.installed(),
              QList<InstalledDictionary>({{"Collins", "English-Arabic", "StarDict"},
                                          {"fd-eng-spa", "english-Spanish", "dictd"},
                                          {"my-dict", "my-dict", "StarDict"},
                                          {"wn", "WordNet", "dictd"}}));
    // The folders are read afresh; the active identifiers are the source's.
    source->clear();
    EXPECT_TRUE(service.installed().isEmpty());
    source->active = {"wn", "fd-eng-spa"};
    EXPECT_EQ(service.activeIDs(), QStringList({"wn", "fd-eng-spa"}));
}

TEST(DictionaryServiceShared, AnInstalledSourceReplacesTheOneInUse) {
    const auto answer = [] {
        QFuture<QList<DictEntry>> future =
            DictionaryService::shared().lookup(word, QStringList{"wn"});
        future.waitForFinished();
        const QList<DictEntry> entries = DictionaryService::entriesOf(future);
        return entries.isEmpty() ? QString() : entries.first().text;
    };
    auto first = std::make_shared<FakeDictionarySource>();
    first->add("wn", "WordNet", {{word, "first"}});
    auto second = std::make_shared<FakeDictionarySource>();
    second->add("wn", "WordNet", {{word, "second"}});

    DictionaryService::installShared(first);
    EXPECT_EQ(answer(), QStringLiteral("first"));
    // The list read from the first source is not kept for the next.
    DictionaryService::installShared(second);
    EXPECT_EQ(answer(), QStringLiteral("second"));
}

} // namespace
