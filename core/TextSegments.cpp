#include "core/TextSegments.h"

QList<qsizetype> TextSegments::translatable() const {
    QList<qsizetype> positions;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines.at(i).isBlank()) {
            positions.append(i);
        }
    }
    return positions;
}

QStringList TextSegments::sources() const {
    QStringList bodies;
    for (const Line& line : lines) {
        if (!line.isBlank()) {
            bodies.append(line.body);
        }
    }
    return bodies;
}

QString TextSegments::rebuild(const QStringList& translated) const {
    QStringList out;
    out.reserve(lines.size());
    qsizetype k = 0;
    for (const Line& line : lines) {
        if (line.isBlank()) {
            out.append(line.indent);
            continue;
        }
        out.append(line.indent + (k < translated.size() ? translated.at(k) : line.body));
        ++k;
    }
    return out.join(QLatin1Char('\n'));
}
