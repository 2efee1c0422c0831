#pragma once

#include "app/capture/PermissionProbe.h"
#include "app/settings/DefaultsStore.h"

#include <QLatin1StringView>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

// Keeps track of whether selections can be captured (accessibility) and key presses of other
// applications listened to (input monitoring), for the screens and the application. Polls once
// a second while accessibility is missing and checks again whenever the application becomes
// active. Lives on the main thread.
class PermissionWatcher final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool accessibility READ accessibility NOTIFY accessibilityChanged)
    Q_PROPERTY(bool inputMonitoring READ inputMonitoring NOTIFY inputMonitoringChanged)
    Q_PROPERTY(bool needsAttention READ needsAttention WRITE setNeedsAttention NOTIFY
                   needsAttentionChanged)
    Q_PROPERTY(bool wasGranted READ wasGranted WRITE setWasGranted NOTIFY wasGrantedChanged)

public:
    static constexpr QLatin1StringView wasGrantedKey{"accessibilityWasGranted"};
    static constexpr std::chrono::milliseconds pollInterval{1000};

    PermissionWatcher(std::shared_ptr<PermissionProbe> probe, DefaultsStore& defaults,
                      QObject* parent = nullptr);
    ~PermissionWatcher() override;

    // The process-wide watcher, created on first use with the installed probe and the
    // standard defaults.
    static PermissionWatcher& shared();
    // Called once at start, before the first use of shared().
    static void installShared(std::shared_ptr<PermissionProbe> probe);

    bool accessibility() const { return m_accessibility; }
    bool inputMonitoring() const { return m_inputMonitoring; }
    bool needsAttention() const { return m_needsAttention; }
    bool wasGranted() const { return m_wasGranted; }
    // Set by the application when a capture was refused for lack of permission.
    void setNeedsAttention(bool needsAttention);
    // Cleared when the user turns the permission hint away.
    void setWasGranted(bool wasGranted);

    // Whether the one-second poll is running.
    bool isPolling() const { return m_timer.isActive(); }

    // Reads both permissions again and starts or ends the poll.
    Q_INVOKABLE void refresh();
    // The desktop asks nothing on X11: looks again.
    Q_INVOKABLE void request();
    // Nothing to reset on X11: asks again.
    Q_INVOKABLE void resetAndRequest();

signals:
    void accessibilityChanged(bool accessibility);
    void inputMonitoringChanged(bool inputMonitoring);
    void needsAttentionChanged(bool needsAttention);
    void wasGrantedChanged(bool wasGranted);

private:
    std::shared_ptr<PermissionProbe> m_probe;
    DefaultsStore& m_defaults;
    QTimer m_timer;
    bool m_accessibility = false;
    bool m_inputMonitoring = false;
    bool m_needsAttention = false;
    bool m_wasGranted = false;
};
