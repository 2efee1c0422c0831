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
// file without the chunk table is inflated whole, once, up to a size limit.
class DictDataFile {
public:
    explicit DictDataFile(QString path);
    ~DictDataFile();
    DictDataFile(const DictDataFile&) = delete;
    DictDataFile& operator=(const DictDataFile&) = delete;

    // The bytes [offset, offset + length); absent when the range is not in the file or the
    // file cannot be read or inflated.
    std::optional<QByteArray> read(quint64 offset, quint64 length) const;

    // The whole content of a gzip (or dictzip) stream, absent when corrupt or larger than limit.
    static std::optional<QByteArray> gunzip(QByteArrayView compressed, qsizetype limit);

    // The text without white space at its end; definitions are shown as they start.
    static QString trimmedEnd(QString text);

    // A whole index file, inflated when its name ends in ".gz"; absent when it cannot be read
    // or is larger than `limit`.
    static std::optional<QByteArray> readIndex(const QString& path, qsizetype limit);

    // Largest read or inflated size accepted, against bogus lengths in an index.
    static constexpr qsizetype kMaxSize = 256 * 1024 * 1024;

private:
    bool open() const;
    bool parseDictzipHeader() const;
    std::optional<QByteArray> chunk(qsizetype index) const;

    QString m_path;
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
