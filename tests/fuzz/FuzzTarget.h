#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// One fuzz target: a parser of outside data fed arbitrary bytes. Every target is a function
// registered by name; the replay runs the committed inputs through it, and the fuzz build makes
// one libFuzzer binary of it. A crash, a sanitizer report or a failed FUZZ_CHECK is a finding.
struct FuzzTarget {
    using Function = int (*)(const uint8_t* data, size_t size);

    const char* name;
    Function function;

    // Adds a target; returns true so that it can initialise a static.
    static bool add(const char* name, Function function);
    static const std::vector<FuzzTarget>& all();
    // Null when no target has this name.
    static const FuzzTarget* find(const char* name);
};

// Defines and registers the function fuzzName.
#define VERDOLIN_FUZZ_TARGET(Name)                                                                 \
    int fuzz##Name(const uint8_t* data, size_t size);                                              \
    [[maybe_unused]] static const bool registered##Name = FuzzTarget::add(#Name, fuzz##Name);      \
    int fuzz##Name(const uint8_t* data, size_t size)

// An invariant of the parser; a violation aborts, which both the replay and libFuzzer report.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: FUZZ_CHECK(%s) failed\n", __FILE__, __LINE__,             \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
