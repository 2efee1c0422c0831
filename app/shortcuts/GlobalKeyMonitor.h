#pragma once

#include "app/shortcuts/KeyDownEvent.h"

#include <functional>

// Listens to key presses in every application.
class GlobalKeyMonitor {
public:
    GlobalKeyMonitor() = default;
    virtual ~GlobalKeyMonitor() = default;
    GlobalKeyMonitor(const GlobalKeyMonitor&) = delete;
    GlobalKeyMonitor& operator=(const GlobalKeyMonitor&) = delete;

    // Starts delivering key presses to `handler`, on a thread of the monitor's own, in the
    // order they happened. False when listening is not possible (nothing is delivered then).
    // Starting again while started replaces the handler.
    virtual bool start(std::function<void(const KeyDownEvent&)> handler) = 0;
    // No call of the handler starts after stop() returns.
    virtual void stop() = 0;
};
