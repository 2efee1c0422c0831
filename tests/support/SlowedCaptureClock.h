#pragma once

#include "app/capture/CaptureClock.h"

// A CaptureClock running `factor` times slower than real time: the capture's waits really wait,
// so that other programs act meanwhile, but its time-outs come `factor` times later, for tests
// about what real programs do rather than about the time-outs.
class SlowedCaptureClock final : public CaptureClock {
public:
    explicit SlowedCaptureClock(int factor)
        : m_factor(factor) {}

    TimePoint now() const override { return m_start + (realNow() - m_start) / m_factor; }
    // The capture's own poll pauses, stretched like its time-outs.
    void sleepFor(Duration duration) override { CaptureClock::sleepFor(duration * m_factor); }
    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                   TimePoint deadline, const std::function<bool()>& done) override {
        return wake.wait_until(lock, m_start + (deadline - m_start) * m_factor, done);
    }

private:
    static TimePoint realNow() { return std::chrono::steady_clock::now(); }

    const int m_factor;
    const TimePoint m_start = realNow();
};
