#pragma once

#include "app/dictionary/Dictionary.h"
#include "platform/linux/dictionaries/DictDataFile.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <memory>
#include <mutex>

// A StarDict dictionary: NAME.ifo, NAME.idx or NAME.idx.gz, NAME.dict or NAME.dict.dz and
// NAME.syn when present. The index is read on first use into one offset table per file.
class StarDictDictionary : public Dictionary {
public:
    // The dictionary described by ifoPath, or null when the .ifo is unreadable, has no
    // bookname, or the .idx or .dict file is missing. sizeLimit: the largest index inflated
    // or definition read.
    static std::shared_ptr<StarDictDictionary>
    fromIfo(const QString& ifoPath, qsizetype sizeLimit = DictDataFile::kMaxSize);

    QString identifier() const override;
    QString name() const override;
    QString format() const override;
    std::optional<QString> define(const QString& word) const override;

    // The text of one entry's data: its text fields in order, markup removed.
    static QString entryText(QByteArrayView data, const QByteArray& sameTypeSequence);

private:
    struct IdxEntry {
        qsizetype wordStart;
        qsizetype wordLength;
        quint64 offset;
        quint64 size;
    };
    struct SynEntry {
        qsizetype wordStart;
        qsizetype wordLength;
        quint32 index;
    };

    StarDictDictionary() = default;
    bool open() const;
    QList<qsizetype> matches(const QByteArray& folded) const;

    QString m_identifier;
    QString m_name;
    QString m_basePath;
    int m_offsetBits = 32;
    qsizetype m_sizeLimit = DictDataFile::kMaxSize;
    QByteArray m_sameTypeSequence;
    std::unique_ptr<DictDataFile> m_data;
    mutable std::mutex m_mutex;
    mutable bool m_opened = false;
    mutable QByteArray m_idx;
    mutable QList<IdxEntry> m_entries;
    mutable QByteArray m_syn;
    mutable QList<SynEntry> m_synonyms;
};
