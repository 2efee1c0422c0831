#pragma once

#include "core/LanguageHypothesis.h"
#include "core/LanguageRecognizer.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// Language recognition with CLD2. Hints act as prior weights: with hints only the hinted
// languages are candidates, without them every language CLD2 knows is.
class Cld2Recognizer final : public LanguageRecognizer {
public:
    // What CLD2 itself says about one text, before any prior is applied.
    struct Reading {
        // The default mode abstained, so the answer comes from the best-effort mode.
        bool bestEffort = false;
        // UTF-8 bytes handed to CLD2.
        int bytes = 0;
        // CLD2's normalised score of its top language (hundreds to a few thousand).
        double score = 0.0;
        // Shares of the text (0..1) by normalised language code, largest first.
        QList<LanguageHypothesis> evidence;

        bool operator==(const Reading&) const = default;
    };

    void setLanguageHints(const QHash<QString, double>& hints) override;
    void processString(const QString& text) override;
    QList<LanguageHypothesis> languageHypotheses(int maximum) const override;
    QStringList explanation() const override;

    // One line on a reading: CLD2's mode, size, score, confidence class and shares.
    static QString describe(const Reading& reading);

    // CLD2's answer for a text, with the strongest of the weights passed on to CLD2 as hints.
    // Weights here and below are as usableWeights() gives them.
    static Reading read(const QString& text, const QHash<QString, double>& weights = {});

    // Probabilities by language, largest first: the reading's evidence weighted by how often
    // CLD2 is right in its confidence class, times the prior weights. Empty when no
    // candidate has any evidence.
    static QList<LanguageHypothesis> hypotheses(const Reading& reading,
                                                const QHash<QString, double>& weights);

    // The confidence class of a reading (0 .. confidenceClassCount() - 1), its label, and
    // how often CLD2's top answer is right in it.
    static int confidenceClass(const Reading& reading);
    static int confidenceClassCount();
    static QString confidenceClassLabel(int confidenceClass);
    static double accuracy(int confidenceClass);

    // Our language code for one of CLD2's codes ("iw" -> "he", "zh-Hant" -> "zh"); empty for
    // its unknown, script-only and joke languages.
    static QString codeForCld2(const QString& cld2Code);

    // Usable prior weights keyed by our codes: hints in languages CLD2 cannot name and
    // weights that are not positive numbers are dropped.
    static QHash<QString, double> usableWeights(const QHash<QString, double>& hints);

private:
    QHash<QString, double> m_weights;
    std::optional<Reading> m_reading;
    QList<LanguageHypothesis> m_hypotheses;
};

// A fresh CLD2 recogniser per call.
LanguageRecognizerFactory cld2RecognizerFactory();
