#pragma once

#include <QStringList>

#include <memory>

// The languages of the keyboard layouts the user has enabled, in the order the session lists
// them, duplicates included.
class InputSources {
public:
    InputSources() = default;
    virtual ~InputSources() = default;
    InputSources(const InputSources&) = delete;
    InputSources& operator=(const InputSources&) = delete;

    // Language codes; empty when the session's layouts cannot be read.
    virtual QStringList languages() const = 0;

    // The session's input sources as installed at start; one that lists nothing until then.
    static const InputSources& system();
    // Called once at start, before the settings are first used.
    static void installSystem(std::unique_ptr<InputSources> sources);
};
