#pragma once

#include <chrono>
#include <functional>

// Where the time limits of long-lived children read the time: the steady clock, or a test's own.
using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

inline SteadyClock realSteadyClock() {
    return [] { return std::chrono::steady_clock::now(); };
}
