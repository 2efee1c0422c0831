#pragma once

#include "core/TextSegments.h"

#include <QString>

// Cuts a text into lines for line-by-line translation.
namespace TextSegmenter {

// Any line end (LF, CRLF, lone CR) separates lines; n line ends give n + 1 lines. Only
// spaces and tabs count as indentation.
TextSegments split(const QString& text);

} // namespace TextSegmenter
