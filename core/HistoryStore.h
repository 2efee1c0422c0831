#pragma once

#include "core/HistoryEntry.h"
#include "core/SerialQueue.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

// The recent translations, newest first and bounded in number, mirrored into one JSON file
// that is written on a serial queue so the caller never waits for the disk unless it flushes.
// Other processes (the command line, a second window) write the same file: every change is
// replayed on the file's current list under an advisory lock, so nobody drops another's
// entries, and that merged list becomes this store's list once all its changes are written.
// Not thread-safe: all operations belong to one thread.
class HistoryStore {
public:
    // Loads the file synchronously. Without a url the store lives in memory and never
    // touches a file. Without a writer it makes its own queue.
    HistoryStore(std::optional<QString> url, int capacity,
                 std::shared_ptr<SerialQueue> writer = nullptr);
    // Queued writes still reach the file: they hold their own copy of what they change, and
    // the store's own queue drains before it goes away.
    ~HistoryStore();

    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    const QList<HistoryEntry>& entries() const { return m_entries; }
    const std::optional<QString>& url() const { return m_url; }
    int capacity() const { return m_capacity; }
    // Why the existing file could not be read when the store opened (a folder or a FIFO in
    // its place, no permission). Such a file is never replaced: every write fails until it
    // can be read again.
    const std::optional<QString>& loadError() const { return m_loadError; }

    // Replaces the newest entry when it has the same source and languages, then trims the
    // list to the capacity.
    void add(const HistoryEntry& entry);
    // Removes every entry with this identifier; saves even when none matched.
    void remove(const QUuid& id);
    // Empties the list; the file then holds an empty array.
    void clear();
    // Returns when every write queued so far has finished: true when every change made so
    // far has reached the file. A change that failed is tried again with the next one.
    bool flush();

    // Takes up the file's list as the last write left it, with what other processes added,
    // once every change made here has been written. True when the list changed.
    bool takeUpMerged();
    // Called on the writer's thread after a write merged the file's list, so that the owner
    // can call takeUpMerged() on its own thread. Must not block.
    void setMergedCallback(std::function<void()> callback);

    // Where an unreadable history file is moved: its extension becomes "bad.json". Older
    // copies move on to "bad.1.json" ... (SharedFile::setAside).
    static QString asidePath(const QString& path);

private:
    struct Change {
        enum class Kind { add, remove, clear };
        Kind kind;
        HistoryEntry entry;
        QUuid id;
    };
    struct Shared;

    static void apply(QList<HistoryEntry>& entries, const Change& change, int capacity);
    static void write(const QString& path, int capacity, const std::shared_ptr<Shared>& shared,
                      const Change& change, quint64 sequence);

    void load();
    void change(const Change& pending);

    QList<HistoryEntry> m_entries;
    std::optional<QString> m_url;
    int m_capacity;
    std::optional<QString> m_loadError;
    // Changes handed to the writer so far.
    quint64 m_sequence = 0;
    std::shared_ptr<Shared> m_shared;
    std::shared_ptr<SerialQueue> m_writer;
};
