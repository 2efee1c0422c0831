#pragma once

#include "core/LangChoice.h"
#include "core/LanguagePrefs.h"

#include <QString>

#include <optional>

// Turns the detected language, the user's explicit choices and the language pair into the
// codes to translate from and to: foreign text goes into my language, my language into the
// second one.
namespace Direction {

struct Pair {
    QString source;
    QString target;

    bool operator==(const Pair&) const = default;
};

// The source is the chosen one, else the detected one, else the second language. The target
// never equals the source; an explicit target equal to it is overridden.
Pair resolve(const std::optional<QString>& detected, const LangChoice& from, const LangChoice& to,
             const LanguagePrefs& prefs);

} // namespace Direction
