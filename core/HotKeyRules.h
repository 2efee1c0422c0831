#pragma once

#include "core/HotKeySpec.h"
#include "core/HotKeyValidation.h"
#include "core/ReservedHotKey.h"

#include <QList>
#include <QString>

// Whether a recorded shortcut may be used, and how shortcuts are named for the user.
namespace HotKeyRules {

// X11 modifier-state bits as X.h defines them; spelled out because core stays free of X11.
inline constexpr quint32 x11ShiftMask = 1u << 0;   // ShiftMask
inline constexpr quint32 x11ControlMask = 1u << 2; // ControlMask
inline constexpr quint32 x11Mod1Mask = 1u << 3;    // Mod1Mask: Alt
inline constexpr quint32 x11Mod4Mask = 1u << 6;    // Mod4Mask: Super

// Control or Alt is required first; then the shortcut must not equal (code and whole mask)
// one of the desktop's reserved shortcuts. The label plays no part.
HotKeyValidation validate(const HotKeySpec& spec, const QList<ReservedHotKey>& reserved);

// "Ctrl+", "Alt+", "Shift+", "Super+" in that order, then key unchanged.
QString label(quint32 mods, const QString& key);

// Display name of a recorded key: fixed names for keys without printable text, otherwise the
// characters the key produces without modifiers, upper-cased; "?" when there are none.
QString keyName(quint32 keysym, const QString& characters);

// HotKeyMods of an X11 modifier state; lock modifiers, NumLock and mouse buttons are dropped.
quint32 modsFromEventFlags(quint32 x11State);

} // namespace HotKeyRules
