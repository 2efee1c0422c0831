#pragma once

#include <QString>

// What one capture of the selection produced.
struct CaptureResult {
    enum class Kind {
        // `text` holds the captured selection (never empty).
        text,
        // Nothing usable was selected, the wait timed out, or the run was cancelled.
        empty,
        // The clipboard held data that cannot be saved and put back safely; it was not touched.
        clipboardBusy,
        // Capturing is not possible here (no usable display); nothing was attempted.
        noPermission,
    };

    Kind kind = Kind::empty;
    QString text;
    // The clipboard was changed by the copy and could not be put back: what the user had
    // there is gone. The text, when there is one, was still read correctly.
    bool clipboardLost = false;

    static CaptureResult captured(const QString& text) { return {Kind::text, text}; }
    static CaptureResult empty() { return {Kind::empty, {}}; }
    static CaptureResult clipboardBusy() { return {Kind::clipboardBusy, {}}; }
    static CaptureResult noPermission() { return {Kind::noPermission, {}}; }

    bool operator==(const CaptureResult&) const = default;
};
