#pragma once

#include "app/capture/CaptureClock.h"

#include <atomic>

// A CaptureClock that moves only by the sleeps of the code under test and by advance(): a wait
// of seconds ends at once, and a time-out comes exactly when a test moves time past it.
class ManualCaptureClock final : public CaptureClock {
public:
    TimePoint now() const override { return TimePoint(Duration(m_ticks.load())); }
    void sleepFor(Duration duration) override { advance(duration); }
    void advance(Duration step) { m_ticks += step.count(); }

    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                   TimePoint deadline, const std::function<bool()>& done) override {
        // Time moves on other threads without notifying `wake`: look again every millisecond.
        while (!done()) {
            if (now() >= deadline)
                return false;
            wake.wait_for(lock, std::chrono::milliseconds(1));
        }
        return true;
    }

private:
    std::atomic<Duration::rep> m_ticks{0};
};
