#pragma once

#include <QString>
#include <QStringList>

// The character classes the text rules speak of, decided per code point so that characters
// outside the Basic Multilingual Plane (emoji, rare ideographs) are classed like any other.
namespace CharacterSets {

// Membership test of one set; any captureless lambda converts to it, which is how a rule
// forms the union of two sets.
using Set = bool (*)(char32_t);

// Horizontal white space: no line breaks.
bool whitespaces(char32_t c);
bool whitespacesAndNewlines(char32_t c);
bool punctuationCharacters(char32_t c);
bool symbols(char32_t c);
// Letters together with the combining marks that belong to them.
bool letters(char32_t c);

// The per-character properties, which differ from the sets of the same spirit: white space
// includes line breaks, and a letter is never a mark.
bool isWhiteSpace(char32_t c);
bool isLetter(char32_t c);

// The text without the members of the set at either end.
QString trimmed(const QString& text, Set set);

bool containsAny(const QString& text, Set set);

// The runs of the text between members of the set; empty runs are dropped.
QStringList split(const QString& text, Set separators);

} // namespace CharacterSets
