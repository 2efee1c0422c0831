#include "platform/linux/dictionaries/StarDictDictionary.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

constexpr qsizetype kMaxWordLength = 1024;

quint32 be32(QByteArrayView b, qsizetype at) {
    return (quint32(quint8(b[at])) << 24) | (quint32(quint8(b[at + 1])) << 16)
           | (quint32(quint8(b[at + 2])) << 8) | quint32(quint8(b[at + 3]));
}

// StarDict sorts by ASCII case-insensitive order, so that is the order searched in.
QByteArray asciiFolded(QByteArrayView word) {
    QByteArray out = word.toByteArray();
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

QString firstExisting(const QString& base, std::initializer_list<const char*> suffixes) {
    for (const char* suffix : suffixes) {
        const QString path = base + QLatin1String(suffix);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

QString withoutMarkup(QString text) {
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    text.replace(
        QRegularExpression(QStringLiteral("<br\\s*/?>"), QRegularExpression::CaseInsensitiveOption),
        QStringLiteral("\n"));
    text.remove(tag);
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&apos;"), QLatin1String("'"));
    text.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

} // namespace

std::shared_ptr<StarDictDictionary> StarDictDictionary::fromIfo(const QString& ifoPath,
                                                                qsizetype sizeLimit) {
    QFile file;
    if (!DictDataFile::openRegular(file, ifoPath) || file.size() > 1024 * 1024)
        return nullptr;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || !lines.first().trimmed().startsWith("StarDict's dict ifo file"))
        return nullptr;
    std::shared_ptr<StarDictDictionary> dictionary(new StarDictDictionary);
    dictionary->m_sizeLimit = sizeLimit;
    for (const QByteArray& line : lines) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray key = line.first(equals).trimmed();
        const QByteArray value = line.sliced(equals + 1).trimmed();
        if (key == "bookname")
            dictionary->m_name = QString::fromUtf8(value).simplified();
        else if (key == "sametypesequence")
            dictionary->m_sameTypeSequence = value;
        else if (key == "idxoffsetbits")
            dictionary->m_offsetBits = value == "64" ? 64 : 32;
    }
    if (dictionary->m_name.isEmpty())
        return nullptr;
    const QFileInfo info(ifoPath);
    dictionary->m_identifier = info.completeBaseName();
    dictionary->m_basePath = info.path() + QLatin1Char('/') + info.completeBaseName();
    const QString dataPath = firstExisting(dictionary->m_basePath, {".dict.dz", ".dict"});
    if (dataPath.isEmpty() || firstExisting(dictionary->m_basePath, {".idx", ".idx.gz"}).isEmpty())
        return nullptr;
    dictionary->m_data = std::make_unique<DictDataFile>(dataPath, sizeLimit);
    return dictionary;
}

QString StarDictDictionary::identifier() const {
    return m_identifier;
}

QString StarDictDictionary::name() const {
    return m_name;
}

QString StarDictDictionary::format() const {
    return QStringLiteral("StarDict");
}

bool StarDictDictionary::open() const {
    if (m_opened)
        return !m_entries.isEmpty();
    m_opened = true;
    const std::optional<QByteArray> idx =
        DictDataFile::readIndex(firstExisting(m_basePath, {".idx", ".idx.gz"}), m_sizeLimit);
    if (!idx)
        return false;
    m_idx = *idx;
    const qsizetype numberSize = m_offsetBits / 8 + 4;
    for (qsizetype pos = 0; pos < m_idx.size();) {
        const qsizetype nul = m_idx.indexOf('\0', pos);
        if (nul < 0 || nul + 1 + numberSize > m_idx.size())
            break; // truncated: keep what came before
        quint64 offset = be32(m_idx, nul + 1);
        if (m_offsetBits == 64)
            offset = (offset << 32) | be32(m_idx, nul + 5);
        const quint32 size = be32(m_idx, nul + 1 + numberSize - 4);
        m_entries.append({pos, nul - pos, offset, size});
        pos = nul + 1 + numberSize;
    }
    if (const std::optional<QByteArray> syn =
            DictDataFile::readIndex(m_basePath + QLatin1String(".syn"), m_sizeLimit)) {
        m_syn = *syn;
        for (qsizetype pos = 0; pos < m_syn.size();) {
            const qsizetype nul = m_syn.indexOf('\0', pos);
            if (nul < 0 || nul + 5 > m_syn.size())
                break;
            m_synonyms.append({pos, nul - pos, be32(m_syn, nul + 1)});
            pos = nul + 5;
        }
    }
    return !m_entries.isEmpty();
}

// Indexes into m_entries of the headwords equal to the word, ignoring case, plus those its
// synonyms point at; in file order.
QList<qsizetype> StarDictDictionary::matches(const QByteArray& folded) const {
    QList<qsizetype> found;
    const QString wanted = QString::fromUtf8(folded).toCaseFolded();
    auto collect = [&](const QByteArray& bytes, const auto& list, auto&& take) {
        auto wordOf = [&](const auto& entry) {
            return asciiFolded(QByteArrayView(bytes).sliced(entry.wordStart, entry.wordLength));
        };
        auto it = std::partition_point(list.begin(), list.end(),
                                       [&](const auto& entry) { return wordOf(entry) < folded; });
        for (; it != list.end() && wordOf(*it) == folded; ++it) {
            const QByteArrayView word = QByteArrayView(bytes).sliced(it->wordStart, it->wordLength);
            if (QString::fromUtf8(word).toCaseFolded() == wanted)
                take(*it, qsizetype(it - list.begin()));
        }
    };
    collect(m_idx, m_entries, [&](const IdxEntry&, qsizetype index) { found.append(index); });
    collect(m_syn, m_synonyms, [&](const SynEntry& entry, qsizetype) {
        if (entry.index < quint32(m_entries.size()))
            found.append(qsizetype(entry.index));
    });
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::optional<QString> StarDictDictionary::define(const QString& word) const {
    const std::lock_guard lock(m_mutex);
    if (word.isEmpty() || word.size() > kMaxWordLength || !open())
        return std::nullopt;
    const QByteArray folded = asciiFolded(word.trimmed().toUtf8());
    QStringList parts;
    for (const qsizetype index : matches(folded)) {
        const IdxEntry& entry = m_entries[index];
        const std::optional<QByteArray> data = m_data->read(entry.offset, entry.size);
        if (!data)
            continue;
        const QString text = entryText(*data, m_sameTypeSequence);
        if (!text.isEmpty())
            parts.append(text);
    }
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(QStringLiteral("\n\n"));
}

QString StarDictDictionary::entryText(QByteArrayView data, const QByteArray& sameTypeSequence) {
    QStringList fields;
    auto take = [&](char type, QByteArrayView field) {
        const QString text = QString::fromUtf8(field);
        switch (type) {
        case 'm':
        case 'l':
        case 't':
        case 'y':
            fields.append(DictDataFile::trimmedEnd(text));
            break;
        case 'g':
        case 'h':
        case 'x':
        case 'k':
        case 'w':
            fields.append(DictDataFile::trimmedEnd(withoutMarkup(text)));
            break;
        default:
            break; // sounds, pictures and other resources have no text to show
        }
    };
    // One field: text types run to a NUL (or the end when last), the others carry a size.
    auto field = [&](char type, qsizetype& pos, bool last) -> bool {
        const bool isText = type >= 'a' && type <= 'z';
        if (isText) {
            qsizetype end = last ? data.size() : data.indexOf('\0', pos);
            if (end < 0)
                end = data.size();
            take(type, data.sliced(pos, end - pos));
            pos = end + 1;
            return true;
        }
        if (last) {
            pos = data.size();
            return true;
        }
        if (pos + 4 > data.size())
            return false;
        const quint64 size = be32(data, pos);
        if (size > quint64(data.size() - pos - 4))
            return false;
        pos += 4 + qsizetype(size);
        return true;
    };
    qsizetype pos = 0;
    if (!sameTypeSequence.isEmpty()) {
        for (qsizetype i = 0; i < sameTypeSequence.size() && pos <= data.size(); ++i) {
            if (!field(sameTypeSequence[i], pos, i + 1 == sameTypeSequence.size()))
                break;
        }
    } else {
        while (pos < data.size()) {
            const char type = data[pos++];
            if (!field(type, pos, false))
                break;
        }
    }
    fields.removeAll(QString());
    return fields.join(QLatin1Char('\n'));
}
