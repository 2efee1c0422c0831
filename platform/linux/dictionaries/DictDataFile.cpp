#include "platform/linux/dictionaries/DictDataFile.h"

#include <QFile>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <zlib.h>

namespace {

quint16 le16(QByteArrayView b, qsizetype at) {
    return quint16(quint8(b[at]) | (quint16(quint8(b[at + 1])) << 8));
}

constexpr int kFlagHcrc = 0x02;
constexpr int kFlagExtra = 0x04;
constexpr int kFlagName = 0x08;
constexpr int kFlagComment = 0x10;

} // namespace

DictDataFile::DictDataFile(QString path, qsizetype limit)
    : m_path(std::move(path))
    , m_limit(limit) {}

DictDataFile::~DictDataFile() = default;

bool DictDataFile::open() const {
    if (m_opened)
        return m_usable;
    m_opened = true;
    if (!openRegular(m_file, m_path))
        return false;
    const qint64 size = m_file.size();
    if (size > 0) {
        uchar* mapped = m_file.map(0, size);
        if (mapped == nullptr)
            return false;
        m_bytes = QByteArrayView(reinterpret_cast<const char*>(mapped), qsizetype(size));
    }
    m_compressed = m_bytes.size() >= 2 && quint8(m_bytes[0]) == 0x1f && quint8(m_bytes[1]) == 0x8b;
    // A compressed name on bytes that are not gzip is damage, not text to show.
    if (!m_compressed
        && (m_path.endsWith(QLatin1String(".dz")) || m_path.endsWith(QLatin1String(".gz"))))
        return false;
    if (m_compressed && !parseDictzipHeader()) {
        // Not a dictzip file: a plain gzip stream is still readable, just not by chunks.
        m_chunkStarts.clear();
        m_inflatedWhole = gunzip(m_bytes, m_limit);
        if (!m_inflatedWhole)
            return false;
    }
    m_usable = true;
    return true;
}

bool DictDataFile::parseDictzipHeader() const {
    const QByteArrayView b = m_bytes;
    if (b.size() < 10 || quint8(b[2]) != 8)
        return false;
    const int flags = quint8(b[3]);
    if (!(flags & kFlagExtra) || b.size() < 12)
        return false;
    const qsizetype extraLength = le16(b, 10);
    qsizetype pos = 12;
    const qsizetype extraEnd = pos + extraLength;
    if (extraEnd > b.size())
        return false;
    bool found = false;
    while (pos + 4 <= extraEnd) {
        const char si1 = b[pos];
        const char si2 = b[pos + 1];
        const qsizetype length = le16(b, pos + 2);
        pos += 4;
        if (pos + length > extraEnd)
            return false;
        if (si1 == 'R' && si2 == 'A' && length >= 6) {
            const quint16 version = le16(b, pos);
            const quint16 chunkLength = le16(b, pos + 2);
            const quint16 chunkCount = le16(b, pos + 4);
            if (version != 1 || chunkLength == 0 || length < 6 + 2 * qsizetype(chunkCount))
                return false;
            m_chunkLength = chunkLength;
            QList<quint64> sizes;
            for (qsizetype i = 0; i < chunkCount; ++i)
                sizes.append(le16(b, pos + 6 + 2 * i));
            m_chunkStarts.clear();
            m_chunkStarts.reserve(chunkCount + 1);
            m_chunkStarts.append(0);
            for (quint64 size : std::as_const(sizes))
                m_chunkStarts.append(m_chunkStarts.last() + size);
            found = true;
        }
        pos += length;
    }
    if (!found)
        return false;
    pos = extraEnd;
    for (int flag : {kFlagName, kFlagComment}) {
        if (!(flags & flag))
            continue;
        while (pos < b.size() && b[pos] != '\0')
            ++pos;
        ++pos;
    }
    if (flags & kFlagHcrc)
        pos += 2;
    if (pos > b.size())
        return false;
    for (quint64& start : m_chunkStarts)
        start += quint64(pos);
    return true;
}

