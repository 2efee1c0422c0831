#pragma once

#include "app/dictionary/DictionarySource.h"
#include "platform/linux/dictionaries/DictDataFile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>

#include <mutex>

// The dictd and StarDict dictionaries in the usual folders, and the databases dictd's own
// configuration lists as active.
class FileDictionarySource : public DictionarySource {
public:
    struct Folders {
        QStringList dictd;
        QStringList starDict; // searched with their sub-folders
        QString dictdDatabaseList;
    };

    // The folders of this system, from the home folder and XDG_DATA_HOME.
    static Folders systemFolders();

    // sizeLimit: the largest index inflated or definition read by each dictionary.
    explicit FileDictionarySource(Folders folders = systemFolders(),
                                  qsizetype sizeLimit = DictDataFile::kMaxSize);

    QList<std::shared_ptr<const Dictionary>> dictionaries() const override;
    QStringList activeIDs() const override;

    // The dictd indexes (*.index) directly in a folder, by name.
    static QFileInfoList dictdIndexes(const QString& folder);
    // The StarDict descriptions (*.ifo) in a folder and its sub-folders, sorted.
    static QStringList starDictDescriptions(const QString& folder);
    // The path with symbolic links resolved, so that one file found twice counts once.
    static QString canonicalPath(const QString& path);

    // The databases a dictd configuration fragment defines, in order: name and index path.
    static QList<std::pair<QString, QString>> parseDatabaseList(const QString& text);

private:
    struct Cached {
        QDateTime modified;
        qint64 size = 0;
        std::shared_ptr<const Dictionary> dictionary;
    };

    std::shared_ptr<const Dictionary> reuse(const QString& key, const QString& path,
                                            QHash<QString, Cached>& next) const;

    Folders m_folders;
    qsizetype m_sizeLimit;
    mutable std::mutex m_mutex;
    // Dictionaries already opened, kept while their files are unchanged.
    mutable QHash<QString, Cached> m_cache;
};
