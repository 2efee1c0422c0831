#include "app/shortcuts/DoubleCopyMonitor.h"

#include "core/HotKeyMods.h"

#include <QPointer>
#include <QTimer>

namespace {

class NoKeyMonitor final : public GlobalKeyMonitor {
public:
    bool start(std::function<void(const KeyDownEvent&)>) override { return false; }
    void stop() override {}
};

struct SharedServices {
    std::shared_ptr<GlobalKeyMonitor> keys;
    std::function<qint64()> runningCaptures;
    std::shared_ptr<DelayClock> clock;
};

SharedServices& pendingServices() {
    static SharedServices services;
    return services;
}

// Ctrl+C typed by the user: Ctrl alone (locks never reach here), the key that types "c", not
// auto-repeat, and neither posted by a capture nor while one runs.
bool isUsersCopy(const KeyDownEvent& event, const std::function<qint64()>& runningCaptures) {
    if (event.mods != HotKeyMods::control || !event.isCopyKey || event.isRepeat)
        return false;
    if (runningCaptures && runningCaptures() > 0)
        return false;
    return !event.ownKeystroke;
}

} // namespace

DoubleCopyMonitor::DoubleCopyMonitor(std::shared_ptr<GlobalKeyMonitor> keys,
                                     std::function<qint64()> runningCaptures,
                                     std::shared_ptr<DelayClock> clock, QObject* parent)
    : QObject(parent)
    , m_keys(keys ? std::move(keys) : std::make_shared<NoKeyMonitor>())
    , m_runningCaptures(std::move(runningCaptures))
    , m_clock(std::move(clock)) {}

DoubleCopyMonitor::~DoubleCopyMonitor() {
    stop();
}

DoubleCopyMonitor& DoubleCopyMonitor::shared() {
    // Kept for the life of the process, like the listener's display connection.
    static DoubleCopyMonitor* instance = new DoubleCopyMonitor(
        pendingServices().keys, pendingServices().runningCaptures, pendingServices().clock);
    return *instance;
}

void DoubleCopyMonitor::installShared(std::shared_ptr<GlobalKeyMonitor> keys,
                                      std::function<qint64()> runningCaptures,
                                      std::shared_ptr<DelayClock> clock) {
    pendingServices() = {std::move(keys), std::move(runningCaptures), std::move(clock)};
}

void DoubleCopyMonitor::start() {
    if (m_listening)
        return;
    QPointer<DoubleCopyMonitor> self(this);
    // Runs on the listener's thread: filter there, count on the main thread.
    m_listening = m_keys->start([self, running = m_runningCaptures](const KeyDownEvent& event) {
        if (!isUsersCopy(event, running))
            return;
        DoubleCopyMonitor* target = self.data();
        if (!target)
            return;
        const double at = event.timestamp;
        QMetaObject::invokeMethod(
            target,
            [self, at] {
                if (self)
                    self->handle(at);
            },
            Qt::QueuedConnection);
    });
}

void DoubleCopyMonitor::stop() {
    if (!m_listening)
        return;
    m_keys->stop();
    m_listening = false;
}

void DoubleCopyMonitor::handle(double timestamp) {
    if (!detector.press(timestamp))
        return;
    const auto trigger = [this] {
        if (onDoubleCopy)
            onDoubleCopy();
    };
    if (m_clock)
        m_waiting = m_clock->after(triggerDelay, trigger);
    else
        QTimer::singleShot(triggerDelay, this, trigger);
}
