#pragma once

#include "core/HistoryEntry.h"
#include "core/SerialQueue.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>

// The recent translations, newest first and bounded in number, mirrored into one JSON file
// that is written on a serial queue so the caller never waits for the disk unless it flushes.
// Not thread-safe: all operations belong to one thread.
class HistoryStore {
public:
    // Loads the file synchronously. Without a url the store lives in memory and never
    // touches a file. Without a writer it makes its own queue.
    HistoryStore(std::optional<QString> url, int capacity,
                 std::shared_ptr<SerialQueue> writer = nullptr);
    // Queued writes still reach the file: they hold their own snapshot, and the store's own
    // queue drains before it goes away.
    ~HistoryStore() = default;

    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    const QList<HistoryEntry>& entries() const { return m_entries; }
    const std::optional<QString>& url() const { return m_url; }
    int capacity() const { return m_capacity; }

    // Replaces the newest entry when it has the same source and languages, then trims the
    // list to the capacity.
    void add(const HistoryEntry& entry);
    // Removes every entry with this identifier; saves even when none matched.
    void remove(const QUuid& id);
    // Empties the list; the file then holds an empty array.
    void clear();
    // Returns when every write queued so far has finished.
    void flush();

    // Where an unreadable history file is moved: its extension becomes "bad.json".
    static QString asidePath(const QString& path);

private:
    void load();
    void save();

    QList<HistoryEntry> m_entries;
    std::optional<QString> m_url;
    int m_capacity;
    std::shared_ptr<SerialQueue> m_writer;
};
