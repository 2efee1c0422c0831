#pragma once

#include "core/HotKeySpec.h"
#include "core/ReservedHotKey.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// GNOME's key-binding settings as `gsettings` prints them.
namespace GnomeKeyBindings {

// The schemas whose keys are desktop-wide bindings, in the order they are read.
QStringList schemas();
// The relocatable schema of one custom binding and its key.
QString customSchema();

// An accelerator such as "<Primary><Alt>t" or "<Super>Left": the keysym (letters in lower
// case, as GTK stores them) and HotKeyMods; label is the text. Absent for text that names no
// key ("", "disabled") or needs a modifier a shortcut cannot have (NumLock, Mod3, AltGr).
std::optional<HotKeySpec> parseAccelerator(const QString& accelerator);

// The strings of a printed GVariant: a string ('x' or "x") or an array of strings
// (['a', 'b'], @as []). Any other value has none.
QStringList strings(const QString& value);

// Every accelerator of `gsettings list-recursively` output ("schema key value" per line), in
// order, named `name`. Keys whose values are not accelerators are skipped.
QList<ReservedHotKey> bindingsOfListing(const QString& listing, const QString& name);

// The paths of the user's custom bindings from the same output.
QStringList customBindingPaths(const QString& listing);

} // namespace GnomeKeyBindings
