#pragma once

#include "core/LanguageHypothesis.h"
#include "core/LanguageRecognizer.h"
#include "core/LexiconVote.h"
#include "core/SentenceVote.h"
#include "platform/linux/detection/Cld2Recognizer.h"
#include "platform/linux/detection/LexiconEvidence.h"

#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <memory>

// CLD2, corrected by the installed lexicons: on texts of one to three words by those of the
// user's two languages (the two hints with the largest weight), on sentences of a few words
// without hints by those of every language that has one (SentenceVote). Longer texts, texts
// without the lexicons, and look-ups that miss the deadline get CLD2's answer unchanged.
class LexiconRecognizer final : public LanguageRecognizer {
public:
    // A look-up takes well under a millisecond once the analysers run; a slower answer (the
    // analysers still starting, or stuck) is not worth waiting for.
    static constexpr std::chrono::milliseconds evidenceTimeout{5};
    static constexpr int maxWords = 3;

    struct Options {
        std::chrono::milliseconds timeout = evidenceTimeout;
        LexiconVote::Rule rule = LexiconVote::chosenRule();
        SentenceVote::Rule sentenceRule;
    };

    explicit LexiconRecognizer(std::shared_ptr<LexiconEvidence> evidence);
    LexiconRecognizer(std::shared_ptr<LexiconEvidence> evidence, Options options);

    void setLanguageHints(const QHash<QString, double>& hints) override;
    void processString(const QString& text) override;
    QList<LanguageHypothesis> languageHypotheses(int maximum) const override;
    QStringList explanation() const override;

    // How sure the vote's winner is, by word count: its measured accuracy when the lexicons
    // decide.
    static double confidence(int words);

    // The white-space pieces holding a letter, which the lexicons are asked about; `words`
    // gets the count of all pieces, as the detector counts words.
    static QStringList tokens(const QString& text, int* words = nullptr);

private:
    // What the last text went through, kept so that explanation() can tell it on demand
    // rather than every detection formatting lines nobody reads.
    struct Trace {
        Cld2Recognizer::Reading reading;
        qsizetype tokens = 0;
        // The lexicon that missed the deadline (empty for the user's pair), when one did.
        std::optional<QString> late;
        std::optional<LexiconVote::Ballot> shortText;
        bool secondAsked = false;
        std::optional<LexiconVote::Verdict> shortVerdict;
        std::optional<SentenceVote::Ballot> sentence;
        QStringList sentenceCodes;
        QStringList tied;
        std::optional<SentenceVote::Verdict> sentenceVerdict;
    };

    void settleShortText(const QString& text, const QStringList& tokens, int words);
    void settleSentence(const QString& text, bool bestEffort, const QStringList& tokens, int words);

    std::shared_ptr<LexiconEvidence> m_evidence;
    Options m_options;
    QHash<QString, double> m_weights;
    QList<LanguageHypothesis> m_hypotheses;
    Trace m_trace;
};

// A fresh lexicon-aided recogniser per call, all sharing `evidence`.
LanguageRecognizerFactory lexiconRecognizerFactory(std::shared_ptr<LexiconEvidence> evidence);
LanguageRecognizerFactory lexiconRecognizerFactory(std::shared_ptr<LexiconEvidence> evidence,
                                                   LexiconRecognizer::Options options);
