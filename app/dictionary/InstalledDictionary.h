#pragma once

#include <QHashFunctions>
#include <QString>

// A dictionary found on disk, as the settings list it.
struct InstalledDictionary {
    // The dictd database name ("fd-eng-spa", "wn") or the StarDict file stem.
    QString id;
    QString name;
    // "dictd" or "StarDict".
    QString format;

    bool operator==(const InstalledDictionary&) const = default;
};

inline size_t qHash(const InstalledDictionary& dictionary, size_t seed = 0) {
    return qHashMulti(seed, dictionary.id, dictionary.name, dictionary.format);
}
