#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One target of a clipboard entry as its owner delivered it.
struct ClipboardTarget {
    QString name;
    // The property type the owner answered with (not always the target's own name).
    QString type;
    // 8, 16 or 32 bits per item.
    int format = 8;
    // Items of 16 and 32 bits are stored as 2 and 4 bytes each, in this machine's byte order.
    QByteArray data;

    bool operator==(const ClipboardTarget&) const = default;
};

// Everything the clipboard offered at one moment, enough to offer it again unchanged.
struct ClipboardSnapshot {
    // The owner's TARGETS list in its order, including the targets that were not fetched
    // (TARGETS, MULTIPLE, TIMESTAMP, SAVE_TARGETS and the side-effect targets).
    QStringList offered;
    // The fetched targets, in the order of `offered`.
    QList<ClipboardTarget> targets;

    // No owner, or an owner that offered nothing: restoring means leaving the clipboard empty.
    bool isEmpty() const { return offered.isEmpty(); }

    qsizetype byteCount() const {
        qsizetype total = 0;
        for (const ClipboardTarget& target : targets)
            total += target.data.size();
        return total;
    }

    const ClipboardTarget* find(const QString& name) const {
        for (const ClipboardTarget& target : targets) {
            if (target.name == name)
                return &target;
        }
        return nullptr;
    }

    bool operator==(const ClipboardSnapshot&) const = default;
};
