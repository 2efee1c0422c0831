#include "platform/linux/dictionaries/FileDictionarySource.h"

#include "platform/linux/dictionaries/DictdDictionary.h"
#include "platform/linux/dictionaries/StarDictDictionary.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <utility>

namespace {

QString readText(const QString& path) {
    QFile file;
    if (!DictDataFile::openRegular(file, path) || file.size() > 4 * 1024 * 1024)
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

FileDictionarySource::Folders FileDictionarySource::systemFolders() {
    const QString home = QDir::homePath();
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = home + QLatin1String("/.local/share");
    return Folders{
        {QStringLiteral("/usr/share/dictd"), dataHome + QLatin1String("/dictd")},
        {QStringLiteral("/usr/share/stardict/dic"), home + QLatin1String("/.stardict/dic"),
         dataHome + QLatin1String("/stardict/dic")},
        QStringLiteral("/var/lib/dictd/db.list"),
    };
}

FileDictionarySource::FileDictionarySource(Folders folders, qsizetype sizeLimit)
    : m_folders(std::move(folders))
    , m_sizeLimit(sizeLimit) {}

QList<std::pair<QString, QString>> FileDictionarySource::parseDatabaseList(const QString& text) {
    QString withoutComments;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        withoutComments += (hash < 0 ? line : line.first(hash)) + QLatin1Char('\n');
    }
    // database NAME { ... index PATH ... }; names and paths may be quoted.
    static const QRegularExpression block(
        QStringLiteral(R"((?:^|\s)database\s+("[^"]*"|\S+)\s*\{([^}]*)\})"));
    static const QRegularExpression index(QStringLiteral(R"((?:^|\s)index\s+("[^"]*"|\S+))"));
    auto unquote = [](QString value) {
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"'))
            && value.endsWith(QLatin1Char('"')))
            value = value.sliced(1, value.size() - 2);
        return value;
    };
    QList<std::pair<QString, QString>> databases;
    for (auto it = block.globalMatch(withoutComments); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QRegularExpressionMatch indexMatch = index.match(match.captured(2));
        databases.append({unquote(match.captured(1)),
                          indexMatch.hasMatch() ? unquote(indexMatch.captured(1)) : QString()});
    }
    return databases;
}

QStringList FileDictionarySource::activeIDs() const {
    QStringList ids;
    for (const auto& [name, index] : parseDatabaseList(readText(m_folders.dictdDatabaseList)))
        if (!name.isEmpty() && !ids.contains(name))
            ids.append(name);
    return ids;
}

std::shared_ptr<const Dictionary> FileDictionarySource::reuse(const QString& key,
                                                              const QString& path,
                                                              QHash<QString, Cached>& next) const {
    const QFileInfo info(path);
    const auto found = m_cache.constFind(key);
    if (found != m_cache.constEnd() && found->modified == info.lastModified()
        && found->size == info.size()) {
        next.insert(key, *found);
        return found->dictionary;
    }
    return nullptr;
}

QList<std::shared_ptr<const Dictionary>> FileDictionarySource::dictionaries() const {
    QHash<QString, QString> namesByIndex;
    for (const auto& [name, index] : parseDatabaseList(readText(m_folders.dictdDatabaseList)))
        if (!index.isEmpty() && !namesByIndex.contains(canonicalPath(index)))
            namesByIndex.insert(canonicalPath(index), name);

    const std::lock_guard lock(m_mutex);
    QHash<QString, Cached> next;
    QList<std::shared_ptr<const Dictionary>> found;
    QSet<QString> seen;
    for (const QString& folder : m_folders.dictd) {
        const QFileInfoList indexes = dictdIndexes(folder);
        for (const QFileInfo& info : indexes) {
            const QString indexPath = canonicalPath(info.filePath());
            const QString base = info.path() + QLatin1Char('/') + info.completeBaseName();
            QString dataPath = base + QLatin1String(".dict.dz");
            if (!QFileInfo::exists(dataPath))
                dataPath = base + QLatin1String(".dict");
            if (!QFileInfo::exists(dataPath) || seen.contains(indexPath))
                continue;
            seen.insert(indexPath);
            const QString identifier = namesByIndex.value(indexPath, info.completeBaseName());
            const QString key = QLatin1String("dictd:") + identifier + QLatin1Char('\n') + indexPath
                                + QLatin1Char('\n') + dataPath;
            std::shared_ptr<const Dictionary> dictionary = reuse(key, indexPath, next);
            if (!dictionary) {
                dictionary =
                    std::make_shared<DictdDictionary>(identifier, indexPath, dataPath, m_sizeLimit);
                next.insert(key, {info.lastModified(), info.size(), dictionary});
            }
            found.append(dictionary);
        }
    }
    for (const QString& folder : m_folders.starDict) {
        const QStringList ifos = starDictDescriptions(folder);
        for (const QString& ifo : std::as_const(ifos)) {
            const QString path = canonicalPath(ifo);
            if (seen.contains(path))
                continue;
            seen.insert(path);
            const QString key = QLatin1String("stardict:") + path;
            std::shared_ptr<const Dictionary> dictionary = reuse(key, path, next);
            if (!dictionary) {
                const QFileInfo info(path);
                dictionary = StarDictDictionary::fromIfo(path, m_sizeLimit);
                if (!dictionary)
                    continue;
                next.insert(key, {info.lastModified(), info.size(), dictionary});
            }
            found.append(dictionary);
        }
    }
    m_cache = next;
    return found;
}

QFileInfoList FileDictionarySource::dictdIndexes(const QString& folder) {
    return QDir(folder).entryInfoList({QStringLiteral("*.index")}, QDir::Files, QDir::Name);
}

QStringList FileDictionarySource::starDictDescriptions(const QString& folder) {
    QStringList ifos;
    QDirIterator it(folder, {QStringLiteral("*.ifo")}, QDir::Files,
                    QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    while (it.hasNext())
        ifos.append(it.next());
    ifos.sort();
    return ifos;
}

QString FileDictionarySource::canonicalPath(const QString& path) {
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(path) : resolved;
}
