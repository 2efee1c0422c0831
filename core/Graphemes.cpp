#include "core/Graphemes.h"

#include <QTextBoundaryFinder>

namespace Graphemes {

namespace {

// The next boundary, -1 at the end. Qt 6.4's tailoring for South-East Asian scripts puts a
// boundary after every code unit of a text holding such a mark, even inside a surrogate
// pair; cutting there would leave half a character on either side.
qsizetype nextBoundary(QTextBoundaryFinder& finder, const QString& text) {
    qsizetype at = finder.toNextBoundary();
    while (at > 0 && at < text.size() && text.at(at).isLowSurrogate()
           && text.at(at - 1).isHighSurrogate())
        at = finder.toNextBoundary();
    return at;
}

} // namespace

QString left(const QString& text, qsizetype n) {
    if (n <= 0) {
        return QString();
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype taken = 0; taken < n; ++taken) {
        end = nextBoundary(finder, text);
        if (end < 0) {
            return text;
        }
    }
    return text.first(end);
}

qsizetype count(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype clusters = 0;
    while (nextBoundary(finder, text) > 0) {
        ++clusters;
    }
    return clusters;
}

} // namespace Graphemes
