#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

class ClipboardOwner;

// Counts the changes of CLIPBOARD's owner made by other clients, as XFixes reports them: a new
// owner (or the owner's window or client going away) later than the last `reset()`. Changes
// made by `own` (our restores) are not counted. Never blocks, so it fits a polling loop.
class ClipboardChangeWatcher {
public:
    explicit ClipboardChangeWatcher(const QByteArray& displayName = {},
                                    const ClipboardOwner* own = nullptr);
    ~ClipboardChangeWatcher();
    ClipboardChangeWatcher(const ClipboardChangeWatcher&) = delete;
    ClipboardChangeWatcher& operator=(const ClipboardChangeWatcher&) = delete;

    // False without a display or without XFixes.
    bool isValid() const;

    // Takes a server timestamp as the new starting point and forgets the count; changes that
    // happened before it are not counted even if their notifications arrive later.
    bool reset();

    // Changes since the last reset.
    quint64 changeCount();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
