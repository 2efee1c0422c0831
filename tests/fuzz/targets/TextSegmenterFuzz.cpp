// Line segmentation of a selection or a command-line input: TextSegmenter, TextSegments and
// the pieces InputPieces cuts a long text into.
#include "core/CharacterSets.h"
#include "core/Graphemes.h"
#include "core/InputPieces.h"
#include "core/TextSegmenter.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

void checkSegments(const QString& text) {
    const TextSegments segments = TextSegmenter::split(text);
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList raw = normalized.split(QLatin1Char('\n'));
    FUZZ_CHECK(segments.lines.size() == raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const TextSegments::Line& line = segments.lines.at(i);
        for (const QChar c : line.indent)
            FUZZ_CHECK(c == u' ' || c == u'\t');
        if (line.isBlank()) {
            FUZZ_CHECK(line.indent.isEmpty());
            continue;
        }
        // The body is the line's own text, without white space at either end.
        FUZZ_CHECK(raw.at(i).startsWith(line.indent));
        FUZZ_CHECK(raw.at(i).sliced(line.indent.size()).contains(line.body));
        FUZZ_CHECK(CharacterSets::trimmed(line.body, CharacterSets::whitespaces) == line.body);
    }
    const QStringList sources = segments.sources();
    FUZZ_CHECK(sources.size() == segments.translatable().size());
    // Untranslated, every line comes back as indentation and body.
    const QString rebuilt = segments.rebuild(sources);
    FUZZ_CHECK(rebuilt.split(QLatin1Char('\n')).size() == raw.size());
    FUZZ_CHECK(segments.rebuild({}) == rebuilt);
    segments.rebuild(QStringList(sources.size() + 1, QStringLiteral("#")));
}

bool splitsPair(const QString& text, qsizetype at) {
    return at > 0 && at < text.size() && text.at(at - 1).isHighSurrogate()
           && text.at(at).isLowSurrogate();
}

void checkPieces(const QString& text, qsizetype limit) {
    const QStringList pieces = InputPieces::split(text, limit);
    FUZZ_CHECK(!pieces.isEmpty());
    FUZZ_CHECK(pieces.join(QString()) == text);
    for (const QString& piece : pieces)
        FUZZ_CHECK(pieces.size() == 1 || !piece.isEmpty());
    const QString left = Graphemes::left(text, limit);
    FUZZ_CHECK(text.startsWith(left));
    FUZZ_CHECK(left.size() == text.size() || Graphemes::count(text) > limit);
    // A cut never splits a surrogate pair (Qt's segmentation depends on what follows, so
    // counting the piece again need not give the same number).
    FUZZ_CHECK(!splitsPair(text, left.size()));
    qsizetype at = 0;
    for (const QString& piece : pieces) {
        at += piece.size();
        FUZZ_CHECK(!splitsPair(text, at));
    }
}

} // namespace

VERDOLIN_FUZZ_TARGET(TextSegmenter) {
    const qsizetype limit = qsizetype(FuzzInput::takeNumber(input, 1) % 64) + 1;
    for (const QString& text : {QString::fromUtf8(input), FuzzInput::rawUtf16(input)}) {
        checkSegments(text);
        checkPieces(text, limit);
    }
}
