#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

// Helpers that turn one fuzz input into what a parser takes.
namespace FuzzInput {

// The parts of an input that stands for several files, split at lines reading "#FUZZ-PART#";
// missing parts are empty.
QList<QByteArray> parts(QByteArrayView input, qsizetype count);

// UTF-16 code units taken as they are, lone surrogates included (text from Qt's own clipboard
// or a QML field is not always well formed).
QString rawUtf16(QByteArrayView input);

// A little-endian number taken from the front of `input`; 0 when it is too short.
quint32 takeNumber(QByteArrayView& input, int bytes);

bool gzipped(QByteArrayView contents);

// Files in a folder of this process's own: emptied, then written; writeFile returns the path.
void clearFolder();
QString writeFile(const QString& name, QByteArrayView contents);

// Drops Qt's messages: parsers warn about every bad input. Fatal messages still abort.
void silenceQtMessages();

} // namespace FuzzInput
