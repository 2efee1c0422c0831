#pragma once

#include <QtGlobal>

// The keyboard as capture and the double-copy trigger need it: what is held now, the copy
// keystroke, and whether key presses of other applications can be listened to.
class KeyboardEvents {
public:
    KeyboardEvents() = default;
    virtual ~KeyboardEvents() = default;
    KeyboardEvents(const KeyboardEvents&) = delete;
    KeyboardEvents& operator=(const KeyboardEvents&) = delete;

    // The HotKeyMods of the modifier keys held now; lock modifiers never count.
    virtual quint32 modifiersNow() = 0;

    // Presses and releases Ctrl+C in the focused window, as if typed. False when the
    // keystroke could not be posted (no display, no C key).
    virtual bool postCopyKeystroke() = 0;

    // Whether key presses in other applications can be listened to.
    virtual bool listenAccess() = 0;

    // Identifies the connection that posts the copy keystroke among the clients of the
    // display (its resource id base), so a listener can tell our keystrokes from the user's.
    // 0 when there is no connection.
    virtual quint32 injectorId() const = 0;
};
