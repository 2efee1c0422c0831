#pragma once

#include "platform/linux/common/SteadyClock.h"

#include <QByteArray>
#include <QStringList>

#include <chrono>
#include <functional>

// A short-lived child read to its end within a time limit (the mode command of an Apertium pair).
struct ChildRun {
    enum class Ending { Exited, StartFailed, ReadFailed, Stopped, TimedOut };

    Ending ending = Ending::ReadFailed;
    QByteArray output;
    int status = 0; // its wait status, when it exited
    int error = 0;  // the errno, when it could not be started or read

    // Runs `argv` (looked up in PATH, input /dev/null) and reads all it writes until it exits.
    // Gives up when `stop` says so or `deadline` passes on `clock`, both looked at every 50 ms at
    // most; a child given up on is killed and reaped. The pipe does not block, so that a child
    // that hangs holds the caller no longer than the limit.
    static ChildRun toEnd(const QStringList& argv, std::chrono::steady_clock::time_point deadline,
                          const SteadyClock& clock, const std::function<bool()>& stop);
};
