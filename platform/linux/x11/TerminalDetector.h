#pragma once

#include "app/capture/FocusedWindow.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <mutex>

struct xcb_connection_t;

// Tells whether the active window belongs to a terminal emulator, where the copy keystroke
// Ctrl+C would interrupt the running program instead of copying. A terminal is known by its
// WM_CLASS, or by its process (_NET_WM_PID) holding a pseudo-terminal master open.
class TerminalDetector final : public FocusedWindow {
public:
    // An empty name means DISPLAY. The connection opens on the first query.
    explicit TerminalDetector(const QByteArray& displayName = {},
                              const QString& procRoot = QStringLiteral("/proc"));
    ~TerminalDetector() override;
    TerminalDetector(const TerminalDetector&) = delete;
    TerminalDetector& operator=(const TerminalDetector&) = delete;

    // False when no X server is reachable or no window is active.
    bool activeWindowIsTerminal();
    bool isTerminal() override { return activeWindowIsTerminal(); }

    // Whether a WM_CLASS name (instance or class) is a terminal emulator's.
    static bool isTerminalName(const QByteArray& name);
    // A WM_CLASS value: the instance and the class, each ended by a NUL.
    static bool isTerminalClass(const QByteArray& wmClass);
    // Whether process `pid` under `procRoot` has /dev/ptmx open. A process whose descriptors
    // cannot be read (another user's, or gone) does not count.
    static bool holdsPseudoTerminalMaster(std::int64_t pid, const QString& procRoot);

private:
    bool connect();
    void disconnect();
    bool isTerminalWindow(std::uint32_t window);

    QByteArray m_displayName;
    QString m_procRoot;
    std::mutex m_lock;
    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint32_t m_activeWindow = 0;
    std::uint32_t m_wmPid = 0;
};
