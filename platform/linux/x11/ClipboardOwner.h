#pragma once

#include "app/capture/ClipboardSnapshot.h"

#include <QByteArray>

#include <memory>

// Puts a clipboard snapshot back exactly as it was taken: owns CLIPBOARD from a thread of its
// own with a connection of its own and serves every stored target, the original TARGETS list,
// TIMESTAMP, MULTIPLE, SAVE_TARGETS and INCR transfers until another client takes the
// clipboard. It has to live as long as the restored clipboard should: when it goes, the
// clipboard becomes empty.
class ClipboardOwner {
public:
    explicit ClipboardOwner(const QByteArray& displayName = {});
    ~ClipboardOwner();
    ClipboardOwner(const ClipboardOwner&) = delete;
    ClipboardOwner& operator=(const ClipboardOwner&) = delete;

    bool isValid() const;

    // Takes the clipboard and serves `snapshot`; an empty snapshot leaves the clipboard without
    // an owner. False when the server did not confirm it.
    bool restore(const ClipboardSnapshot& snapshot);

    // Still serving a restored snapshot (no other client has taken the clipboard since).
    bool isOwner() const;

    // Whether a change of the clipboard's owner, as XFixes reports it, was one of our restores.
    bool isOwnChange(quint32 owner, quint32 selectionTime) const;

    // Blocks until another client has taken the clipboard and every transfer of the restored
    // contents has ended (or the connection is gone).
    void waitUntilReleased() const;

    // Transfers being served incrementally right now.
    int pendingTransfers() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
