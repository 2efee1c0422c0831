#pragma once

#include <QtGlobal>

// A key press somewhere on the desktop, as the global key monitor reports it.
struct KeyDownEvent {
    // HotKeyMods held with the key; the lock modifiers (Caps Lock, Num Lock) never count.
    quint32 mods = 0;
    // The key that types "c" in the current layout.
    bool isCopyKey = false;
    // Auto-repeat of a held key.
    bool isRepeat = false;
    // Seconds on the display's clock.
    double timestamp = 0;
    // Posted by this process (the capture's copy keystroke).
    bool ownKeystroke = false;

    bool operator==(const KeyDownEvent&) const = default;
};
