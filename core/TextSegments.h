#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A text cut into lines of indentation and body, so that only the bodies go to the engine
// and the layout of the selection survives translation.
struct TextSegments {
    struct Line {
        // The spaces and tabs that began the line; empty for a blank line.
        QString indent;
        // The rest of the line, trimmed of horizontal white space.
        QString body;

        bool isBlank() const { return body.isEmpty(); }

        friend bool operator==(const Line&, const Line&) = default;
    };

    // One entry per line of the input, blank lines included.
    QList<Line> lines;

    // The positions in lines of the lines that have a body.
    QList<qsizetype> translatable() const;

    // The bodies of the translatable lines, in the order of translatable().
    QStringList sources() const;

    // The text again with each body replaced by its translation, one per entry of sources();
    // lines without a translation keep their own body and surplus translations are ignored.
    // Lines are joined by line feeds only.
    QString rebuild(const QStringList& translated) const;

    friend bool operator==(const TextSegments&, const TextSegments&) = default;
};
