#pragma once

// Builders for dictionary files in tests: dictd base64 numbers and dictzip data.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <zlib.h>

namespace DictFixtures {

inline QByteArray base64Number(quint64 value) {
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    QByteArray out;
    do {
        out.prepend(alphabet[value % 64]);
        value /= 64;
    } while (value > 0);
    return out;
}

// A dictzip file of data in chunks of chunkLength bytes, each flushed so that it inflates on
// its own, with the chunk table in the gzip extra field.
inline QByteArray dictzip(const QByteArray& data, int chunkLength) {
    QList<QByteArray> chunks;
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    for (qsizetype at = 0; at < data.size(); at += chunkLength) {
        const QByteArray piece = data.mid(at, chunkLength);
        QByteArray out(piece.size() + 1024, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        stream.avail_in = uInt(piece.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        const bool last = at + chunkLength >= data.size();
        deflate(&stream, last ? Z_FINISH : Z_FULL_FLUSH);
        out.truncate(out.size() - qsizetype(stream.avail_out));
        chunks.append(out);
    }
    deflateEnd(&stream);
    auto le16 = [](QByteArray& b, quint32 v) {
        b.append(char(v & 0xff));
        b.append(char((v >> 8) & 0xff));
    };
    QByteArray field;
    le16(field, 1);
    le16(field, quint32(chunkLength));
    le16(field, quint32(chunks.size()));
    for (const QByteArray& chunk : chunks)
        le16(field, quint32(chunk.size()));
    QByteArray file("\x1f\x8b\x08\x04\0\0\0\0\x02\x03", 10);
    le16(file, quint32(field.size() + 4));
    file.append("RA");
    le16(file, quint32(field.size()));
    file.append(field);
    for (const QByteArray& chunk : chunks)
        file.append(chunk);
    const quint32 crc =
        quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
    for (quint32 v : {crc, quint32(data.size())})
        for (int i = 0; i < 4; ++i)
            file.append(char((v >> (8 * i)) & 0xff));
    return file;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace DictFixtures
