#include "app/translation/HistoryModel.h"

#include <QStandardPaths>

HistoryModel::HistoryModel(QObject* parent)
    : HistoryModel(defaultLocation(), parent) {}

HistoryModel::HistoryModel(const std::optional<QString>& url, QObject* parent)
    : QObject(parent)
    , m_store(url, capacity)
    , m_entries(m_store.entries()) {
    qRegisterMetaType<HistoryEntry>();
    // The store calls from its writer's thread and clears the callback before it goes away.
    m_store.setMergedCallback([this] {
        QMetaObject::invokeMethod(
            this, [this] { refresh(); }, Qt::QueuedConnection);
    });
}

std::optional<QString> HistoryModel::defaultLocation() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty())
        return std::nullopt;
    return folder + QStringLiteral("/Verdolin/history.json");
}

void HistoryModel::refresh() {
    m_store.takeUpMerged();
    if (m_entries == m_store.entries())
        return;
    m_entries = m_store.entries();
    emit entriesChanged();
}

void HistoryModel::remove(const QUuid& id) {
    m_store.remove(id);
    m_store.flush();
    refresh();
}

void HistoryModel::clear() {
    m_store.clear();
    m_store.flush();
    refresh();
}
