#pragma once

#include "app/dictionary/Dictionary.h"
#include "platform/linux/dictionaries/DictDataFile.h"

#include <QByteArray>
#include <QFile>

#include <mutex>

// A dictd database: NAME.index (headword, base64 offset, base64 length; sorted as dictfmt
// sorts) with NAME.dict or NAME.dict.dz. Opened on first use; the index is mapped and
// searched in place. A line longer than kMaxLineLength is damage: the look-up that meets it
// finds nothing, so a file without line breaks costs no more than a sound one.
class DictdDictionary : public Dictionary {
public:
    // identifier: the database's name in the dictd configuration, else the file stem.
    // sizeLimit: the largest definition read or data file inflated.
    DictdDictionary(QString identifier, QString indexPath, QString dataPath,
                    qsizetype sizeLimit = DictDataFile::kMaxSize);

    QString identifier() const override;
    QString name() const override;
    QString format() const override;
    std::optional<QString> define(const QString& word) const override;

    // The form dictd compares headwords in: lower case, runs of white space as one space,
    // and unless the database keeps all characters only letters, digits and spaces.
    static QByteArray normalizedHeadword(QByteArrayView word, bool allChars);
    // dictd's base64 number; absent for an empty field or a character outside the alphabet.
    static std::optional<quint64> decodeNumber(QByteArrayView field);

    // Longest word looked up; nothing longer is a headword.
    static constexpr qsizetype kMaxWordLength = 1024;
    // Longest index line accepted; real ones are well under 1 KiB.
    static constexpr qsizetype kMaxLineLength = 64 * 1024;

private:
    bool open() const;
    QList<QByteArray> entries(const QByteArray& key) const;
    std::optional<QString> lookup(const QString& word) const;

    QString m_identifier;
    QString m_indexPath;
    DictDataFile m_data;
    mutable std::recursive_mutex m_mutex;
    mutable bool m_opened = false;
    mutable QFile m_index;
    mutable QByteArrayView m_indexBytes;
    mutable bool m_allChars = false;
    mutable std::optional<QString> m_name;
};
