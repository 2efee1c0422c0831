#pragma once

#include <QString>
#include <QStringList>

// Cuts a long text into pieces that each fit one translation, for the command line, which
// translates a whole file where the window stops at its limit. Cuts fall after a line end;
// a single line longer than a piece is cut after white space, or anywhere as a last resort.
// The pieces put together are the text again.
namespace InputPieces {

// Pieces of at most `limit` user-perceived characters (limit > 0).
QStringList split(const QString& text, qsizetype limit);

} // namespace InputPieces
