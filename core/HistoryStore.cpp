#include "core/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

void writeSnapshot(const QString& path, const QList<HistoryEntry>& snapshot) {
    const std::optional<QByteArray> data = HistoryEntry::encodeList(snapshot);
    if (!data)
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A temporary file renamed over the old one: a crash mid-write leaves the previous file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    if (file.write(*data) != data->size()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}

} // namespace

HistoryStore::HistoryStore(std::optional<QString> url, int capacity,
                           std::shared_ptr<SerialQueue> writer)
    : m_url(std::move(url))
    // Trimming could never reach a negative length; such a store keeps nothing.
    , m_capacity(std::max(0, capacity))
    , m_writer(
          writer ? std::move(writer)
                 : std::make_shared<SerialQueue>(QStringLiteral("com.korvane.verdolin.history"))) {
    load();
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
    QFile file(*m_url);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    file.close();

    if (std::optional<QList<HistoryEntry>> decoded = HistoryEntry::decodeList(data)) {
        m_entries = std::move(*decoded);
        return;
    }
    // Kept for inspection rather than overwritten by the next save.
    const QString aside = asidePath(*m_url);
    QFile::remove(aside);
    QFile::rename(*m_url, aside);
}

void HistoryStore::add(const HistoryEntry& entry) {
    if (!m_entries.isEmpty()) {
        const HistoryEntry& newest = m_entries.first();
        if (newest.source == entry.source && newest.from == entry.from && newest.to == entry.to)
            m_entries.removeFirst();
    }
    m_entries.prepend(entry);
    if (m_entries.size() > m_capacity)
        m_entries.resize(m_capacity);
    save();
}

void HistoryStore::remove(const QUuid& id) {
    m_entries.removeIf([&](const HistoryEntry& entry) { return entry.id == id; });
    save();
}

void HistoryStore::clear() {
    m_entries.clear();
    save();
}

void HistoryStore::flush() {
    m_writer->flush();
}

void HistoryStore::save() {
    if (!m_url)
        return;
    // The item holds no reference to the store, so it may run after the store is gone.
    m_writer->async([path = *m_url, snapshot = m_entries] { writeSnapshot(path, snapshot); });
}
