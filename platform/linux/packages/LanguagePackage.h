#pragma once

#include <QString>

// A system package that carries Apertium language pairs ("apertium-eng-spa" offers eng-spa
// and, until installed, counts as offering spa-eng too).
struct LanguagePackage {
    QString name;       // "apertium-eng-spa"
    QString firstCode;  // the sides as the package name writes them: "eng"
    QString secondCode; // "spa"
    bool installed = false;

    bool operator==(const LanguagePackage&) const = default;
};
