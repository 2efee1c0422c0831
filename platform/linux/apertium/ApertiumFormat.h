#pragma once

#include <QString>

// Apertium's plain-text stream format, done in-process so that a translation needs no extra
// processes at either end of the pipeline. Both functions give the same characters as the
// `apertium-destxt` and `apertium-retxt` programs of Apertium 3.8.
namespace ApertiumFormat {

// Escapes the reserved characters, turns white space other than a lone space into blanks the
// stages pass through untouched, and ends the text with the sentence end lt-proc needs to
// flush. Runs of white space longer than the program's 8,192 characters stay inline rather
// than going to a temporary file. A NUL character counts as a space (left as it is, it would
// end the request; dropped, as the program drops it, it would join the words around it).
QString deformat(const QString& text);

// Undoes `deformat` on the pipeline's output: drops the added sentence ends and the blank
// brackets and unescapes. A blank naming a file (`[@/path]`) is never opened: its brackets
// are dropped like any other.
QString reformat(const QString& stream);

} // namespace ApertiumFormat
