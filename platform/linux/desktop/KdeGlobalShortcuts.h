#pragma once

#include "core/HotKeySpec.h"
#include "core/ReservedHotKey.h"

#include <QList>
#include <QString>

#include <optional>

// KDE Plasma's global shortcuts as kglobalshortcutsrc stores them.
namespace KdeGlobalShortcuts {

// One shortcut in Qt's portable text ("Ctrl+Alt+T", "Meta+Left", "Volume Up"): the keysym
// (letters in lower case) and HotKeyMods; label is the text. Absent for "none", key
// sequences of several chords, keypad-only shortcuts and keys without an X11 keysym.
std::optional<HotKeySpec> parseShortcut(const QString& shortcut);

// The active shortcuts of the file, in order, named `name`. An action's value is "active,
// default, description" (the Plasma 6 [services] groups hold the active list alone); several
// shortcuts of one action are tab-separated.
QList<ReservedHotKey> shortcutsOfConfig(const QString& text, const QString& name);

} // namespace KdeGlobalShortcuts
