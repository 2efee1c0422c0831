#pragma once

#include <chrono>
#include <functional>
#include <memory>

// Delays measured on a monotonic clock, so that waiting code can be tested without waiting.
class DelayClock {
public:
    using Duration = std::chrono::milliseconds;

    // A callback that has not run yet; destroying the handle cancels it.
    class Pending {
    public:
        Pending() = default;
        virtual ~Pending() = default;
        Pending(const Pending&) = delete;
        Pending& operator=(const Pending&) = delete;
    };

    DelayClock() = default;
    virtual ~DelayClock() = default;
    DelayClock(const DelayClock&) = delete;
    DelayClock& operator=(const DelayClock&) = delete;

    // Calls `callback` once, on the calling thread's event loop, when `delay` has passed,
    // unless the handle is destroyed first. Never calls it from within this call. The
    // callback may destroy its own handle.
    virtual std::unique_ptr<Pending> after(Duration delay, std::function<void()> callback) = 0;
};
