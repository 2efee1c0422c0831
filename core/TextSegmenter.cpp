#include "core/TextSegmenter.h"

#include "core/CharacterSets.h"

namespace TextSegmenter {

TextSegments split(const QString& text) {
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    TextSegments segments;
    const QStringList rawLines = normalized.split(QLatin1Char('\n'), Qt::KeepEmptyParts);
    segments.lines.reserve(rawLines.size());
    for (const QString& raw : rawLines) {
        qsizetype indentLength = 0;
        while (indentLength < raw.size()
               && (raw.at(indentLength) == QLatin1Char(' ')
                   || raw.at(indentLength) == QLatin1Char('\t'))) {
            ++indentLength;
        }
        const QString body =
            CharacterSets::trimmed(raw.sliced(indentLength), CharacterSets::whitespaces);
        if (body.isEmpty()) {
            segments.lines.append(TextSegments::Line{});
        } else {
            segments.lines.append(TextSegments::Line{raw.first(indentLength), body});
        }
    }
    return segments;
}

} // namespace TextSegmenter
