#include "core/InputPieces.h"

#include "core/Graphemes.h"

namespace InputPieces {

namespace {

// The end `hard` of the characters that fit, moved back to just after the last line
// end, else the last white space, in them.
qsizetype cutPoint(const QString& text, qsizetype hard) {
    const qsizetype lineEnd = text.lastIndexOf(QLatin1Char('\n'), hard - 1);
    if (lineEnd >= 0)
        return lineEnd + 1;
    for (qsizetype i = hard - 1; i > 0; --i) {
        if (text.at(i).isSpace())
            return i + 1;
    }
    return hard;
}

} // namespace

QStringList split(const QString& text, qsizetype limit) {
    QStringList pieces;
    QString rest = text;
    for (;;) {
        // Counting only what fits keeps a long text linear.
        const qsizetype fits = Graphemes::left(rest, limit).size();
        if (fits >= rest.size())
            break;
        const qsizetype at = cutPoint(rest, fits);
        pieces.append(rest.left(at));
        rest.remove(0, at);
    }
    if (!rest.isEmpty() || pieces.isEmpty())
        pieces.append(rest);
    return pieces;
}

} // namespace InputPieces
