#include "platform/linux/dictionaries/DictdDictionary.h"

#include <QStringList>

#include <algorithm>
#include <utility>

namespace {

QByteArrayView headwordOf(QByteArrayView line) {
    const qsizetype tab = line.indexOf('\t');
    return tab < 0 ? line : line.first(tab);
}

// The text without a first line that merely repeats the headword.
QString withoutHeadwordLine(const QString& text, const QByteArray& key, bool allChars) {
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    const QString first = newline < 0 ? text : text.first(newline);
    const QByteArray firstKey = DictdDictionary::normalizedHeadword(first.toUtf8(), allChars);
    if (!key.isEmpty() && firstKey.startsWith(key)) {
        const bool wholeWord =
            firstKey.size() == key.size() || !QChar::isLetterOrNumber(uchar(firstKey[key.size()]));
        if (wholeWord)
            return newline < 0 ? QString() : text.sliced(newline + 1);
    }
    return text;
}

QString tidy(QString text) {
    while (text.startsWith(QLatin1Char('\n')))
        text.remove(0, 1);
    return DictDataFile::trimmedEnd(std::move(text));
}

} // namespace

DictdDictionary::DictdDictionary(QString identifier, QString indexPath, QString dataPath,
                                 qsizetype sizeLimit)
    : m_identifier(std::move(identifier))
    , m_indexPath(std::move(indexPath))
    , m_data(std::move(dataPath), sizeLimit) {}

QString DictdDictionary::identifier() const {
    return m_identifier;
}

QString DictdDictionary::format() const {
    return QStringLiteral("dictd");
}

QString DictdDictionary::name() const {
    const std::lock_guard lock(m_mutex);
    if (!m_name) {
        std::optional<QString> text = lookup(QStringLiteral("00-database-short"));
        if (!text)
            text = lookup(QStringLiteral("00databaseshort"));
        QString name = text ? text->simplified() : QString();
        m_name = name.isEmpty() ? m_identifier : name;
    }
    return *m_name;
}

std::optional<QString> DictdDictionary::define(const QString& word) const {
    const std::lock_guard lock(m_mutex);
    return lookup(word);
}

QByteArray DictdDictionary::normalizedHeadword(QByteArrayView word, bool allChars) {
    const QString text = QString::fromUtf8(word).toLower();
    QString out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (const QChar c : text) {
        if (c.isSpace()) {
            pendingSpace = !out.isEmpty();
            continue;
        }
        if (!allChars && !c.isLetterOrNumber() && !c.isMark() && !c.isSurrogate())
            continue;
        if (pendingSpace)
            out.append(QLatin1Char(' '));
        pendingSpace = false;
        out.append(c);
    }
    return out.toUtf8();
}

std::optional<quint64> DictdDictionary::decodeNumber(QByteArrayView field) {
    if (field.isEmpty() || field.size() > 10)
        return std::nullopt;
    quint64 value = 0;
    for (const char c : field) {
        int digit = -1;
        if (c >= 'A' && c <= 'Z')
            digit = c - 'A';
        else if (c >= 'a' && c <= 'z')
            digit = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            digit = c - '0' + 52;
        else if (c == '+')
            digit = 62;
        else if (c == '/')
            digit = 63;
        if (digit < 0)
            return std::nullopt;
        value = value * 64 + quint64(digit);
    }
    return value;
}

bool DictdDictionary::open() const {
    if (m_opened)
        return !m_indexBytes.isEmpty();
    m_opened = true;
    if (!DictDataFile::openRegular(m_index, m_indexPath) || m_index.size() <= 0)
        return false;
    const uchar* mapped = m_index.map(0, m_index.size());
    if (mapped == nullptr)
        return false;
    m_indexBytes = QByteArrayView(reinterpret_cast<const char*>(mapped), m_index.size());
    // The marker entry sorts among the "00" entries near the start, after those beginning
    // with punctuation, whichever way the file is sorted.
    for (qsizetype start = 0; start < m_indexBytes.size();) {
        qsizetype end = m_indexBytes.indexOf('\n', start);
        if (end < 0)
            end = m_indexBytes.size();
        const QByteArrayView headword = headwordOf(m_indexBytes.sliced(start, end - start));
        if (headword == "00-database-allchars" || headword == "00databaseallchars") {
            m_allChars = true;
            break;
        }
        if (!headword.isEmpty() && uchar(headword[0]) > uchar('0'))
            break;
        start = end + 1;
    }
    return true;
}

// The index lines whose headword compares equal to key, in file order. A lower-bound binary
// search over line starts: lines before lo compare less, lines from hi on do not. Every scan
// for a line break stops after kMaxLineLength bytes, and meeting so long a line ends the search.
QList<QByteArray> DictdDictionary::entries(const QByteArray& key) const {
    const QByteArrayView bytes = m_indexBytes;
    const qsizetype size = bytes.size();
    // The end of the line from start; -1 when it is too long.
    auto lineEnd = [&](qsizetype start) -> qsizetype {
        const qsizetype window = std::min(kMaxLineLength + 1, size - start);
        const qsizetype newline = bytes.sliced(start, window).indexOf('\n');
        if (newline >= 0)
            return start + newline;
        return window > kMaxLineLength ? -1 : size;
    };
    qsizetype lo = 0;
    qsizetype hi = size;
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        // lo is always a line start, so the walk back needs to go no further.
        const qsizetype from = std::max(lo, mid - kMaxLineLength);
        const qsizetype newline = bytes.sliced(from, mid - from).lastIndexOf('\n');
        if (newline < 0 && from > lo)
            return {};
        const qsizetype start = newline < 0 ? from : from + newline + 1;
        const qsizetype end = lineEnd(start);
        if (end < 0)
            return {};
        const QByteArray headword =
            normalizedHeadword(headwordOf(bytes.sliced(start, end - start)), m_allChars);
        if (headword < key)
            lo = end + 1;
        else
            hi = start;
    }
    QList<QByteArray> lines;
    for (qsizetype start = lo; start < size;) {
        const qsizetype end = lineEnd(start);
        if (end < 0)
            break;
        const QByteArrayView line = bytes.sliced(start, end - start);
        if (normalizedHeadword(headwordOf(line), m_allChars) != key)
            break;
        lines.append(line.toByteArray());
        start = end + 1;
    }
    return lines;
}

std::optional<QString> DictdDictionary::lookup(const QString& word) const {
    if (word.size() > kMaxWordLength || !open())
        return std::nullopt;
    const QByteArray key = normalizedHeadword(word.toUtf8(), m_allChars);
    if (key.isEmpty())
        return std::nullopt;
    QStringList parts;
    for (const QByteArray& line : entries(key)) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 3)
            continue;
        const std::optional<quint64> offset = decodeNumber(fields[1]);
        const std::optional<quint64> length = decodeNumber(fields[2]);
        if (!offset || !length)
            continue;
        const std::optional<QByteArray> raw = m_data.read(*offset, *length);
        if (!raw)
            continue;
        const QString text = tidy(withoutHeadwordLine(QString::fromUtf8(*raw), key, m_allChars));
        if (!text.isEmpty())
            parts.append(text);
    }
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(QStringLiteral("\n\n"));
}
