#pragma once

#include "app/capture/ClipboardSnapshot.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// The clipboard as the capture's copy path needs it: saved before the copy keystroke, watched
// for the copy, read, and put back. Called from one worker thread at a time.
class Pasteboard {
public:
    Pasteboard() = default;
    virtual ~Pasteboard() = default;
    Pasteboard(const Pasteboard&) = delete;
    Pasteboard& operator=(const Pasteboard&) = delete;

    struct Saved {
        // False when the contents cannot be saved completely (promised or concealed data, too
        // slow, too large, vanishing): such a clipboard must not be touched.
        bool taken = false;
        ClipboardSnapshot contents;
    };

    // Starts counting changes made by other clients from now on.
    virtual void watchChanges() = 0;
    // Changes made by other clients since watchChanges().
    virtual quint64 changeCount() = 0;

    // All or nothing, within 0.5 s and 16 MiB.
    virtual Saved snapshot() = 0;
    // Whether the clipboard offers anything at all now.
    virtual bool hasTypes() = 0;
    // Whether the current entry is marked as a secret.
    virtual bool isConcealed() = 0;
    // The current entry as plain text, when it has one.
    virtual std::optional<QString> plainText() = 0;
    // Puts saved contents back exactly; an empty snapshot leaves the clipboard empty. False
    // when the clipboard could not be put back.
    virtual bool restore(const ClipboardSnapshot& contents) = 0;
};
