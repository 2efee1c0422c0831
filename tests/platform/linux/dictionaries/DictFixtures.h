#pragma once

// Builders for dictionary files in tests, and a guard that fails a reader stuck on a FIFO.

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
    QByteArray out;
    do {
        out.prepend("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[value % 64]);
        value /= 64;
    } while (value > 0);
    return out;
}

struct Database {
    QByteArray index;
    QByteArray data;
};

// A dictd database: each entry's line in the index, its text appended to the data.
inline Database dictd(const QList<std::pair<QByteArray, QByteArray>>& entries) {
    Database db;
    for (const auto& [headword, text] : entries) {
        db.index += headword + '\t' + base64Number(quint64(db.data.size())) + '\t'
                    + base64Number(quint64(text.size())) + '\n';
        db.data += text;
    }
    return db;
}

inline void appendLe(QByteArray& b, quint32 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

// A dictzip file: chunks flushed to inflate on their own, the chunk table in the extra field.
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
        deflate(&stream, at + chunkLength >= data.size() ? Z_FINISH : Z_FULL_FLUSH);
        out.truncate(out.size() - qsizetype(stream.avail_out));
        chunks.append(out);
    }
    deflateEnd(&stream);
    QByteArray field;
    for (quint32 v : {1u, quint32(chunkLength), quint32(chunks.size())})
        appendLe(field, v, 2);
    for (const QByteArray& chunk : chunks)
        appendLe(field, quint32(chunk.size()), 2);
    QByteArray file("\x1f\x8b\x08\x04\0\0\0\0\x02\x03", 10);
    appendLe(file, quint32(field.size() + 4), 2);
    file.append("RA");
    appendLe(file, quint32(field.size()), 2);
    file.append(field);
    for (const QByteArray& chunk : chunks)
        file.append(chunk);
    appendLe(file,
             quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size()))),
             4);
    appendLe(file, quint32(data.size()), 4);
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
    for (qint64 left = size;; left -= zeros.size()) {
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

inline bool makeFifo(const QString& path) {
    QFile::remove(path);
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// Runs work on a thread; false when it has not finished within 30 s. Then the FIFOs get a
// writer that leaves at once, so a reader stuck on one can end and the thread be joined.
inline bool finishesPromptly(const std::function<void()>& work, const QStringList& fifos = {}) {
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread thread(std::move(task));
    const bool prompt = done.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
        for (const QString& fifo : fifos)
            if (const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
                fd >= 0)
                ::close(fd);
    thread.join();
    return prompt;
}

} // namespace DictFixtures
