#pragma once

#include "app/shortcuts/GlobalHotKeys.h"
#include "core/HotKeySpec.h"

#include <QObject>

#include <functional>
#include <memory>

// The application's one global shortcut. Each registration replaces the previous one; a press
// of the registered combination calls onTrigger on the main thread.
class HotKeyManager final : public QObject {
    Q_OBJECT
    Q_PROPERTY(int lastStatus READ lastStatus NOTIFY lastStatusChanged)

public:
    // Failure status when no desktop shortcut service was installed.
    static constexpr int noService = -1;

    explicit HotKeyManager(std::shared_ptr<GlobalHotKeys> keys, QObject* parent = nullptr);
    ~HotKeyManager() override;

    // The process-wide manager, created on first use with the installed service.
    static HotKeyManager& shared();
    // Called once at start, before the first use of shared().
    static void installShared(std::shared_ptr<GlobalHotKeys> keys);

    // What to run when the shortcut is pressed; absent means the press does nothing.
    std::function<void()> onTrigger;

    // Removes the current shortcut, then holds spec's combination. 0 on success; any other
    // status leaves no shortcut. lastStatusChanged is emitted on every attempt.
    int registerHotKey(const HotKeySpec& spec);

    // Gives the held combination back, so that its presses reach this application's windows
    // (while the user records a new one); lastStatus stays. registerHotKey takes it again.
    void release();

    // The status of the latest attempt; 0 before the first.
    int lastStatus() const { return m_lastStatus; }
    bool isRegistered() const { return m_registered; }

signals:
    void lastStatusChanged(int status);

private:
    std::shared_ptr<GlobalHotKeys> m_keys;
    int m_lastStatus = 0;
    bool m_registered = false;
    bool m_handlerInstalled = false;
};
