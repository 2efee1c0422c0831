#include "core/SentenceVote.h"

#include <gtest/gtest.h>

namespace {

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
        {"weak answer confirmed", {{{"es", 0.6}}, false, spanishKnown, 6, {}}, "es", Basis::confirms},
        {"best effort confirmed", {{{"es", 0.95}}, true, spanishKnown, 6, {}}, "es", Basis::confirms},
        {"confident answer left alone", {{{"es", 0.95}}, false, spanishKnown, 6, {}}, {}, {}},
        {"0.9 is confident", {{{"es", 0.9}}, false, spanishKnown, 6, {}}, {}, {}},
        {"no answer", {{}, true, spanishKnown, 6, {}}, "es", Basis::names},
        {"own lexicon refutes English", {{{"en", 0.97}}, false, spanishKnown, 6, {}}, "es", Basis::refutes},
        {"own lexicon knows half: kept", {{{"ca", 0.97}}, false, spanishKnown, 6, {}}, {}, {}},
        {"weak, own lexicon knows less", {{{"ca", 0.4}}, false, spanishKnown, 6, {}}, "es", Basis::refutes},
        {"outweighs weak Portuguese", {{{"pt", 0.5}}, true, {{"es", 0.8}}, 6, {}}, "es", Basis::outweighs},
        {"outweighs confident Galician", {{{"gl", 0.94}}, false, spanishKnown, 6, {}}, "es", Basis::outweighs},
        {"confident Galician, share 0.9", {{{"gl", 0.94}}, false, {{"es", 0.9}}, 6, {}}, {}, {}},
        {"too little known", {{{"pt", 0.3}}, true, {{"es", 0.69}}, 6, {}}, {}, {}},
        {"tie without CLD2's choice", {{{"en", 0.2}}, true, {{"es", 1.0}, {"ca", 0.95}}, 6, {}}, {}, {}},
        {"tie broken by CLD2", {{{"en", 0.2}}, true, {{"es", 1.0}, {"ca", 0.95}}, 6, "ca"}, "ca", Basis::outweighs},
        {"tie break outside the tie", {{{"en", 0.2}}, true, {{"es", 1.0}, {"ca", 0.95}}, 6, "pt"}, {}, {}},
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
