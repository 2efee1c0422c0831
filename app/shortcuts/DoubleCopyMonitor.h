#pragma once

#include "app/capture/SelectionCapture.h"
#include "app/shortcuts/GlobalKeyMonitor.h"
#include "app/translation/DelayClock.h"
#include "core/DoubleTapDetector.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

// The second trigger: Ctrl+C pressed twice in quick succession in any application calls
// onDoubleCopy on the main thread, a moment after the second press so that the application has
// put the copy on the clipboard by then.
class DoubleCopyMonitor final : public QObject {
    Q_OBJECT

public:
    // The longest gap between the two presses (seconds; a gap of exactly this counts).
    static constexpr double interval = 0.45;
    // From the second press to onDoubleCopy.
    static constexpr std::chrono::milliseconds triggerDelay{120};

    // `runningCaptures` counts the captures in progress: their own copy keystrokes never count.
    // `clock` times the trigger delay; without one, Qt's timers do.
    explicit DoubleCopyMonitor(std::shared_ptr<GlobalKeyMonitor> keys,
                               std::function<qint64()> runningCaptures = SelectionCapture::running,
                               std::shared_ptr<DelayClock> clock = nullptr,
                               QObject* parent = nullptr);
    ~DoubleCopyMonitor() override;

    // The process-wide monitor, created on first use with the installed listener.
    static DoubleCopyMonitor& shared();
    // Called once at start, before the first use of shared().
    static void installShared(std::shared_ptr<GlobalKeyMonitor> keys,
                              std::function<qint64()> runningCaptures = SelectionCapture::running,
                              std::shared_ptr<DelayClock> clock = nullptr);

    // What to run after a double copy; absent means a double copy does nothing.
    std::function<void()> onDoubleCopy;

    // Starts listening unless listening already; without listen access nothing happens.
    void start();
    // Stops listening when listening; the press waiting for its partner is kept.
    void stop();
    bool isListening() const { return m_listening; }

    // One accepted Ctrl+C at `timestamp` seconds on the display's clock.
    void handle(double timestamp);

    DoubleTapDetector detector{interval};

private:
    std::shared_ptr<GlobalKeyMonitor> m_keys;
    std::function<qint64()> m_runningCaptures;
    std::shared_ptr<DelayClock> m_clock;
    // The call a double copy waits for; a newer double copy starts the wait again.
    std::unique_ptr<DelayClock::Pending> m_waiting;
    bool m_listening = false;
};
