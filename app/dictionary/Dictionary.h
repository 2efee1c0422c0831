#pragma once

#include <QString>

#include <optional>

// One dictionary on disk that can be asked for the definition of a word. Safe to ask from
// any one thread at a time.
class Dictionary {
public:
    Dictionary() = default;
    virtual ~Dictionary() = default;
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;

    // Stable identifier: the dictd database name ("fd-eng-spa", "wn") or the StarDict stem.
    virtual QString identifier() const = 0;
    // Display name ("English-Spanish FreeDict Dictionary").
    virtual QString name() const = 0;
    // "dictd" or "StarDict".
    virtual QString format() const = 0;
    // The definition as the user should read it, every entry of the headword in file order;
    // absent when the word is not there or the files cannot be read.
    virtual std::optional<QString> define(const QString& word) const = 0;
};
