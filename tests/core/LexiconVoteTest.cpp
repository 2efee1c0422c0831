#include "core/LexiconVote.h"

#include "core/SentenceVote.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using LexiconVote::Ballot;
using LexiconVote::Rule;
using LexiconVote::Verdict;

const Rule r1{1.0, 4.0, 1.0, 0};
const Rule r2{1.0, 4.0, 1.0, 1};

const QList<LanguageHypothesis> en{{"en", 0.7}, {"es", 0.2}, {"de", 0.1}};
const QList<LanguageHypothesis> es{{"es", 0.6}, {"en", 0.3}, {"de", 0.1}};
const QList<LanguageHypothesis> de{{"de", 0.5}, {"es", 0.3}, {"en", 0.2}};
const QList<LanguageHypothesis> deEn{{"de", 0.5}, {"en", 0.3}, {"es", 0.2}};

const Verdict decisiveEn{"en", true}, decisiveEs{"es", true}, decisiveDe{"de", true};
const Verdict standsEs{"es", false}, standsDe{"de", false};

TEST(LexiconVote, DecidePicksTheWinner) {
    struct Case {
        const char* name;
        Rule rule;
        QList<LanguageHypothesis> hinted;
        std::optional<QString> unhinted;
        double english, spanish;
        int words;
        std::optional<Verdict> expected;
    };
    const Rule chosen = LexiconVote::chosenRule();
    // clang-format off
    const Case cases[] = {
        {"word known only in Spanish overturns English", r1, en, {}, 0, 1, 1, decisiveEs},
        {"known in both: the recogniser decides", r1, es, {}, 1, 1, 1, decisiveEs},
        {"known in neither: the answer stands", r1, es, {}, 0, 0, 1, standsEs},
        {"English all, Spanish two of three", r1, es, {}, 1, 2.0 / 3, 3, decisiveEn},
        {"third language, half in Spanish: tie to the recogniser", r1, de, {}, 0, 0.5, 2, standsDe},
        {"third language, known in both: pair language ranked higher", r1, de, {}, 1, 1, 1,
         decisiveEs},
        {"third language, known in both, English ranked higher", r1, deEn, {}, 1, 1, 1, decisiveEn},
        {"chosen: a third language loses to all known", chosen, de, {}, 0, 1, 3, decisiveEs},
        {"no answer, known in Spanish", r1, {}, {}, 0, 1, 1, decisiveEs},
        {"no answer, nothing known: abstain", r1, {}, {}, 0, 0, 1, std::nullopt},
        {"unhinted answer outside the candidates", r2, es, "gl", 0, 0, 1, standsEs},
        {"a known token keeps the fallback away", r2, es, "de", 0.5, 0, 2, decisiveEn},
        {"fallback only from two words", Rule{1, 4, 1, 2}, es, "de", 0, 0, 1, standsEs},
        {"fallback needs a hinted answer of the pair", r2, de, "es", 0, 0, 1, standsDe},
        {"chosen: an unknown word goes to the unhinted answer", chosen, es, "de", 0, 0, 1,
         decisiveDe},
        {"chosen: two of three do not outvote a third language", chosen, de, {}, 2.0 / 3, 0, 3,
         standsDe},
        {"chosen: inside the pair a quarter's lead decides", chosen, en, {}, 1.0 / 3, 2.0 / 3, 3,
         decisiveEs},
        {"unsorted hypotheses still name the most probable", r1,
         {{"de", 0.1}, {"en", 0.2}, {"es", 0.7}}, {}, 0, 0, 1, standsEs},
        {"tied hypotheses: the first is the answer", r1, {{"es", 0.4}, {"en", 0.4}}, {}, 0, 0, 1,
         standsEs},
        {"a share above 1 is clamped", r1, es, {}, 7.0, 1.0, 1, decisiveEs},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Ballot ballot{c.hinted, c.unhinted, "en", c.english, "es", c.spanish, c.words};
        EXPECT_EQ(LexiconVote::decide(ballot, c.rule), c.expected);
    }
}

TEST(LexiconVote, ASecondShareThatCannotMatterChangesNoVerdict) {
    int skipped = 0;
    for (const Rule& rule : {r1, r2, LexiconVote::chosenRule()}) {
        for (const auto& hinted : {en, es, de, deEn, QList<LanguageHypothesis>{}}) {
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
                        EXPECT_EQ(LexiconVote::decide(ballot, rule), assumed) << first << second;
                    }
                }
            }
        }
    }
    EXPECT_GT(skipped, 0);
}

