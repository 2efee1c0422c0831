#pragma once

#include <QString>

#include <optional>

// Whether a text holds any real word, and whether it is exactly one word.
namespace WordDetector {

// True when some white-space separated token has a letter and is neither a web address
// nor an e-mail address.
bool hasWords(const QString& text);

// The one word of the text, cleaned of surrounding punctuation and symbols; absent for
// several words or a text without letters.
std::optional<QString> singleWord(const QString& text);

} // namespace WordDetector
