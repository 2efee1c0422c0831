#pragma once

#include "app/capture/ClipboardSnapshot.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

// Reads the CLIPBOARD selection on a connection of its own, so that it can run on the capture's
// worker thread. Every wait is bounded by a deadline; an owner that does not answer in time
// makes the snapshot fail instead of blocking the capture.
class ClipboardSnapshotReader {
public:
    struct Limits {
        std::chrono::milliseconds budget{500};
        // Equal is still allowed.
        qint64 byteCap = 16 * 1024 * 1024;
    };

    enum class Status {
        // `snapshot` holds the whole clipboard (empty when nobody owns it).
        Taken,
        // The clipboard could not be saved completely (slow, too large, refused or vanishing
        // data, promised data): it must not be touched.
        Busy,
        // The owner marks its entry as a secret; nothing but the marker was read.
        Concealed,
        // No X display.
        Unavailable,
    };

    struct Result {
        Status status = Status::Unavailable;
        ClipboardSnapshot snapshot;
    };

    explicit ClipboardSnapshotReader(const QByteArray& displayName = {});
    ClipboardSnapshotReader(const QByteArray& displayName, Limits limits);
    ~ClipboardSnapshotReader();
    ClipboardSnapshotReader(const ClipboardSnapshotReader&) = delete;
    ClipboardSnapshotReader& operator=(const ClipboardSnapshotReader&) = delete;

    bool isValid() const;

    // Snapshots the clipboard, text targets first, within the budget.
    Result read();

    // The targets the clipboard offers now; nothing when there is no owner or it does not
    // answer before the deadline.
    std::optional<QStringList> offeredTargets(const QDeadlineTimer& deadline);

    // One target's data, INCR transfers included; nothing when refused, late or over `byteCap`.
    std::optional<ClipboardTarget> fetch(const QString& target, const QDeadlineTimer& deadline,
                                         qint64 byteCap);

    // The offered targets worth saving, in the order they are fetched: text first, and
    // neither the targets answered by the owner itself nor those that make it act.
    static QStringList fetchOrder(const QStringList& offered);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
