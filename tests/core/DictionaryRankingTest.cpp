#include "core/DictionaryRanking.h"

#include <gtest/gtest.h>

namespace {

TEST(DictionaryRanking, BilingualFirstThesauriLast) {
    const std::pair<const char*, int> cases[] = {// Debian's dictionaries.
                                                 {"fd-eng-spa", 0},
                                                 {"fd-deu-eng", 0},
                                                 {"wn", 1},
                                                 {"gcide", 1},
                                                 {"foldoc", 1},
                                                 {"jargon", 1},
                                                 {"vera", 1},
                                                 {"devil", 1},
                                                 {"moby-thesaurus", 2},
                                                 {"Moby-Thesaurus", 2},
                                                 // Bundle identifiers.
                                                 {"com.apple.dictionary.de-en", 0},
                                                 {"com.apple.dictionary.NOAD", 1},
                                                 {"com.apple.dictionary.ja.Daijirin", 1},
                                                 {"com.apple.dictionary.OAWT", 2},
                                                 {"com.apple.dictionary.ote", 2},
                                                 {"com.apple.dictionary.Thesaurus", 2},
                                                 {"com.apple.dictionary.OxfordFrench", 0},
                                                 {"com.apple.dictionary.NotOxfordFrench", 1},
                                                 {"oxfordspanish", 0},
                                                 {"", 1}};
    for (const auto& [id, rank] : cases)
        EXPECT_EQ(DictionaryRanking::rank(QString::fromUtf8(id)), rank) << '"' << id << '"';
}

TEST(DictionaryRanking, ExcludesSystemDictionariesExactly) {
    const std::pair<const char*, bool> cases[] = {{"com.apple.dictionary.AppleDictionary", false},
                                                  {"com.apple.dictionary.appledictionary", true},
                                                  {"com.apple.dictionary.AppleDictionary2", true},
                                                  {"com.apple.accessibility.voiceover", false},
                                                  {"com.apple.accessibility", true},
                                                  {"wn", true},
                                                  {"fd-eng-spa", true},
                                                  {"", true}};
    for (const auto& [id, relevant] : cases)
        EXPECT_EQ(DictionaryRanking::isRelevant(QString::fromUtf8(id)), relevant)
            << '"' << id << '"';
}

} // namespace
