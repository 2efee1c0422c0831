#include "core/DictionaryRanking.h"

#include <gtest/gtest.h>

namespace {

TEST(DictionaryRanking, BilingualFirstThesauriLastSystemOnesLeftOut) {
    const std::pair<const char*, int> ranks[] = {{"fd-eng-spa", 0},
                                                 {"wn", 1},
                                                 {"Moby-Thesaurus", 2},
                                                 {"com.apple.dictionary.de-en", 0},
                                                 {"com.apple.dictionary.NOAD", 1},
                                                 {"com.apple.dictionary.OAWT", 2},
                                                 {"com.apple.dictionary.ote", 2},
                                                 {"com.apple.dictionary.OxfordFrench", 0},
                                                 {"com.apple.dictionary.NotOxfordFrench", 1}};
    const std::pair<const char*, bool> relevant[] = {
        {"com.apple.dictionary.AppleDictionary", false},
        {"com.apple.dictionary.AppleDictionary2", true},
        {"com.apple.accessibility.voiceover", false},
        {"com.apple.accessibility", true},
        {"wn", true}};
    for (const auto& [id, rank] : ranks)
        EXPECT_EQ(DictionaryRanking::rank(QString::fromUtf8(id)), rank) << id;
    for (const auto& [id, expected] : relevant)
        EXPECT_EQ(DictionaryRanking::isRelevant(QString::fromUtf8(id)), expected) << id;
}

} // namespace