std::optional<QByteArray> DictDataFile::chunk(qsizetype index) const {
    if (index == m_cachedChunk)
        return m_cachedChunkData;
    const quint64 begin = m_chunkStarts[index];
    const quint64 end = m_chunkStarts[index + 1];
    if (end > quint64(m_bytes.size()) || begin > end)
        return std::nullopt;
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    QByteArray out(m_chunkLength, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(m_bytes.data() + begin));
    stream.avail_in = uInt(end - begin);
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = inflate(&stream, Z_SYNC_FLUSH);
    const qsizetype produced = out.size() - qsizetype(stream.avail_out);
    inflateEnd(&stream);
    if (result != Z_OK && result != Z_STREAM_END && !(result == Z_BUF_ERROR && produced > 0))
        return std::nullopt;
    out.truncate(produced);
    m_cachedChunk = index;
    m_cachedChunkData = out;
    return out;
}

std::optional<QByteArray> DictDataFile::read(quint64 offset, quint64 length) const {
    const std::lock_guard lock(m_mutex);
    if (!open() || length > quint64(m_limit))
        return std::nullopt;
    if (length == 0)
        return QByteArray();
    if (!m_compressed || m_inflatedWhole) {
        const QByteArrayView whole = m_inflatedWhole ? QByteArrayView(*m_inflatedWhole) : m_bytes;
        if (offset > quint64(whole.size()) || length > quint64(whole.size()) - offset)
            return std::nullopt;
        return whole.sliced(qsizetype(offset), qsizetype(length)).toByteArray();
    }
    const quint64 first = offset / m_chunkLength;
    const quint64 last = (offset + length - 1) / m_chunkLength;
    const quint64 chunkCount = quint64(m_chunkStarts.size() - 1);
    if (offset + length < offset || last >= chunkCount)
        return std::nullopt;
    QByteArray out;
    out.reserve(qsizetype(length));
    for (quint64 i = first; i <= last; ++i) {
        const std::optional<QByteArray> data = chunk(qsizetype(i));
        if (!data)
            return std::nullopt;
        const quint64 chunkStart = i * m_chunkLength;
        const quint64 from = offset > chunkStart ? offset - chunkStart : 0;
        const quint64 to = std::min<quint64>(offset + length - chunkStart, m_chunkLength);
        // A short chunk anywhere but at the very end means the file is damaged.
        if (to > quint64(data->size()))
            return std::nullopt;
        out.append(data->constData() + from, qsizetype(to - from));
    }
    return out;
}

std::optional<QByteArray> DictDataFile::gunzip(QByteArrayView compressed, qsizetype limit) {
    // Inflated twice: first only counted, so that a bomb is refused before any memory is
    // taken for it, then into a buffer of exactly the counted size.
    auto inflateInto = [&](char* out, qsizetype outSize) -> std::optional<qsizetype> {
        z_stream stream{};
        if (inflateInit2(&stream, MAX_WBITS + 16) != Z_OK)
            return std::nullopt;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
        stream.avail_in = uInt(compressed.size());
        char scratch[64 * 1024];
        qsizetype produced = 0;
        int result = Z_OK;
        while (result == Z_OK) {
            char* at = out ? out + produced : scratch;
            const qsizetype room = out ? outSize - produced : qsizetype(sizeof scratch);
            stream.next_out = reinterpret_cast<Bytef*>(at);
            stream.avail_out = uInt(std::min<qsizetype>(room, sizeof scratch));
            const uInt offered = stream.avail_out;
            result = inflate(&stream, Z_NO_FLUSH);
            produced += qsizetype(offered - stream.avail_out);
            if (produced > limit) {
                result = Z_MEM_ERROR;
                break;
            }
        }
        inflateEnd(&stream);
        if (result != Z_STREAM_END)
            return std::nullopt;
        return produced;
    };
    const std::optional<qsizetype> size = inflateInto(nullptr, 0);
    if (!size)
        return std::nullopt;
    QByteArray out(*size, Qt::Uninitialized);
    if (inflateInto(out.data(), out.size()) != size)
        return std::nullopt;
    return out;
}

bool DictDataFile::openRegular(QFile& file, const QString& path) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    return file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
}

std::optional<QByteArray> DictDataFile::readIndex(const QString& path, qsizetype limit) {
    QFile file;
    if (!openRegular(file, path) || file.size() > limit)
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (path.endsWith(QLatin1String(".gz")))
        return gunzip(bytes, limit);
    return bytes;
}

QString DictDataFile::trimmedEnd(QString text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    text.truncate(end);
    return text;
}
