#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>

// Random access to a dictionary's data file: plain, or dictzip (gzip whose extra field lists
// independently inflatable chunks, so a read touches only the chunks it needs). A plain gzip
// file without the chunk table is inflated whole, once, up to a size limit. Only regular files
// are read: a FIFO or device named like a dictionary file is refused, never waited on.
class DictDataFile {
public:
    // limit: the largest read or inflated size accepted.
    explicit DictDataFile(QString path, qsizetype limit = kMaxSize);
    ~DictDataFile();
    DictDataFile(const DictDataFile&) = delete;
    DictDataFile& operator=(const DictDataFile&) = delete;

    // The bytes [offset, offset + length); absent when the range is not in the file or the
    // file cannot be read or inflated.
    std::optional<QByteArray> read(quint64 offset, quint64 length) const;

    // The whole content of a gzip (or dictzip) stream, absent when corrupt or larger than limit.
    // Memory beyond the result is never taken, whatever the stream claims.
    static std::optional<QByteArray> gunzip(QByteArrayView compressed, qsizetype limit);

    // Opens path for reading when it is a regular file; false for anything else, at once.
    static bool openRegular(QFile& file, const QString& path);

    // The text without white space at its end; definitions are shown as they start.
    static QString trimmedEnd(QString text);

    // A whole index file, inflated when its name ends in ".gz"; absent when it cannot be read,
    // is not a regular file, or is larger than `limit`.
    static std::optional<QByteArray> readIndex(const QString& path, qsizetype limit);

    // Largest read or inflated size accepted, against bogus lengths and gzip bombs: far above
    // real dictionaries (tens of MiB inflated), far below a desktop's memory.
    static constexpr qsizetype kMaxSize = 256 * 1024 * 1024;

private:
    bool open() const;
    bool parseDictzipHeader() const;
    std::optional<QByteArray> chunk(qsizetype index) const;

    QString m_path;
    qsizetype m_limit;
    mutable std::mutex m_mutex;
    mutable bool m_opened = false;
    mutable bool m_usable = false;
    mutable QFile m_file;
    mutable QByteArrayView m_bytes;
    mutable bool m_compressed = false;
    mutable quint32 m_chunkLength = 0;
    mutable QList<quint64> m_chunkStarts; // one more than the chunks: the end of the last
    mutable std::optional<QByteArray> m_inflatedWhole;
    mutable qsizetype m_cachedChunk = -1;
    mutable QByteArray m_cachedChunkData;
};
