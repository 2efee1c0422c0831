#pragma once

#include <QString>

// One translation direction between two base languages ("en" → "es"), with whether it is on
// this computer or only installable.
struct LanguageLink {
    QString source;
    QString target;
    bool installed = false;

    bool operator==(const LanguageLink&) const = default;
};
