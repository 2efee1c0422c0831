#pragma once

#include "app/capture/Pasteboard.h"
#include "platform/linux/x11/ClipboardChangeWatcher.h"
#include "platform/linux/x11/ClipboardSnapshotReader.h"

#include <QByteArray>

#include <memory>

class ClipboardOwner;

// CLIPBOARD for the capture's copy path, on connections of its own: snapshots through
// ClipboardSnapshotReader, changes through XFixes, restores through a ClipboardOwner that keeps
// serving the restored contents for as long as it lives.
class X11Pasteboard final : public Pasteboard {
public:
    // Without an owner one is made; pass the process's long-lived one to share it.
    explicit X11Pasteboard(const QByteArray& displayName = {},
                           std::shared_ptr<ClipboardOwner> owner = {});
    ~X11Pasteboard() override;

    bool isValid() const;
    // The owner serving what was restored.
    const std::shared_ptr<ClipboardOwner>& owner() const { return m_owner; }

    void watchChanges() override;
    quint64 changeCount() override;
    Saved snapshot() override;
    bool hasTypes() override;
    bool isConcealed() override;
    std::optional<QString> plainText() override;
    bool restore(const ClipboardSnapshot& contents) override;

private:
    std::shared_ptr<ClipboardOwner> m_owner;
    ClipboardSnapshotReader m_reader;
    ClipboardChangeWatcher m_watcher;
};
