#pragma once

#include "app/languages/EngineLanguage.h"
#include "platform/linux/apertium/ApertiumMode.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The translation directions Apertium has installed, read from the names of its mode files
// ("spa-cat_valencia.mode"), and the mapping of Apertium's language names to BCP 47.
namespace ApertiumModes {

// The folders Apertium installs modes into, the user's own first so that it wins over the
// system's copy of the same direction.
QStringList defaultFolders();

// One side of a mode name ("eng", "eng_US", "cat_valencia_uni", "eo") as an engine language:
// ISO 639-3 codes become 639-1 where one exists, region and registered variant subtags stay,
// anything else becomes a private-use subtag. Nothing when the base is no language code.
std::optional<EngineLanguage> language(const QString& side);
// The same worked out afresh, without the cache language() keeps.
std::optional<EngineLanguage> mapLanguage(const QString& side);

// A mode's base name ("spa-eng_US") as a direction; nothing for names that are not
// "source-target".
std::optional<ApertiumMode> parse(const QString& modeName);

// Every direction in the folders' `*.mode` files, by folder and then by name; of two files
// for the same pair of languages the first is kept.
QList<ApertiumMode> scan(const QStringList& folders);

} // namespace ApertiumModes
