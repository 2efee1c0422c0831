#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

// Helpers that turn one fuzz input into what a parser takes.
namespace FuzzInput {

// The input's bytes, copied.
QByteArray bytes(const uint8_t* data, size_t size);

// The parts of an input that stands for several files, split at lines reading
// "#FUZZ-PART#"; missing parts are empty.
QList<QByteArray> parts(QByteArrayView input, qsizetype count);

// The input as UTF-16 code units taken as they are, lone surrogates included (text from Qt's
// own clipboard or a QML field is not always well formed).
QString rawUtf16(QByteArrayView input);

// Writes `contents` to `name` in a folder of this process's own, made once; returns the path.
QString writeFile(const QString& name, QByteArrayView contents);
// Removes `name` from that folder when it is there.
void removeFile(const QString& name);

// Drops Qt's messages: parsers warn about every bad input. Fatal messages still abort.
void silenceQtMessages();

// Reads a little-endian number from the front of `input` and removes it; 0 when short.
quint32 takeNumber(QByteArrayView& input, int bytes);

} // namespace FuzzInput
