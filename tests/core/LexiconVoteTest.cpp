#include "core/LexiconVote.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using LexiconVote::Ballot;
using LexiconVote::Rule;
using LexiconVote::Verdict;

const Rule r1{1.0, 4.0, 1.0, 0};
const Rule r2{1.0, 4.0, 1.0, 1};

struct VoteCase {
    const char* name;
    Rule rule;
    QList<LanguageHypothesis> hinted;
    std::optional<QString> unhinted;
    double english;
    double spanish;
    int words;
    std::optional<Verdict> expected;
};

void PrintTo(const VoteCase& c, std::ostream* os) {
    *os << c.name;
}

const QList<LanguageHypothesis> saysEnglish{{"en", 0.7}, {"es", 0.2}, {"de", 0.1}};
const QList<LanguageHypothesis> saysSpanish{{"es", 0.6}, {"en", 0.3}, {"de", 0.1}};
const QList<LanguageHypothesis> saysGerman{{"de", 0.5}, {"es", 0.3}, {"en", 0.2}};
const QList<LanguageHypothesis> saysGermanEnglishFirst{{"de", 0.5}, {"en", 0.3}, {"es", 0.2}};

Verdict decisive(const char* code) {
    return Verdict{code, true};
}
Verdict stands(const char* code) {
    return Verdict{code, false};
}

class LexiconVoteDecideTest : public testing::TestWithParam<VoteCase> {};

