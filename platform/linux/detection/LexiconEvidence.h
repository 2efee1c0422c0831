#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// Which words of a text a language's installed lexicons know: its morphological analyser and
// the headwords of its dictionaries. Safe to use from any thread.
class LexiconEvidence {
public:
    LexiconEvidence() = default;
    virtual ~LexiconEvidence() = default;
    LexiconEvidence(const LexiconEvidence&) = delete;
    LexiconEvidence& operator=(const LexiconEvidence&) = delete;

    // Whether any lexicon is installed for the language (a base code: "en", "es").
    virtual bool hasLexicon(const QString& code) = 0;

    // The languages with a lexicon, sorted.
    virtual QStringList languages() const = 0;

    // Lets the lexicons of these languages load side by side before they are asked; returns
    // at once. Asking without it works too, one language after the other.
    virtual void startLoading(const QStringList& codes) { Q_UNUSED(codes); }

    // The share (0..1) of `tokens` known in the language. Absent when the language has no
    // lexicon, when there are no tokens, or when the answer did not come before `deadline`.
    virtual std::optional<double> knownShare(const QString& code, const QStringList& tokens,
                                             QDeadlineTimer deadline) = 0;
};
