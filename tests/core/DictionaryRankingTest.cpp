#include "core/DictionaryRanking.h"

#include <gtest/gtest.h>

namespace {

struct RankCase {
    const char* id;
    int rank;
};

void PrintTo(const RankCase& c, std::ostream* os) {
    *os << '"' << c.id << '"';
}

class DictionaryRank : public testing::TestWithParam<RankCase> {};

TEST_P(DictionaryRank, BilingualFirstThesauriLast) {
    const RankCase c = GetParam();
    EXPECT_EQ(DictionaryRanking::rank(QString::fromUtf8(c.id)), c.rank);
}

INSTANTIATE_TEST_SUITE_P(DebianDictionaries, DictionaryRank,
                         testing::Values(RankCase{"fd-eng-spa", 0}, RankCase{"fd-deu-eng", 0},
                                         RankCase{"wn", 1}, RankCase{"gcide", 1},
                                         RankCase{"foldoc", 1}, RankCase{"jargon", 1},
                                         RankCase{"vera", 1}, RankCase{"devil", 1},
                                         RankCase{"moby-thesaurus", 2},
                                         RankCase{"Moby-Thesaurus", 2}));

INSTANTIATE_TEST_SUITE_P(BundleIdentifiers, DictionaryRank,
                         testing::Values(RankCase{"com.apple.dictionary.de-en", 0},
                                         RankCase{"com.apple.dictionary.NOAD", 1},
                                         RankCase{"com.apple.dictionary.ja.Daijirin", 1},
                                         RankCase{"com.apple.dictionary.OAWT", 2},
                                         RankCase{"com.apple.dictionary.ote", 2},
                                         RankCase{"com.apple.dictionary.Thesaurus", 2},
                                         RankCase{"com.apple.dictionary.OxfordFrench", 0},
                                         RankCase{"com.apple.dictionary.NotOxfordFrench", 1},
                                         RankCase{"oxfordspanish", 0}, RankCase{"", 1}));

struct RelevantCase {
    const char* id;
    bool relevant;
};

void PrintTo(const RelevantCase& c, std::ostream* os) {
    *os << '"' << c.id << '"';
}

class DictionaryRelevance : public testing::TestWithParam<RelevantCase> {};

TEST_P(DictionaryRelevance, ExcludesSystemDictionariesExactly) {
    const RelevantCase c = GetParam();
    EXPECT_EQ(DictionaryRanking::isRelevant(QString::fromUtf8(c.id)), c.relevant);
}

INSTANTIATE_TEST_SUITE_P(
    Identifiers, DictionaryRelevance,
    testing::Values(RelevantCase{"com.apple.dictionary.AppleDictionary", false},
                    RelevantCase{"com.apple.dictionary.appledictionary", true},
                    RelevantCase{"com.apple.dictionary.AppleDictionary2", true},
                    RelevantCase{"com.apple.accessibility.voiceover", false},
                    RelevantCase{"com.apple.accessibility", true}, RelevantCase{"wn", true},
                    RelevantCase{"fd-eng-spa", true}, RelevantCase{"", true}));

} // namespace
