#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// One fuzz target: a parser of outside data fed arbitrary bytes. The replay runs the committed
// inputs through every target, and the fuzz build makes one libFuzzer binary of each. A crash, a
// sanitizer report or a failed FUZZ_CHECK is a finding.
struct FuzzTarget {
    using Function = int (*)(const uint8_t* data, size_t size);

    const char* name;
    Function function;

    static std::vector<FuzzTarget>& all() {
        static std::vector<FuzzTarget> targets;
        return targets;
    }
    static bool add(const char* name, Function function) {
        all().push_back({name, function});
        return true;
    }
};

// Defines and registers a target whose body reads `input`.
#define VERDOLIN_FUZZ_TARGET(Name)                                                                 \
    static void fuzz##Name(QByteArrayView input);                                                  \
    [[maybe_unused]] static const bool registered##Name =                                          \
        FuzzTarget::add(#Name, [](const uint8_t* data, size_t size) {                              \
            fuzz##Name(QByteArrayView(data, qsizetype(size)));                                     \
            return 0;                                                                              \
        });                                                                                        \
    static void fuzz##Name(QByteArrayView input)

// An invariant of the parser; a violation aborts, which both the replay and libFuzzer report.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: FUZZ_CHECK(%s) failed\n", __FILE__, __LINE__,             \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
