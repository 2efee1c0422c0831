#include "app/HistoryModel.h"

#include <QStandardPaths>

HistoryModel::HistoryModel(QObject* parent)
    : HistoryModel(defaultLocation(), parent) {}

HistoryModel::HistoryModel(const std::optional<QString>& url, QObject* parent)
    : QObject(parent)
    , m_store(url, capacity)
    , m_entries(m_store.entries()) {
    qRegisterMetaType<HistoryEntry>();
}

std::optional<QString> HistoryModel::defaultLocation() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty())
        return std::nullopt;
    return folder + QStringLiteral("/Verdolin/history.json");
}

void HistoryModel::refresh() {
    if (m_entries == m_store.entries())
        return;
    m_entries = m_store.entries();
    emit entriesChanged();
}
