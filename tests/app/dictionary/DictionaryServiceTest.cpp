#include "app/dictionary/DictionaryService.h"

#include "tests/app/dictionary/FakeDictionarySource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace std::chrono_literals;

namespace {

const QString word = QStringLiteral("house");

QStringList shown(const QList<DictEntry>& entries) {
    QStringList result;
    for (const DictEntry& entry : entries)
        result.append(entry.name + QStringLiteral(": ") + entry.text);
    return result;
}

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

    std::chrono::milliseconds now{1'000'000};
    std::shared_ptr<FakeDictionarySource> source;
    DictionaryService service;
};

TEST(DictionaryServiceChoice, RanksAndChoosesWhichDictionariesAnswer) {
    // Identifier, name, definition of the word (none when null), in the order found on disk.
    using Dicts = QList<std::tuple<const char*, const char*, const char*>>;
    // Only GCIDE and Jargon (and one that is never searched) have the word; the default is the
    // first that has it, active dictionaries first, then by name.
    const Dicts four = {{"wn", "WordNet", nullptr},
                        {"jargon", "Jargon File", "j"},
                        {"gcide", "GCIDE", "g"},
                        {"com.apple.dictionary.AppleDictionary", "0 System", "s"}};
    const QString apple = "com.apple.dictionary.AppleDictionary";
    const std::string longText(2000, 'x');
    const std::nullopt_t all = std::nullopt; // no identifiers given
    // clang-format off
    const struct { const char* title; Dicts dicts; QStringList active;
        std::optional<QStringList> ids; QStringList expected; } cases[] = {
        {"bilingualFirstThesauriLastKeepsFour",
         {{"wn", "WordNet", "w"}, {"fd-eng-spa", "English-Spanish", "casa"},
          {"moby-thesaurus", "Moby Thesaurus", "home"},
          {"fd-eng-deu", "English-German", "Haus"}, {"gcide", "GCIDE", "g"}},
         {"wn", "fd-eng-spa", "moby-thesaurus", "fd-eng-deu", "gcide"}, all,
         {"English-Spanish: casa", "English-German: Haus", "WordNet: w", "GCIDE: g"}},
        {"givenIdentifiersInTheirOwnOrderOnce",
         {{"wn", "WordNet", "w"}, {"gcide", "GCIDE", "g"}, {"jargon", "Jargon", "j"}},
         {"wn"}, QStringList{"gcide", "jargon", "gcide", "wn"},
         {"GCIDE: g", "Jargon: j", "WordNet: w"}},
        {"theFirstOfOneIdentifierAnswers",
         {{"wn", "WordNet (system)", "first"}, {"wn", "WordNet (home)", "second"}},
         {"wn"}, all, {"WordNet (system): first"}},
        {"absentUsesTheActiveSet", four, {"jargon", "wn"}, all, {"Jargon File: j"}},
        {"absentWithoutHitAsksTheDefault", four, {"wn"}, all, {"Dictionary: g"}},
        {"theDefaultSkipsOnesNeverSearched", four, {"wn", apple, "nonesuch"}, all,
         {"Dictionary: g"}},
        {"presentButEmptyFindsNothing", four, {"jargon"}, QStringList{}, {}},
        {"presentWithoutHitHasNoDefault", four, {"jargon"}, QStringList{"wn"}, {}},
        {"irrelevantIsNeverAsked", four, {apple}, QStringList{apple}, {}},
        {"theDefaultIsTheFirstByName",
         {{"zz", "zebra", "from zebra"}, {"aa", "Beta", "from Beta"}, {"bb", "alpha", "from alpha"},
          {"cc", "Active but empty", nullptr}},
         {"cc"}, all, {"Dictionary: from alpha"}},
        {"longDefinitionsAreCut", {{"wn", "WordNet", longText.c_str()}}, {}, all,
         {"Dictionary: " + QString(1500, 'x') + QChar(0x2026)}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        auto source = std::make_shared<FakeDictionarySource>();
        QList<std::shared_ptr<FakeDictionary>> added;
        for (const auto& [id, name, text] : c.dicts) {
            QHash<QString, QString> words;
            if (text)
                words.insert(word, QString::fromUtf8(text));
            added.append(source->add(QString::fromUtf8(id), QString::fromUtf8(name), words));
        }
        source->active = c.active;
        DictionaryService service(source);
        QFuture<QList<DictEntry>> future = service.lookup(word, c.ids);
        future.waitForFinished();
        const QList<DictEntry> entries = DictionaryService::entriesOf(future);
        EXPECT_EQ(shown(entries), c.expected);
        for (const auto& dictionary : added)
            EXPECT_LE(dictionary->asked.load(), 1) << dictionary->identifier().toStdString();
    }
}

TEST(DictionaryServiceCut, KeepsWholeCharactersUpToTheLimit) {
    // Unit, length in user-perceived characters, what the limit keeps, whether "…" follows.
    const std::tuple<QString, int, int, bool> cases[] = {
        {"a", 1501, 1500, true},
        // e + combining acute: two code units, one character.
        {"e\u0301", 1500, 1500, false},
        // A flag: two regional indicators, four code units.
        {"\U0001F1EA\U0001F1F8", 1600, 1500, true},
    };
    for (const auto& [unit, units, kept, ellipsis] : cases) {
        SCOPED_TRACE(testing::Message() << units << " of " << unit.toStdString());
        const QString cut = DictionaryService::cut(unit.repeated(units));
        EXPECT_EQ(cut.endsWith(QChar(0x2026)), ellipsis);
        EXPECT_EQ(ellipsis ? cut.chopped(1) : cut, unit.repeated(kept));
    }
}

TEST_F(DictionaryServiceTest, TheListIsReadAgainOnlyAfterAMinuteEvenWhenEmpty) {
    EXPECT_TRUE(lookup(word).isEmpty());
    EXPECT_TRUE(lookup(word, QStringList{"wn"}).isEmpty());
    const int afterFirst = source->readings;

    source->add("wn", "WordNet", {{word, "w"}});
    now += 59'999ms;
    EXPECT_TRUE(lookup(word).isEmpty());
    EXPECT_EQ(source->readings, afterFirst);

    now += 1ms;
    EXPECT_EQ(shown(lookup(word)), QStringList({"Dictionary: w"}));
    EXPECT_EQ(source->readings, afterFirst + 1);
    // The install list shows each identifier once and leaves out those never searched.
    source->add("wn", "WordNet (again)", {});
    source->add("com.apple.dictionary.AppleDictionary", "Apple", {});
    EXPECT_EQ(service.installed(), QList<InstalledDictionary>({{"wn", "WordNet", "dictd"}}));
}

TEST_F(DictionaryServiceTest, CancellingBeforeTheSearchStartsSkipsIt) {
    std::promise<void> entered, release;
    const std::shared_future<void> released = release.get_future().share();
    auto slow = source->add("wn", "WordNet", {{word, "w"}});
    auto other = source->add("gcide", "GCIDE", {{"other", "g"}});
    slow->beforeAnswer = [&] {
        entered.set_value();
        released.wait();
    };

    // The first search holds the queue, so the second has not started when cancelled.
    QFuture<QList<DictEntry>> running = service.lookup(word, QStringList{"wn"});
    entered.get_future().wait();
    QFuture<QList<DictEntry>> waiting = service.lookup("other", QStringList{"gcide"});
    waiting.cancel();
    release.set_value();
    waiting.waitForFinished();
    running.waitForFinished();
    EXPECT_EQ(other->asked.load(), 0);

    // The queue goes on with later look-ups.
    EXPECT_EQ(shown(lookup("other", QStringList{"gcide"})), QStringList({"GCIDE: g"}));
}

TEST_F(DictionaryServiceTest, LookUpsRunOneAtATimeOnTheirOwnThread) {
    std::atomic<int> inside{0}, most{0};
    std::atomic<bool> onCaller{false};
    const std::thread::id caller = std::this_thread::get_id();
    auto wn = source->add("wn", "WordNet", {{word, "w"}});
    wn->beforeAnswer = [&] {
        const int now = inside.fetch_add(1) + 1;
        most.store(std::max(most.load(), now));
        onCaller = onCaller || std::this_thread::get_id() == caller;
        std::this_thread::yield();
        inside.fetch_sub(1);
    };

    QList<QFuture<QList<DictEntry>>> futures;
    for (int i = 0; i < 20; ++i)
        futures.append(service.lookup(word, QStringList{"wn"}));
    for (QFuture<QList<DictEntry>>& future : futures)
        future.waitForFinished();
    EXPECT_EQ(most.load(), 1);
    EXPECT_FALSE(onCaller.load());
}

} // namespace