TEST_P(LexiconVoteDecideTest, PicksTheWinner) {
    const VoteCase& c = GetParam();
    const Ballot ballot{c.hinted, c.unhinted, "en", c.english, "es", c.spanish, c.words};
    EXPECT_EQ(LexiconVote::decide(ballot, c.rule), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LexiconVoteDecideTest,
    testing::Values(
        // One word of the pair.
        VoteCase{"word known only in Spanish overturns English",
                 r1,
                 saysEnglish,
                 {},
                 0,
                 1,
                 1,
                 decisive("es")},
        VoteCase{"word known only in English backs English",
                 r1,
                 saysEnglish,
                 {},
                 1,
                 0,
                 1,
                 decisive("en")},
        VoteCase{"word known in both: the recogniser decides",
                 r1,
                 saysSpanish,
                 {},
                 1,
                 1,
                 1,
                 decisive("es")},
        VoteCase{"word known in both, recogniser said English",
                 r1,
                 saysEnglish,
                 {},
                 1,
                 1,
                 1,
                 decisive("en")},
        VoteCase{
            "word known in neither: the answer stands", r1, saysSpanish, {}, 0, 0, 1, stands("es")},
        // Shares of several words: one language must lead by more than a quarter.
        VoteCase{"two of three known in Spanish, one in English",
                 r1,
                 saysEnglish,
                 {},
                 1.0 / 3,
                 2.0 / 3,
                 3,
                 decisive("es")},
        VoteCase{"half known each way: the recogniser decides",
                 r1,
                 saysEnglish,
                 {},
                 0.5,
                 0.5,
                 2,
                 decisive("en")},
        VoteCase{"English knows all, Spanish two of three",
                 r1,
                 saysSpanish,
                 {},
                 1,
                 2.0 / 3,
                 3,
                 decisive("en")},
        // A third language the recogniser named.
        VoteCase{
            "third language, no token known: it stands", r1, saysGerman, {}, 0, 0, 1, stands("de")},
        VoteCase{
            "third language, word known in Spanish", r1, saysGerman, {}, 0, 1, 1, decisive("es")},
        VoteCase{"third language, half known in Spanish: tie goes to the recogniser",
                 r1,
                 saysGerman,
                 {},
                 0,
                 0.5,
                 2,
                 stands("de")},
        VoteCase{"third language, word known in both: the pair language ranked higher",
                 r1,
                 saysGerman,
                 {},
                 1,
                 1,
                 1,
                 decisive("es")},
        VoteCase{"third language, known in both, English ranked higher",
                 r1,
                 saysGermanEnglishFirst,
                 {},
                 1,
                 1,
                 1,
                 decisive("en")},
        VoteCase{"offset 2: a third language beats two known tokens of three",
                 Rule{1, 4, 2, 0},
                 saysGerman,
                 {},
                 0,
                 2.0 / 3,
                 3,
                 stands("de")},
        VoteCase{"offset 2: a third language loses to all tokens known",
                 Rule{1, 4, 2, 0},
                 saysGerman,
                 {},
                 0,
                 1,
                 3,
                 decisive("es")},
        // No answer from the recogniser.
        VoteCase{"no answer, word known in Spanish", r1, {}, {}, 0, 1, 1, decisive("es")},
        VoteCase{"no answer, nothing known: abstain", r1, {}, {}, 0, 0, 1, std::nullopt},
        // The unhinted fallback.
        VoteCase{"unknown word, unhinted answer takes over", r2, saysSpanish, "de", 0, 0, 1,
                 decisive("de")},
        VoteCase{"unknown word, unhinted answer outside the candidates", r2, saysSpanish, "gl", 0,
                 0, 1, stands("es")},
        VoteCase{"unknown word, unhinted agrees", r2, saysSpanish, "es", 0, 0, 1, stands("es")},
        VoteCase{"a known token keeps the fallback away", r2, saysSpanish, "de", 0.5, 0, 2,
                 decisive("en")},
        VoteCase{"fallback only from two words", Rule{1, 4, 1, 2}, saysSpanish, "de", 0, 0, 1,
                 stands("es")},
        VoteCase{"chosen rule: an unknown word goes to the unhinted answer",
                 LexiconVote::chosenRule(), saysSpanish, "de", 0, 0, 1, decisive("de")},
        VoteCase{"chosen rule: two known tokens of three do not outvote a third language",
                 LexiconVote::chosenRule(),
                 saysGerman,
                 {},
                 2.0 / 3,
                 0,
                 3,
                 stands("de")},
        VoteCase{"chosen rule: inside the pair a quarter's lead still decides",
                 LexiconVote::chosenRule(),
                 saysEnglish,
                 {},
                 1.0 / 3,
                 2.0 / 3,
                 3,
                 decisive("es")},
        VoteCase{"fallback needs a hinted answer of the pair", r2, saysGerman, "es", 0, 0, 1,
                 stands("de")}),
    [](const testing::TestParamInfo<VoteCase>& info) { return std::to_string(info.index); });

TEST(LexiconVoteTest, AsksForTheUnhintedAnswerOnlyWhenTheFallbackApplies) {
    const Ballot unknown{saysSpanish, {}, "en", 0, "es", 0, 1};
    EXPECT_TRUE(LexiconVote::needsUnhinted(unknown, r2));
    EXPECT_FALSE(LexiconVote::needsUnhinted(unknown, r1));
    const Ballot known{saysSpanish, {}, "en", 0, "es", 1, 1};
    EXPECT_FALSE(LexiconVote::needsUnhinted(known, r2));
    const Ballot third{saysGerman, {}, "en", 0, "es", 0, 1};
    EXPECT_FALSE(LexiconVote::needsUnhinted(third, r2));
}

TEST(LexiconVoteTest, ASecondShareThatCannotMatterChangesNoVerdict) {
    int skipped = 0;
    for (const Rule& rule : {r1, r2, LexiconVote::chosenRule()}) {
        for (const auto& hinted : {saysEnglish, saysSpanish, saysGerman, saysGermanEnglishFirst,
                                   QList<LanguageHypothesis>{}}) {
            for (int first = 0; first <= 8; ++first) {
                for (int words = 1; words <= 3; ++words) {
                    Ballot ballot{hinted, QStringLiteral("de"), "en", first / 8.0, "es", 0.0,
                                  words};
                    if (!LexiconVote::secondCannotMatter(ballot, rule))
                        continue;
                    ++skipped;
                    const std::optional<Verdict> assumed = LexiconVote::decide(ballot, rule);
                    for (int second = 0; second <= 8; ++second) {
                        ballot.secondShare = second / 8.0;
                        EXPECT_EQ(LexiconVote::decide(ballot, rule), assumed)
                            << "first " << first << "/8, second " << second << "/8";
                    }
                }
            }
        }
    }
    EXPECT_GT(skipped, 0);
}

TEST(LexiconVoteTest, UnsortedHypothesesStillNameTheMostProbable) {
    const QList<LanguageHypothesis> unsorted{{"de", 0.1}, {"en", 0.2}, {"es", 0.7}};
    const Ballot ballot{unsorted, {}, "en", 0, "es", 0, 1};
    EXPECT_EQ(LexiconVote::decide(ballot, r1), stands("es"));
}

TEST(LexiconVoteTest, SharesOutsideZeroToOneAreClamped) {
    // A share above 1 must not let a language outvote a full share of the other.
    const Ballot ballot{saysSpanish, {}, "en", 7.0, "es", 1.0, 1};
    EXPECT_EQ(LexiconVote::decide(ballot, r1), decisive("es"));
}

// --- hypotheses -----------------------------------------------------------------------------

TEST(LexiconVoteHypothesesTest, AnAnswerThatMerelyStandsLeavesTheHypothesesAlone) {
    EXPECT_EQ(LexiconVote::hypotheses(saysGerman, stands("de"), 0.9), saysGerman);
    EXPECT_EQ(LexiconVote::hypotheses(saysGerman, std::nullopt, 0.9), saysGerman);
}

TEST(LexiconVoteHypothesesTest, TheWinnerLeadsAndTheRestKeepTheirProportions) {
    const QList<LanguageHypothesis> result =
        LexiconVote::hypotheses(saysEnglish, decisive("es"), 0.8);
    ASSERT_EQ(result.size(), 3);
    EXPECT_EQ(result[0].identifier, "es");
    EXPECT_DOUBLE_EQ(result[0].probability, 0.8);
    EXPECT_EQ(result[1].identifier, "en");
    EXPECT_EQ(result[2].identifier, "de");
    EXPECT_NEAR(result[1].probability, 0.2 * 0.7 / 0.8, 1e-12);
    EXPECT_NEAR(result[2].probability, 0.2 * 0.1 / 0.8, 1e-12);
}

TEST(LexiconVoteHypothesesTest, AWinnerAlreadySurerKeepsItsProbability) {
    const QList<LanguageHypothesis> result =
        LexiconVote::hypotheses({{"en", 0.95}, {"es", 0.05}}, decisive("en"), 0.8);
    ASSERT_EQ(result.size(), 2);
    EXPECT_DOUBLE_EQ(result[0].probability, 0.95);
    EXPECT_DOUBLE_EQ(result[1].probability, 0.05);
}

TEST(LexiconVoteHypothesesTest, AWinnerTheRecogniserDidNotListIsAdded) {
    const QList<LanguageHypothesis> result = LexiconVote::hypotheses({}, decisive("es"), 0.8);
    EXPECT_EQ(result, (QList<LanguageHypothesis>{{"es", 0.8}}));
}

TEST(LexiconVoteHypothesesTest, ALowOrBrokenConfidenceStillLeavesTheWinnerAlone) {
    for (const double confidence : {0.1, 0.5, std::nan("")}) {
        const QList<LanguageHypothesis> result = LexiconVote::hypotheses(
            {{"en", 0.45}, {"es", 0.45}, {"de", 0.1}}, decisive("es"), confidence);
        ASSERT_EQ(result.size(), 3);
        EXPECT_EQ(result[0].identifier, "es");
        EXPECT_GT(result[0].probability, 0.5);
        EXPECT_LT(result[1].probability, result[0].probability);
        double sum = 0.0;
        for (const LanguageHypothesis& h : result)
            sum += h.probability;
        EXPECT_LE(sum, 1.0 + 1e-12);
    }
}

} // namespace
