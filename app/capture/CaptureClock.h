#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// The time a capture waits on: the steady clock and real sleeps here; tests put in one that
// moves at once, so that time-outs are proven without waiting for them. Used from several
// threads at a time.
class CaptureClock {
public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    CaptureClock() = default;
    virtual ~CaptureClock() = default;
    CaptureClock(const CaptureClock&) = delete;
    CaptureClock& operator=(const CaptureClock&) = delete;

    virtual TimePoint now() const { return std::chrono::steady_clock::now(); }
    virtual void sleepFor(Duration duration) { std::this_thread::sleep_for(duration); }
    // Waits on `wake`, `lock` held, until `done` holds (true) or `deadline` has come (false).
    virtual bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                           TimePoint deadline, const std::function<bool()>& done) {
        return wake.wait_until(lock, deadline, done);
    }
};
