#pragma once

#include <QList>

#include <array>
#include <optional>
#include <xcb/xcb.h>

// The server's key and modifier mapping as one client read it: which keycodes produce a
// keysym, and which modifier bits Alt, Super and the lock keys sit on (that varies with the
// layout and with xmodmap, so it is never assumed).
class X11Keymap {
public:
    // An empty map: no keys, Alt on Mod1 and Super on Mod4.
    X11Keymap() = default;

    // Both mappings of the connection's server; empty when either request fails.
    static X11Keymap read(xcb_connection_t* connection);
    // Takes the events waiting on `connection` (nothing else reads them there) and says whether
    // one announced a new key or modifier mapping: every client hears of it, and before any
    // key event typed under the new mapping.
    static bool mappingChanged(xcb_connection_t* connection);

    // A map from raw tables, as the server sends them: `keysyms` holds `perKeycode` keysyms
    // for each keycode from `minKeycode` on; `modifiers` holds `perModifier` keycodes for each
    // of Shift, Lock, Control, Mod1..Mod5 (0 = unused slot).
    X11Keymap(xcb_keycode_t minKeycode, int perKeycode, QList<xcb_keysym_t> keysyms,
              int perModifier, const QList<xcb_keycode_t>& modifiers);

    bool isEmpty() const { return m_keysyms.isEmpty(); }

    // The keycodes that type `keysym` in the first group, plain or shifted; failing that, in
    // any group. In keycode order.
    QList<xcb_keycode_t> keycodesOf(xcb_keysym_t keysym) const;

    // The modifier bits (ShiftMask..Mod5Mask) whose keys include one producing `keysym`.
    quint16 modifierMaskOf(xcb_keysym_t keysym) const;

    quint16 altMask() const { return m_alt; }
    quint16 superMask() const { return m_super; }
    quint16 numLockMask() const { return m_numLock; }
    quint16 scrollLockMask() const { return m_scrollLock; }

    // Every combination of Caps Lock and the modifiers NumLock and ScrollLock sit on, the
    // empty one first: a passive grab must be made once for each.
    QList<quint16> lockCombinations() const;

    // The HotKeyMods of an X11 key or pointer state; locks, AltGr and buttons are dropped.
    quint32 hotKeyModsOf(quint16 state) const;
    // The X11 modifier state that HotKeyMods `mods` stand for.
    quint16 stateOf(quint32 mods) const;

private:
    xcb_keycode_t m_minKeycode = 0;
    int m_perKeycode = 0;
    QList<xcb_keysym_t> m_keysyms;
    std::array<QList<xcb_keycode_t>, 8> m_modifierKeys;
    quint16 m_alt = XCB_MOD_MASK_1;
    quint16 m_super = XCB_MOD_MASK_4;
    quint16 m_numLock = 0;
    quint16 m_scrollLock = 0;
};
