#include "core/Graphemes.h"

#include <QTextBoundaryFinder>

namespace Graphemes {

QString left(const QString& text, qsizetype n) {
    if (n <= 0) {
        return QString();
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype taken = 0; taken < n; ++taken) {
        end = finder.toNextBoundary();
        if (end < 0) {
            return text;
        }
    }
    return text.first(end);
}

qsizetype count(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype clusters = 0;
    while (finder.toNextBoundary() > 0) {
        ++clusters;
    }
    return clusters;
}

} // namespace Graphemes
