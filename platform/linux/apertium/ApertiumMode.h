#pragma once

#include "app/languages/EngineLanguage.h"

#include <QString>

// One installed translation direction: a `*.mode` file and the languages its name gives.
struct ApertiumMode {
    EngineLanguage source;
    EngineLanguage target;
    QString file; // absolute path of the mode file

    bool operator==(const ApertiumMode&) const = default;
};
