#pragma once

#include "core/LanguageHypothesis.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Settles the language of a sentence of a few words that CLD2 answers weakly or wrongly, with
// the installed lexicons: CLD2 takes Spanish interface messages for Galician, Portuguese or
// English, or abstains on them, while the Spanish analyser knows every word. Each language with
// a lexicon confirms or refutes CLD2's answer by the share of the tokens it knows.
namespace SentenceVote {

// Measured on the dev half of scripts/build-message-eval (bench/SentenceDetectionEval.cpp).
struct Rule {
    int minWords = 4;
    int maxWords = 12;
    // The best-knowing lexicon language must know this share of the tokens...
    double minShare = 0.7;
    // ...and this much more than any other lexicon language.
    double minLead = 0.1;
    // CLD2's answer is weak in its best-effort mode or below this probability.
    double weakBelow = 0.9;
    // A confident CLD2 answer in a language without a lexicon gives way only to a lexicon
    // knowing this share.
    double outweighShare = 0.95;
    // CLD2's answer is refuted when its own lexicon knows less than this share.
    double refutedBelow = 0.5;
};

// How the vote's winner relates to CLD2's answer.
enum class Basis {
    confirms,  // the same language, which CLD2 answered weakly
    names,     // CLD2 named no language
    refutes,   // CLD2's language has a lexicon that knows too little of the text
    outweighs, // CLD2's language has no lexicon; the winner's knows (nearly) every token
};

struct Ballot {
    // CLD2's hypotheses without hints, most probable first.
    QList<LanguageHypothesis> recognized;
    bool bestEffort = false;
    // Share of the tokens known, by language, for every language with a lexicon.
    QHash<QString, double> shares;
    int words = 0;
    // CLD2's choice between the languages tied() names, when it was asked.
    std::optional<QString> tieBreak;
};

struct Verdict {
    QString language;
    Basis basis = Basis::confirms;
};

// Whether the rule speaks on a text of this many words; the lexicons need not be asked
// otherwise.
bool applies(int words, const Rule& rule = {});

// The lexicon languages that know enough of the text and come within the lead of the best,
// sorted: CLD2 should choose between them (tieBreak) when there are two or more.
QStringList tied(const Ballot& ballot, const Rule& rule = {});

// The language the lexicons settle on, or absent when they leave CLD2's answer as it is.
std::optional<Verdict> decide(const Ballot& ballot, const Rule& rule = {});

// How often a winner on this basis was right on the dev half: the probability it is reported
// with.
double accuracy(Basis basis);

// "confirms", "names", "refutes", "outweighs".
QString basisName(Basis basis);

} // namespace SentenceVote