TEST(LexiconVote, HypothesesPutADecisiveWinnerFirstAndKeepTheRestInProportion) {
    using Hypotheses = QList<LanguageHypothesis>;
    const Hypotheses surer{{"en", 0.95}, {"es", 0.05}};
    const struct {
        Hypotheses hinted;
        std::optional<Verdict> verdict;
        double confidence;
        Hypotheses expected;
    } cases[] = {
        // clang-format off
        {de, standsDe, 0.9, de},
        {de, std::nullopt, 0.9, de},
        {{}, decisiveEs, 0.8, {{"es", 0.8}}},
        {surer, decisiveEn, 0.8, surer},
        {{{"de", 0.375}, {"es", 0.3}, {"en", 0.125}, {"fr", 0.0}}, decisiveEs, 0.75,
         {{"es", 0.75}, {"de", 0.1875}, {"en", 0.0625}}},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(LexiconVote::hypotheses(c.hinted, c.verdict, c.confidence), c.expected);

    // A low or broken confidence still leaves the winner alone at the top.
    for (const double confidence : {0.1, std::nan("")}) {
        const QList<LanguageHypothesis> low = LexiconVote::hypotheses(
            {{"en", 0.45}, {"es", 0.45}, {"de", 0.1}}, decisiveEs, confidence);
        ASSERT_EQ(low.size(), 3);
        EXPECT_EQ(low[0].identifier, "es");
        EXPECT_GT(low[0].probability, 0.5);
        EXPECT_LE(low[0].probability + low[1].probability + low[2].probability, 1.0 + 1e-12);
    }
}

using SentenceVote::Basis;

struct Case {
    const char* name;
    SentenceVote::Ballot ballot; // recognised, best effort, shares, words, tie break
    std::optional<QString> winner;
    Basis basis;
};

const QHash<QString, double> spanishKnown{{"es", 1.0}, {"ca", 0.5}, {"en", 0.1}};

TEST(SentenceVoteTest, Decide) {
    const Case cases[] = {
        // clang-format off
        {"weak answer confirmed", {{{"es", 0.6}}, false, spanishKnown, 6, {}}, "es",
         Basis::confirms},
        {"best effort confirmed", {{{"es", 0.95}}, true, spanishKnown, 6, {}}, "es",
         Basis::confirms},
        {"confident answer left alone", {{{"es", 0.95}}, false, spanishKnown, 6, {}}, {}, {}},
        {"0.9 is confident", {{{"es", 0.9}}, false, spanishKnown, 6, {}}, {}, {}},
        {"no answer", {{}, true, spanishKnown, 6, {}}, "es", Basis::names},
        {"own lexicon refutes English", {{{"en", 0.97}}, false, spanishKnown, 6, {}}, "es",
         Basis::refutes},
        {"own lexicon knows half: kept", {{{"ca", 0.97}}, false, spanishKnown, 6, {}}, {}, {}},
        {"weak, own lexicon knows less", {{{"ca", 0.4}}, false, spanishKnown, 6, {}}, "es",
         Basis::refutes},
        {"outweighs weak Portuguese at the least share",
         {{{"pt", 0.5}}, true, {{"es", 0.7}}, 6, {}}, "es", Basis::outweighs},
        {"outweighs confident Galician", {{{"gl", 0.94}}, false, spanishKnown, 6, {}}, "es",
         Basis::outweighs},
        {"confident Galician, share 0.9", {{{"gl", 0.94}}, false, {{"es", 0.9}}, 6, {}}, {}, {}},
        {"too little known", {{{"pt", 0.3}}, true, {{"es", 0.69}}, 6, {}}, {}, {}},
        {"tie without CLD2's choice", {{{"en", 0.2}}, true, {{"es", 1.0}, {"ca", 0.95}}, 6, {}}, {},
         {}},
        {"tie broken by CLD2", {{{"en", 0.2}}, true, {{"es", 1.0}, {"ca", 0.95}}, 6, "ca"}, "ca",
         Basis::outweighs},
        {"tie break outside the tie", {{{"en", 0.2}}, true, {{"es", 1.0}, {"ca", 0.95}}, 6, "pt"},
         {}, {}},
        {"three words", {{{"pt", 0.3}}, true, spanishKnown, 3, {}}, {}, {}},
        {"four words", {{{"pt", 0.3}}, true, spanishKnown, 4, {}}, "es", Basis::outweighs},
        {"thirteen words", {{{"pt", 0.3}}, true, spanishKnown, 13, {}}, {}, {}},
        {"twelve words", {{{"pt", 0.3}}, true, spanishKnown, 12, {}}, "es", Basis::outweighs},
        {"no lexicons", {{{"pt", 0.3}}, true, {}, 6, {}}, {}, {}},
        // clang-format on
    };
    for (const Case& c : cases) {
        const std::optional<SentenceVote::Verdict> verdict = SentenceVote::decide(c.ballot);
        ASSERT_EQ(verdict.has_value(), c.winner.has_value()) << c.name;
        if (verdict) {
            EXPECT_EQ(verdict->language, *c.winner) << c.name;
            EXPECT_EQ(verdict->basis, c.basis) << c.name;
        }
    }
}

TEST(SentenceVoteTest, TiedNamesTheLanguagesWithinTheLead) {
    SentenceVote::Ballot ballot;
    ballot.shares = {{"es", 1.0}, {"ca", 0.95}, {"en", 0.9}};
    EXPECT_EQ(SentenceVote::tied(ballot), (QStringList{"ca", "en", "es"}));
    ballot.shares = {{"es", 1.0}, {"ca", 0.85}};
    EXPECT_EQ(SentenceVote::tied(ballot), QStringList{"es"});
    ballot.shares = {{"es", 0.6}, {"ca", 0.6}};
    EXPECT_TRUE(SentenceVote::tied(ballot).isEmpty());
}

} // namespace
