#include "core/WordDetector.h"

#include "core/CharacterSets.h"

namespace WordDetector {

namespace {

// Web and e-mail addresses carry letters but are not words worth translating.
bool isWord(const QString& token) {
    if (!CharacterSets::containsAny(token, CharacterSets::isLetter)) {
        return false;
    }
    const QString lower = token.toLower();
    if (lower.contains(QLatin1String("://")) || lower.startsWith(QLatin1String("www."))) {
        return false;
    }
    return !(lower.contains(QLatin1Char('@')) && lower.contains(QLatin1Char('.')));
}

bool isPunctuationOrSymbol(char32_t c) {
    return CharacterSets::punctuationCharacters(c) || CharacterSets::symbols(c);
}

} // namespace

bool hasWords(const QString& text) {
    const QStringList tokens = CharacterSets::split(text, CharacterSets::isWhiteSpace);
    for (const QString& token : tokens) {
        if (isWord(token)) {
            return true;
        }
    }
    return false;
}

std::optional<QString> singleWord(const QString& text) {
    const QString trimmed = CharacterSets::trimmed(text, CharacterSets::whitespacesAndNewlines);
    if (trimmed.isEmpty()
        || CharacterSets::containsAny(trimmed, CharacterSets::whitespacesAndNewlines)) {
        return std::nullopt;
    }
    const QString word = CharacterSets::trimmed(trimmed, isPunctuationOrSymbol);
    if (word.isEmpty() || !CharacterSets::containsAny(word, CharacterSets::letters)) {
        return std::nullopt;
    }
    return word;
}

} // namespace WordDetector
