#pragma once

#include "core/HotKeySpec.h"

#include <functional>

// A desktop-wide shortcut held for this application: at most one combination at a time.
class GlobalHotKeys {
public:
    GlobalHotKeys() = default;
    virtual ~GlobalHotKeys() = default;
    GlobalHotKeys(const GlobalHotKeys&) = delete;
    GlobalHotKeys& operator=(const GlobalHotKeys&) = delete;

    // Takes the combination of spec.code and spec.mods. 0 when it is now held; otherwise a
    // non-zero status (another program holds it, the key does not exist) and nothing is held.
    virtual int grab(const HotKeySpec& spec) = 0;

    // Gives the held combination back; nothing when none is held.
    virtual void release() = 0;

    // Called for each press of the held combination, on the thread that owns the display
    // connection, while the press is handled.
    virtual void setPressHandler(std::function<void()> handler) = 0;
};
