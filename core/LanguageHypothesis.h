#pragma once

#include <QString>

// One guess of a language recogniser: the platform's language identifier (not yet
// normalised) and its probability from 0 to 1.
struct LanguageHypothesis {
    QString identifier;
    double probability = 0.0;

    bool operator==(const LanguageHypothesis&) const = default;
};
