#pragma once

#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QLatin1StringView>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <optional>
#include <utility>

// One domain of user defaults: a JSON object in <folder>/<domain>.json. Values keep their JSON
// type (Boolean, integer, number, string, list, map), so a value of an unexpected type stays
// visible through object(); the typed getters convert what they can.
//
// Every change is written to disk at once and atomically, under an advisory lock shared with
// every other store of the file, in this process or another: the store reads the file as it
// is now and writes only the keys it changed on top, so owners of different keys never undo
// each other's work. Changes that could not be written stay in memory and go with the next
// write. A file that cannot be parsed is set aside as <domain>.bad.json (older copies move on
// to <domain>.bad.1.json ...) and the store starts empty; a file that cannot be read at all
// (no permission, not a regular file) is never replaced.
class DefaultsStore {
public:
    static constexpr QLatin1StringView applicationDomain{"com.korvane.verdolin"};
    // Where an earlier version of the application kept its settings.
    static constexpr QLatin1StringView legacyDomain{"local.translate-selection"};

    // $XDG_CONFIG_HOME/verdolin.
    static QString defaultFolder();

    // The application's domain in the default folder, created on first use.
    static DefaultsStore& standard();

    DefaultsStore(const QString& domain, const QString& folder);
    DefaultsStore(const DefaultsStore&) = delete;
    DefaultsStore& operator=(const DefaultsStore&) = delete;

    QString domain() const { return m_domain; }
    QString folder() const { return m_folder; }
    QString filePath() const;
    // Where an unreadable file of this domain is moved.
    QString badFilePath() const;

    bool contains(const QString& key) const;
    // The stored value with its own type; invalid when absent.
    QVariant object(const QString& key) const;
    // Strings as they are, numbers as their decimal text; anything else is absent.
    std::optional<QString> string(const QString& key) const;
    // Integers as they are, numbers truncated, Booleans as 0 or 1, strings by their leading
    // integer; anything else is 0.
    qint64 integer(const QString& key) const;
    // The conversions the getters apply to a stored value.
    static std::optional<QString> stringValue(const QVariant& value);
    static qint64 integerValue(const QVariant& value);
    static bool booleanValue(const QVariant& value);
    static std::optional<QStringList> stringListValue(const QJsonValue& value);

    // The file's bytes as its object; absent when they are not a JSON object.
    static std::optional<QJsonObject> parse(const QByteArray& data);
    // Booleans as they are, numbers when not 0, strings "true", "yes" or a non-zero integer;
    // anything else is false.
    bool boolean(const QString& key) const;
    // A list whose every element is a string; anything else is absent.
    std::optional<QStringList> stringList(const QString& key) const;

    // Every entry of this domain.
    QVariantMap dictionary() const;
    // Every entry of another domain in the same folder, read without touching its file; empty
    // when that file is missing or unreadable.
    QVariantMap persistentDomain(const QString& name) const;

    // An invalid value removes the key.
    void setObject(const QString& key, const QVariant& value);
    void setString(const QString& key, const QString& value);
    void setInteger(const QString& key, qint64 value);
    void setBool(const QString& key, bool value);
    void setStringList(const QString& key, const QStringList& value);
    void remove(const QString& key);
    // Several entries in one write, applied in order, so that they reach the disk together.
    void setObjects(const QList<std::pair<QString, QVariant>>& entries);
    // Replaces the value of `key` by `change` of the value the file holds now (invalid when
    // absent), with no other process writing in between: how a counter grows. An invalid
    // result removes the key. Returns the new value. `change` must not call the store.
    QVariant update(const QString& key, const std::function<QVariant(const QVariant&)>& change);

    // Why the existing file could not be read when the store opened; absent when it was
    // read, missing or set aside.
    std::optional<QString> loadError() const;

private:
    // Reads the file under the lock, lets `record` add changes on top of what it holds now
    // (with the changes not written yet), and writes the result when it differs.
    void commitLocked(const std::function<void(const QJsonObject& current)>& record);
    void recordLocked(const QString& key, const QVariant& value);
    void applyUnwritten(QJsonObject& values) const;

    QString m_domain;
    QString m_folder;
    // The file as last read, with the changes not written yet on top.
    QJsonObject m_values;
    // Changes that have not reached the file yet; an absent value removes the key.
    QHash<QString, std::optional<QJsonValue>> m_unwritten;
    std::optional<QString> m_loadError;
    mutable QMutex m_mutex;
};
