#pragma once

#include "app/translation/DelayClock.h"

// Delays on CLOCK_BOOTTIME through timerfd: unlike Qt's timers they keep counting while the
// computer sleeps, so a delay that ended during suspend fires right after resume.
class BootTimeClock : public DelayClock {
public:
    std::unique_ptr<Pending> after(Duration delay, std::function<void()> callback) override;
};
