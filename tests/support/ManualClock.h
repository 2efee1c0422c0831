#pragma once

#include "app/translation/DelayClock.h"

#include <QList>

#include <algorithm>
#include <memory>

// A DelayClock that moves only when a test says so.
class ManualClock : public DelayClock {
public:
    std::unique_ptr<Pending> after(Duration delay, std::function<void()> callback) override {
        auto timer =
            std::make_shared<Timer>(Timer{m_now + delay, m_sequence++, std::move(callback)});
        m_timers.append(timer);
        return std::make_unique<Handle>(timer);
    }

    Duration now() const { return m_now; }

    // Moves time forward, firing every callback that falls due on the way, in order.
    void advance(Duration step) {
        const Duration end = m_now + step;
        for (;;) {
            std::shared_ptr<Timer> next;
            for (const std::shared_ptr<Timer>& timer : std::as_const(m_timers)) {
                if (!timer->callback || timer->due > end)
                    continue;
                if (!next || timer->due < next->due
                    || (timer->due == next->due && timer->sequence < next->sequence))
                    next = timer;
            }
            if (!next)
                break;
            m_now = std::max(m_now, next->due);
            auto callback = std::move(next->callback);
            next->callback = nullptr;
            callback();
        }
        m_now = end;
        m_timers.removeIf([](const std::shared_ptr<Timer>& timer) { return !timer->callback; });
    }

    // Callbacks waiting, cancelled ones not counted.
    qsizetype waiting() const {
        return std::count_if(
            m_timers.cbegin(), m_timers.cend(),
            [](const std::shared_ptr<Timer>& timer) { return bool(timer->callback); });
    }

private:
    struct Timer {
        Duration due;
        quint64 sequence;
        std::function<void()> callback;
    };

    class Handle : public Pending {
    public:
        explicit Handle(std::shared_ptr<Timer> timer)
            : m_timer(std::move(timer)) {}
        ~Handle() override { m_timer->callback = nullptr; }

    private:
        std::shared_ptr<Timer> m_timer;
    };

    Duration m_now{0};
    quint64 m_sequence = 0;
    QList<std::shared_ptr<Timer>> m_timers;
};
