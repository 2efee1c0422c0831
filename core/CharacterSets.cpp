#include "core/CharacterSets.h"

#include <QChar>

namespace CharacterSets {

namespace {

// A lone surrogate stands for itself: it belongs to no set, so it is neither trimmed nor
// a separator, and the text comes back unchanged around it.
char32_t codePointAt(const QString& text, qsizetype i, qsizetype* length) {
    const QChar unit = text.at(i);
    if (unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        *length = 2;
        return QChar::surrogateToUcs4(unit, text.at(i + 1));
    }
    *length = 1;
    return unit.unicode();
}

char32_t codePointBefore(const QString& text, qsizetype end, qsizetype* length) {
    const QChar unit = text.at(end - 1);
    if (unit.isLowSurrogate() && end >= 2 && text.at(end - 2).isHighSurrogate()) {
        *length = 2;
        return QChar::surrogateToUcs4(text.at(end - 2), unit);
    }
    *length = 1;
    return unit.unicode();
}

} // namespace

// Zs plus the tab.
bool whitespaces(char32_t c) {
    return c == U'\t' || QChar::category(c) == QChar::Separator_Space;
}

// Z* (Zs, Zl, Zp) plus U+0009 to U+000D and U+0085.
bool whitespacesAndNewlines(char32_t c) {
    if ((c >= U'\t' && c <= U'\r') || c == U'\u0085') {
        return true;
    }
    switch (QChar::category(c)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// P*.
bool punctuationCharacters(char32_t c) {
    return QChar::isPunct(c);
}

// S*.
bool symbols(char32_t c) {
    return QChar::isSymbol(c);
}

// L* and M*.
bool letters(char32_t c) {
    return QChar::isLetter(c) || QChar::isMark(c);
}

// Unicode White_Space, line breaks included.
bool isWhiteSpace(char32_t c) {
    return QChar::isSpace(c);
}

// L* only.
bool isLetter(char32_t c) {
    return QChar::isLetter(c);
}

QString trimmed(const QString& text, Set set) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    qsizetype length = 0;
    while (begin < end && set(codePointAt(text, begin, &length))) {
        begin += length;
    }
    while (end > begin && set(codePointBefore(text, end, &length))) {
        end -= length;
    }
    return text.sliced(begin, end - begin);
}

bool containsAny(const QString& text, Set set) {
    qsizetype length = 0;
    for (qsizetype i = 0; i < text.size(); i += length) {
        if (set(codePointAt(text, i, &length))) {
            return true;
        }
    }
    return false;
}

QStringList split(const QString& text, Set separators) {
    QStringList runs;
    qsizetype runStart = 0;
    qsizetype length = 0;
    for (qsizetype i = 0; i < text.size(); i += length) {
        if (separators(codePointAt(text, i, &length))) {
            if (i > runStart) {
                runs.append(text.sliced(runStart, i - runStart));
            }
            runStart = i + length;
        }
    }
    if (text.size() > runStart) {
        runs.append(text.sliced(runStart));
    }
    return runs;
}

} // namespace CharacterSets
