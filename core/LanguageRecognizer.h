#pragma once

#include "core/LanguageHypothesis.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// A statistical language recogniser as the detector uses it. One instance serves one text:
// hints, then one processString, then hypotheses. Implementations live with the platform
// bindings; tests script their own.
class LanguageRecognizer {
public:
    LanguageRecognizer() = default;
    virtual ~LanguageRecognizer() = default;

    LanguageRecognizer(const LanguageRecognizer&) = delete;
    LanguageRecognizer& operator=(const LanguageRecognizer&) = delete;

    // Prior weights by language identifier, given before the text is processed. Identifiers
    // the recogniser does not know are ignored. Replaces any earlier hints.
    virtual void setLanguageHints(const QHash<QString, double>& hints) = 0;

    // Analyses the text; the hypotheses below describe the text of the latest call.
    virtual void processString(const QString& text) = 0;

    // At most `maximum` guesses in the recogniser's own order, which need not be sorted by
    // probability. Empty before any text was processed or when nothing was recognised.
    virtual QList<LanguageHypothesis> languageHypotheses(int maximum) const = 0;

    // How the latest hypotheses came about, a line per source of evidence, for a person
    // reading a bug report. Empty when the recogniser cannot say.
    virtual QStringList explanation() const { return {}; }
};

// Makes a fresh recogniser, so that no state carries over from one detection to the next.
using LanguageRecognizerFactory = std::function<std::unique_ptr<LanguageRecognizer>()>;
