#include "core/HistoryStore.h"

#include "core/SharedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

#include <algorithm>
#include <mutex>

Q_LOGGING_CATEGORY(lcHistory, "verdolin.history")

// What the writer's items share with the store; they never hold the store itself, so they may
// run after it is gone.
struct HistoryStore::Shared {
    std::mutex mutex;
    // Changes that have not reached the file yet, oldest first; the writer's thread only.
    QList<Change> unwritten;
    // Guarded by the mutex from here on.
    bool failed = false;
    std::optional<QList<HistoryEntry>> merged;
    quint64 mergedSequence = 0;
    std::function<void()> onMerged;
};

namespace {

struct FileList {
    // Absent when the file could not be read or parsed.
    std::optional<QList<HistoryEntry>> entries;
    bool damaged = false;
    QString error;
};

FileList readList(const SharedFile& file) {
    const SharedFile::Contents contents = file.read();
    switch (contents.status) {
    case SharedFile::Status::Missing:
        return {QList<HistoryEntry>(), false, {}};
    case SharedFile::Status::Unreadable:
        return {std::nullopt, false, contents.error};
    case SharedFile::Status::Read:
        break;
    }
    std::optional<QList<HistoryEntry>> decoded = HistoryEntry::decodeList(contents.data);
    const bool damaged = !decoded;
    return {std::move(decoded), damaged, {}};
}

// Called with the lock held. Kept for inspection rather than overwritten by the next save.
void setAside(const SharedFile& file) {
    const QString aside = HistoryStore::asidePath(file.path());
    if (file.setAside(aside))
        qCWarning(lcHistory) << "unreadable history" << file.path() << "moved to" << aside;
    else
        qCWarning(lcHistory) << "cannot move unreadable history" << file.path() << "aside";
}

} // namespace

HistoryStore::HistoryStore(std::optional<QString> url, int capacity,
                           std::shared_ptr<SerialQueue> writer)
    : m_url(std::move(url))
    // Trimming could never reach a negative length; such a store keeps nothing.
    , m_capacity(std::max(0, capacity))
    , m_shared(std::make_shared<Shared>())
    , m_writer(
          writer ? std::move(writer)
                 : std::make_shared<SerialQueue>(QStringLiteral("com.korvane.verdolin.history"))) {
    load();
}

HistoryStore::~HistoryStore() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->onMerged = nullptr;
}

QString HistoryStore::asidePath(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    // A leading dot starts a hidden name, not an extension.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    return info.dir().filePath(stem + QLatin1String(".bad.json"));
}

void HistoryStore::load() {
    if (!m_url)
        return;
    SharedFile file(*m_url);
    FileList list = readList(file);
    if (list.damaged) {
        // Read again under the lock: another process may have replaced it meanwhile.
        QString error;
        if (!file.lock(&error)) {
            qCWarning(lcHistory) << "cannot lock" << file.lockPath() << error;
            return;
        }
        list = readList(file);
        if (list.damaged)
            setAside(file);
    }
    if (list.entries) {
        m_entries = std::move(*list.entries);
    } else if (!list.damaged) {
        m_loadError = QStringLiteral("cannot read %1: %2").arg(*m_url, list.error);
        qCWarning(lcHistory).noquote() << *m_loadError;
    }
}

void HistoryStore::apply(QList<HistoryEntry>& entries, const Change& change, int capacity) {
    switch (change.kind) {
    case Change::Kind::add:
        if (!entries.isEmpty()) {
            const HistoryEntry& newest = entries.first();
            if (newest.source == change.entry.source && newest.from == change.entry.from
                && newest.to == change.entry.to)
                entries.removeFirst();
        }
        entries.prepend(change.entry);
        if (entries.size() > capacity)
            entries.resize(capacity);
        break;
    case Change::Kind::remove:
        entries.removeIf([&](const HistoryEntry& entry) { return entry.id == change.id; });
        break;
    case Change::Kind::clear:
        entries.clear();
        break;
    }
}

void HistoryStore::add(const HistoryEntry& entry) {
    change({Change::Kind::add, entry, {}});
}

void HistoryStore::remove(const QUuid& id) {
    change({Change::Kind::remove, {}, id});
}

void HistoryStore::clear() {
    change({Change::Kind::clear, {}, {}});
}

void HistoryStore::change(const Change& pending) {
    takeUpMerged();
    apply(m_entries, pending, m_capacity);
    if (!m_url)
        return;
    m_writer->async(
        [path = *m_url, capacity = m_capacity, shared = m_shared, pending,
         sequence = ++m_sequence] { write(path, capacity, shared, pending, sequence); });
}

void HistoryStore::write(const QString& path, int capacity, const std::shared_ptr<Shared>& shared,
                         const Change& change, quint64 sequence) {
    shared->unwritten.append(change);
    auto merged = [&]() -> std::optional<QList<HistoryEntry>> {
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            qCWarning(lcHistory) << "cannot create the folder of" << path;
            return std::nullopt;
        }
        SharedFile file(path);
        QString error;
        if (!file.lock(&error)) {
            qCWarning(lcHistory) << "cannot lock" << file.lockPath() << error;
            return std::nullopt;
        }
        FileList list = readList(file);
        if (list.damaged) {
            setAside(file);
            list.entries = QList<HistoryEntry>();
        }
        if (!list.entries) {
            // Replacing it would lose whatever it holds.
            qCWarning(lcHistory) << "not writing" << path << "as it cannot be read:" << list.error;
            return std::nullopt;
        }
        for (const Change& unwritten : std::as_const(shared->unwritten))
            apply(*list.entries, unwritten, capacity);
        const std::optional<QByteArray> data = HistoryEntry::encodeList(*list.entries);
        if (!data)
            return std::nullopt;
        // A temporary file renamed over the old one: a crash mid-write leaves the previous file.
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(*data) != data->size() || !out.commit()) {
            qCWarning(lcHistory) << "cannot write" << path << out.errorString();
            return std::nullopt;
        }
        return list.entries;
    }();

    std::lock_guard lock(shared->mutex);
    shared->failed = !merged;
    if (!merged)
        return;
    shared->unwritten.clear();
    shared->merged = std::move(merged);
    shared->mergedSequence = sequence;
    if (shared->onMerged)
        shared->onMerged();
}

bool HistoryStore::flush() {
    m_writer->flush();
    std::lock_guard lock(m_shared->mutex);
    return !m_shared->failed;
}

bool HistoryStore::takeUpMerged() {
    std::lock_guard lock(m_shared->mutex);
    // An older merge would undo the changes still on their way to the file.
    if (!m_shared->merged || m_shared->mergedSequence != m_sequence)
        return false;
    const bool changed = *m_shared->merged != m_entries;
    m_entries = std::move(*m_shared->merged);
    m_shared->merged.reset();
    return changed;
}

void HistoryStore::setMergedCallback(std::function<void()> callback) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->onMerged = std::move(callback);
}
