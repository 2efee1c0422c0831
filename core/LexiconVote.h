#pragma once

#include "core/LanguageHypothesis.h"

#include <QList>
#include <QString>

#include <optional>

// Settles the language of a short text between the statistical recogniser and the lexicons of
// the user's two languages: a word the lexicon of one language knows and the other's does not
// says more about a one- to three-word text than letter statistics do.
namespace LexiconVote {

// The weights of the vote. Every language starts at 0; the recogniser's hinted answer gains
// `recognizerWeight`, and each of the user's two languages gains
// `lexiconWeight * share - lexiconOffset`, share being the part of the tokens its lexicons
// know. The highest score wins; a tie goes to the recogniser's answer, or else to the tied
// language the recogniser ranks higher.
struct Rule {
    double recognizerWeight = 1.0;
    double lexiconWeight = 4.0;
    double lexiconOffset = 1.0;
    // When neither lexicon knows any token and the hinted answer is one of the user's
    // languages, the hints only pulled an unknown text towards them: the unhinted answer wins.
    // From how many words on (0: never).
    int unhintedFallbackFromWords = 0;

    bool operator==(const Rule&) const = default;
};

// The rule measured best on held-out manual-page text for English and Spanish.
Rule chosenRule();

// What the vote sees about one text.
struct Ballot {
    // The recogniser's hypotheses with the detector's hints, most probable first.
    QList<LanguageHypothesis> hinted;
    // The recogniser's answer without hints; asked for only when needsUnhinted() says so.
    std::optional<QString> unhinted;
    // The user's two languages and the share (0..1) of the tokens each one's lexicons know.
    QString first;
    double firstShare = 0.0;
    QString second;
    double secondShare = 0.0;
    int words = 0;
};

struct Verdict {
    QString language;
    // The lexicons back the winner (its share is above zero), or the winner replaces the
    // hinted answer; otherwise the vote merely let the recogniser's answer stand.
    bool decisive = false;

    bool operator==(const Verdict&) const = default;
};

// Whether the vote would use the unhinted answer for this ballot (which costs a second pass of
// the recogniser); `unhinted` may stay empty otherwise.
bool needsUnhinted(const Ballot& ballot, const Rule& rule);

// Whether the vote ends the same whatever the second language's share, so that its lexicons
// need not be asked (a slow analyser still loading, say): the first language's share is known
// and above zero, and the second's two extremes give the same verdict. A score grows with its
// share, so every share between them does too.
bool secondCannotMatter(const Ballot& ballot, const Rule& rule);
// The winner, or absent when there is no hinted answer and no language scores above zero.
std::optional<Verdict> decide(const Ballot& ballot, const Rule& rule);

// The hypotheses the detector should see: unchanged unless the verdict is decisive; then the
// winner gets at least `confidence` (above 0.5, so it alone passes the detector's thresholds)
// and the other hypotheses share the rest in their former proportions.
QList<LanguageHypothesis> hypotheses(const QList<LanguageHypothesis>& hinted,
                                     const std::optional<Verdict>& verdict, double confidence);

} // namespace LexiconVote
