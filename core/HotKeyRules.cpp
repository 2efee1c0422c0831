#include "core/HotKeyRules.h"

#include "core/HotKeyMods.h"

namespace HotKeyRules {

HotKeyValidation validate(const HotKeySpec& spec, const QList<ReservedHotKey>& reserved) {
    if ((spec.mods & (HotKeyMods::control | HotKeyMods::option)) == 0)
        return HotKeyValidation::needsControlOrOption();
    for (const ReservedHotKey& entry : reserved) {
        if (entry.code == spec.code && entry.mods == spec.mods)
            return HotKeyValidation::conflictsWithSystem(entry.name);
    }
    return HotKeyValidation::ok();
}

QString label(quint32 mods, const QString& key) {
    QString text;
    if (mods & HotKeyMods::control)
        text += QLatin1StringView("Ctrl+");
    if (mods & HotKeyMods::option)
        text += QLatin1StringView("Alt+");
    if (mods & HotKeyMods::shift)
        text += QLatin1StringView("Shift+");
    if (mods & HotKeyMods::command)
        text += QLatin1StringView("Super+");
    return text + key;
}

QString keyName(quint32 keysym, const QString& characters) {
    switch (keysym) {
    case 0xff0d: // XK_Return
        return QStringLiteral("Return");
    case 0xff09: // XK_Tab
        return QStringLiteral("Tab");
    case 0x20: // XK_space
        return QStringLiteral("Space");
    case 0xff08: // XK_BackSpace
        return QStringLiteral("Backspace");
    case 0xff51: // XK_Left
        return QStringLiteral("Left");
    case 0xff53: // XK_Right
        return QStringLiteral("Right");
    case 0xff54: // XK_Down
        return QStringLiteral("Down");
    case 0xff52: // XK_Up
        return QStringLiteral("Up");
    case 0xff50: // XK_Home
        return QStringLiteral("Home");
    case 0xff57: // XK_End
        return QStringLiteral("End");
    case 0xff55: // XK_Page_Up
        return QStringLiteral("Page Up");
    case 0xff56: // XK_Page_Down
        return QStringLiteral("Page Down");
    case 0xff63: // XK_Insert
        return QStringLiteral("Insert");
    case 0xffff: // XK_Delete
        return QStringLiteral("Delete");
    case 0xff8d: // XK_KP_Enter
        return QStringLiteral("Enter");
    default:
        break;
    }
    // Function keys produce no text; "Ctrl+Alt+?" would name none of them.
    if (keysym >= 0xffbe && keysym <= 0xffe0) // XK_F1 … XK_F35
        return QStringLiteral("F%1").arg(keysym - 0xffbe + 1);
    // Keys such as Delete or keypad Enter report a control character as their text; it
    // would show as nothing (or break the line) in a label.
    QString visible;
    for (const QChar c : characters) {
        if (c.category() != QChar::Other_Control)
            visible += c;
    }
    return visible.isEmpty() ? QStringLiteral("?") : visible.toUpper();
}

quint32 modsFromEventFlags(quint32 x11State) {
    quint32 mods = 0;
    if (x11State & x11ControlMask)
        mods |= HotKeyMods::control;
    if (x11State & x11Mod1Mask)
        mods |= HotKeyMods::option;
    if (x11State & x11ShiftMask)
        mods |= HotKeyMods::shift;
    if (x11State & x11Mod4Mask)
        mods |= HotKeyMods::command;
    return mods;
}

} // namespace HotKeyRules
