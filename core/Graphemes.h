#pragma once

#include <QString>

// Cuts by user-perceived characters (extended grapheme clusters), so that a limit never
// separates a base letter from its accent, the halves of a flag, or the parts of an emoji
// sequence.
namespace Graphemes {

// The first n user-perceived characters of the text; the whole text when it has no more
// than n, and the empty string for n <= 0.
QString left(const QString& text, qsizetype n);

// How many user-perceived characters the text has.
qsizetype count(const QString& text);

} // namespace Graphemes
