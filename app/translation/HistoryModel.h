#pragma once

#include "core/HistoryEntry.h"
#include "core/HistoryStore.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

// The translation history as the screens see it: the store's list, copied after every change
// made through the store and again once the store's write has merged in what other processes
// added to the file. Main thread only.
class HistoryModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<HistoryEntry> entries READ entries NOTIFY entriesChanged)

public:
    static constexpr int capacity = 50;

    // The history file in the user's data folder.
    explicit HistoryModel(QObject* parent = nullptr);
    // Another file, or memory only when `url` is absent.
    explicit HistoryModel(const std::optional<QString>& url, QObject* parent = nullptr);

    // $XDG_DATA_HOME/Verdolin/history.json; absent when the system names no data folder.
    static std::optional<QString> defaultLocation();

    const QList<HistoryEntry>& entries() const { return m_entries; }
    HistoryStore& store() { return m_store; }

    // Publishes the store's list as it is now, with the file's merged list once the store's
    // writes have caught up.
    void refresh();

    // Forget one entry, or all of them, on disk at once.
    Q_INVOKABLE void remove(const QUuid& id);
    Q_INVOKABLE void clear();

signals:
    void entriesChanged();

private:
    HistoryStore m_store;
    QList<HistoryEntry> m_entries;
};
