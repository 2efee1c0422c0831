#include "core/DictionaryRanking.h"

#include <gtest/gtest.h>

namespace {

TEST(DictionaryRanking, BilingualFirstThesauriLast) {
    const std::pair<const char*, int> cases[] = {{"fd-eng-spa", 0},
                                                 {"wn", 1},
                                                 {"Moby-Thesaurus", 2},
                                                 {"com.apple.dictionary.de-en", 0},
                                                 {"com.apple.dictionary.NOAD", 1},
                                                 {"com.apple.dictionary.OAWT", 2},
                                                 {"com.apple.dictionary.ote", 2},
                                                 {"com.apple.dictionary.OxfordFrench", 0},
                                                 {"com.apple.dictionary.NotOxfordFrench", 1}};
    for (const auto& [id, rank] : cases)
        EXPECT_EQ(DictionaryRanking::rank(QString::fromUtf8(id)), rank) << id;
}

TEST(DictionaryRanking, ExcludesSystemDictionariesExactly) {
    const std::pair<const char*, bool> cases[] = {{"com.apple.dictionary.AppleDictionary", false},
                                                  {"com.apple.dictionary.AppleDictionary2", true},
                                                  {"com.apple.accessibility.voiceover", false},
                                                  {"com.apple.accessibility", true},
                                                  {"wn", true}};
    for (const auto& [id, relevant] : cases)
        EXPECT_EQ(DictionaryRanking::isRelevant(QString::fromUtf8(id)), relevant) << id;
}

} // namespace
