#include "platform/linux/desktop/KdeGlobalShortcuts.h"

#include "core/HotKeyMods.h"

#include <QKeySequence>

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

namespace KdeGlobalShortcuts {

namespace {

struct KeyKeysym {
    int key;
    quint32 keysym;
};

// Qt's keys outside Latin-1 and F1..F35 that KDE binds.
constexpr KeyKeysym specialKeys[] = {
    {Qt::Key_Escape, XK_Escape},
    {Qt::Key_Tab, XK_Tab},
    {Qt::Key_Backtab, XK_ISO_Left_Tab},
    {Qt::Key_Backspace, XK_BackSpace},
    {Qt::Key_Return, XK_Return},
    {Qt::Key_Enter, XK_KP_Enter},
    {Qt::Key_Insert, XK_Insert},
    {Qt::Key_Delete, XK_Delete},
    {Qt::Key_Pause, XK_Pause},
    {Qt::Key_Print, XK_Print},
    {Qt::Key_SysReq, XK_Sys_Req},
    {Qt::Key_Home, XK_Home},
    {Qt::Key_End, XK_End},
    {Qt::Key_Left, XK_Left},
    {Qt::Key_Up, XK_Up},
    {Qt::Key_Right, XK_Right},
    {Qt::Key_Down, XK_Down},
    {Qt::Key_PageUp, XK_Prior},
    {Qt::Key_PageDown, XK_Next},
    {Qt::Key_CapsLock, XK_Caps_Lock},
    {Qt::Key_NumLock, XK_Num_Lock},
    {Qt::Key_ScrollLock, XK_Scroll_Lock},
    {Qt::Key_Menu, XK_Menu},
    {Qt::Key_Help, XK_Help},
    {Qt::Key_VolumeDown, XF86XK_AudioLowerVolume},
    {Qt::Key_VolumeMute, XF86XK_AudioMute},
    {Qt::Key_VolumeUp, XF86XK_AudioRaiseVolume},
    {Qt::Key_MicMute, XF86XK_AudioMicMute},
    {Qt::Key_MediaPlay, XF86XK_AudioPlay},
    {Qt::Key_MediaPause, XF86XK_AudioPause},
    {Qt::Key_MediaStop, XF86XK_AudioStop},
    {Qt::Key_MediaPrevious, XF86XK_AudioPrev},
    {Qt::Key_MediaNext, XF86XK_AudioNext},
    {Qt::Key_LaunchMail, XF86XK_Mail},
    {Qt::Key_Calculator, XF86XK_Calculator},
    {Qt::Key_Explorer, XF86XK_Explorer},
    {Qt::Key_HomePage, XF86XK_HomePage},
    {Qt::Key_Search, XF86XK_Search},
    {Qt::Key_WWW, XF86XK_WWW},
    {Qt::Key_MonBrightnessUp, XF86XK_MonBrightnessUp},
    {Qt::Key_MonBrightnessDown, XF86XK_MonBrightnessDown},
    {Qt::Key_KeyboardBrightnessUp, XF86XK_KbdBrightnessUp},
    {Qt::Key_KeyboardBrightnessDown, XF86XK_KbdBrightnessDown},
    {Qt::Key_PowerOff, XF86XK_PowerOff},
    {Qt::Key_Sleep, XF86XK_Sleep},
    {Qt::Key_Suspend, XF86XK_Suspend},
    {Qt::Key_Hibernate, XF86XK_Hibernate},
    {Qt::Key_Eject, XF86XK_Eject},
    {Qt::Key_TouchpadToggle, XF86XK_TouchpadToggle},
    {Qt::Key_Display, XF86XK_Display},
    {Qt::Key_Tools, XF86XK_Tools},
};

std::optional<quint32> keysymOf(int key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return quint32(XK_F1 + (key - Qt::Key_F1));
    if (key >= 0x20 && key <= 0xff) {
        // Qt names a letter key by its capital; the X11 keysym of the key is the small letter.
        const QChar c(key);
        return c.isUpper() ? quint32(c.toLower().unicode()) : quint32(key);
    }
    for (const KeyKeysym& entry : specialKeys) {
        if (entry.key == key)
            return entry.keysym;
    }
    return std::nullopt;
}

// Splits at commas that KConfig did not escape, and unescapes them.
QStringList fields(const QString& value) {
    QStringList parts{QString()};
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\\' && i + 1 < value.size() && value.at(i + 1) == u',') {
            parts.last() += u',';
            ++i;
        } else if (c == u',') {
            parts.append(QString());
        } else {
            parts.last() += c;
        }
    }
    return parts;
}

} // namespace

std::optional<HotKeySpec> parseShortcut(const QString& shortcut) {
    const QString text = shortcut.trimmed();
    if (text.isEmpty() || text.compare(QLatin1StringView("none"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (sequence.count() != 1)
        return std::nullopt;
    const QKeyCombination combination = sequence[0];
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & (Qt::KeypadModifier | Qt::GroupSwitchModifier))
        return std::nullopt;
    const std::optional<quint32> keysym = keysymOf(int(combination.key()));
    if (!keysym)
        return std::nullopt;
    quint32 mods = 0;
    if (modifiers & Qt::ControlModifier)
        mods |= HotKeyMods::control;
    if (modifiers & Qt::AltModifier)
        mods |= HotKeyMods::option;
    if (modifiers & Qt::ShiftModifier)
        mods |= HotKeyMods::shift;
    // KDE's Meta is the Super key.
    if (modifiers & Qt::MetaModifier)
        mods |= HotKeyMods::command;
    return HotKeySpec{*keysym, mods, text};
}

QList<ReservedHotKey> shortcutsOfConfig(const QString& text, const QString& name) {
    QList<ReservedHotKey> shortcuts;
    bool servicesGroup = false;
    for (const QString& rawLine : text.split(u'\n')) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            servicesGroup = line.startsWith(QLatin1StringView("[services]"));
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (key == QLatin1StringView("_k_friendly_name"))
            continue;
        const QStringList parts = fields(line.mid(equals + 1));
        // Other groups always give active, default and description; a lone value there is
        // some other setting.
        if (!servicesGroup && parts.size() < 3)
            continue;
        for (const QString& one : parts.first().split(QLatin1StringView("\\t"))) {
            if (const std::optional<HotKeySpec> spec = parseShortcut(one))
                shortcuts.append(ReservedHotKey{spec->code, spec->mods, name});
        }
    }
    return shortcuts;
}

} // namespace KdeGlobalShortcuts
