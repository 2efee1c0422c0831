#include "platform/linux/common/BootTimeClock.h"

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/timerfd.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcBootClock, "verdolin.clock")

namespace {

class TimerFdPending : public DelayClock::Pending {
public:
    TimerFdPending(int fd, std::function<void()> callback)
        : m_fd(fd)
        , m_callback(std::move(callback))
        , m_notifier(fd, QSocketNotifier::Read) {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, &m_notifier, [this] { fire(); });
    }

    ~TimerFdPending() override {
        m_notifier.setEnabled(false);
        ::close(m_fd);
    }

private:
    void fire() {
        std::uint64_t expirations = 0;
        if (::read(m_fd, &expirations, sizeof expirations) < 0 && errno == EAGAIN)
            return;
        m_notifier.setEnabled(false);
        // The callback may destroy this object.
        auto callback = std::move(m_callback);
        if (callback)
            callback();
    }

    int m_fd;
    std::function<void()> m_callback;
    QSocketNotifier m_notifier;
};

// Used when no timer descriptor can be had: a Qt timer, which pauses during sleep.
class QtTimerPending : public DelayClock::Pending {
public:
    QtTimerPending(DelayClock::Duration delay, std::function<void()> callback)
        : m_callback(std::move(callback)) {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            auto callback = std::move(m_callback);
            if (callback)
                callback();
        });
        m_timer.start(delay);
    }

private:
    std::function<void()> m_callback;
    QTimer m_timer;
};

} // namespace

std::unique_ptr<DelayClock::Pending> BootTimeClock::after(Duration delay,
                                                          std::function<void()> callback) {
    const int fd = ::timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0) {
        qCWarning(lcBootClock) << "timerfd_create failed:" << std::strerror(errno);
        return std::make_unique<QtTimerPending>(delay, std::move(callback));
    }
    // A zero it_value would disarm the timer: the shortest delay is one nanosecond.
    const auto nanoseconds = std::max<std::int64_t>(
        1, std::chrono::duration_cast<std::chrono::nanoseconds>(delay).count());
    itimerspec spec{};
    spec.it_value.tv_sec = static_cast<time_t>(nanoseconds / 1000000000);
    spec.it_value.tv_nsec = static_cast<long>(nanoseconds % 1000000000);
    if (::timerfd_settime(fd, 0, &spec, nullptr) < 0) {
        qCWarning(lcBootClock) << "timerfd_settime failed:" << std::strerror(errno);
        ::close(fd);
        return std::make_unique<QtTimerPending>(delay, std::move(callback));
    }
    return std::make_unique<TimerFdPending>(fd, std::move(callback));
}
