#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

// One remembered translation; also the record of the history file.
struct HistoryEntry {
    Q_GADGET
    Q_PROPERTY(QUuid id MEMBER id)
    Q_PROPERTY(QString source MEMBER source)
    Q_PROPERTY(QString result MEMBER result)
    Q_PROPERTY(QString from MEMBER from)
    Q_PROPERTY(QString to MEMBER to)

public:
    QUuid id;
    QDateTime date;
    QString source;
    QString result;
    QString from;
    QString to;

    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;

    // The file's object form. Absent when the date cannot be written in a form that reads
    // back (invalid, or a year outside 1 to 9999).
    std::optional<QJsonObject> toJson() const;
    // Absent unless all six keys are present with the right types, the identifier parses and
    // the date is an internet date-time with whole seconds.
    static std::optional<HistoryEntry> fromJson(const QJsonValue& value);

    // A compact JSON array; absent when any entry cannot be written, so that a readable file
    // is never replaced by one that would be set aside on the next start.
    static std::optional<QByteArray> encodeList(const QList<HistoryEntry>& entries);
    // Absent when the data is not a JSON array of readable entries; one bad entry spoils
    // the whole array.
    static std::optional<QList<HistoryEntry>> decodeList(const QByteArray& data);
};

size_t qHash(const HistoryEntry& entry, size_t seed = 0);

Q_DECLARE_METATYPE(HistoryEntry)
