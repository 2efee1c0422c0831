#pragma once

#include <QtGlobal>

#include <optional>

// Refuses a second capture while one may still post keystrokes or touch the clipboard. Each
// capture gets a generation; only the release of the newest one opens the latch, so a late
// "finished" of an older capture never unlocks a newer one.
class CaptureLatch {
public:
    // The new capture's generation, or none while one is in progress.
    std::optional<qint64> begin();
    // From the capture's end or its time-out, whichever comes first; later calls do nothing.
    void release(qint64 generation);
    bool capturing() const { return m_capturing; }

private:
    bool m_capturing = false;
    qint64 m_generation = 0;
};
