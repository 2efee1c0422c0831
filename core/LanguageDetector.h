#pragma once

#include "core/LanguageRecognizer.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// Names the language of a text with a statistical recogniser, steering short texts towards
// the user's languages.
namespace LanguageDetector {

// How probable the best language must be: one the caller supports, and any other (named only
// for texts of 4 or more words).
inline constexpr double supportedThreshold = 0.3;
inline constexpr double unsupportedThreshold = 0.6;

// The normalised code of the text's language, or absent when no language is found with
// enough confidence. Texts of 4 or more words may come back as a code outside `supported`
// so the caller can say the language is not available. `hints` are the user's my and
// second language. Each call makes its own recogniser through `factory`, and none at all
// for a text without words.
std::optional<QString> detect(const QString& text, const QSet<QString>& supported,
                              const QStringList& hints, const LanguageRecognizerFactory& factory);

} // namespace LanguageDetector
