#pragma once

#include <QJsonObject>
#include <QLatin1StringView>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>
#include <utility>

// One domain of user defaults: a JSON object in <folder>/<domain>.json. Values keep their JSON
// type (Boolean, integer, number, string, list, map), so a value of an unexpected type stays
// visible through object(); the typed getters convert what they can.
//
// Every change is written to disk at once and atomically. Before writing, the store takes up
// what another store of the same file may have written meanwhile, so two owners of different
// keys never undo each other's work. A file that cannot be parsed is set aside as
// <domain>.bad.json and the store starts empty.
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

private:
    // Takes up the file as it is now; keeps the values in memory when it cannot be read.
    void loadLocked();
    void writeLocked();

    QString m_domain;
    QString m_folder;
    QJsonObject m_values;
    // Set while an existing file could not be read: writing would replace what it holds.
    bool m_readOnly = false;
    // Set while the last write failed: memory is ahead of the disk and is not reloaded.
    bool m_unsaved = false;
    mutable QMutex m_mutex;
};
