#pragma once

// Builders for dictionary files in tests: dictd base64 numbers, dictzip data, gzip bombs,
// FIFOs; and a guard that fails a reader stuck on one instead of hanging the test.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
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

// A gzip stream of `size` zero bytes, deflated piece by piece so it is never held whole.
inline QByteArray gzipZeros(qint64 size) {
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY);
    const QByteArray zeros(1024 * 1024, '\0');
    QByteArray out;
    char buffer[64 * 1024];
    for (qint64 left = size; left >= 0; left -= zeros.size()) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        stream.avail_in = uInt(std::min<qint64>(left, zeros.size()));
        const int flush = left <= zeros.size() ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
        } while (stream.avail_out == 0);
        if (flush == Z_FINISH)
            break;
    }
    deflateEnd(&stream);
    return out;
}

// Puts a FIFO where path was.
inline bool makeFifo(const QString& path) {
    QFile::remove(path);
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// Runs work on a thread; false when it has not finished within a bound far beyond any sound
// read. Then the FIFOs get a writer that leaves at once, so a reader stuck on one reaches the
// end of it and the thread can be joined.
inline bool finishesPromptly(const std::function<void()>& work, const QStringList& fifos = {}) {
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread thread(std::move(task));
    const bool prompt = done.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        for (const QString& fifo : fifos) {
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    }
    thread.join();
    return prompt;
}

} // namespace DictFixtures
