#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <chrono>
#include <optional>
#include <sys/types.h>

// A long-lived child process, or a chain of them joined by pipes, that answers NUL-framed
// requests: what is sent goes to the first, what the last one writes is read. The owner frames
// requests and answers; this keeps the processes, the descriptors and the bytes in flight.
// Not thread-safe: the owner serialises calls.
class NulFramedProcess {
public:
    struct StartError {
        // The errno of the failure.
        int error = 0;
        // The stage whose start failed, or -1 when no process was started.
        qsizetype stage = -1;
    };

    // What one pump found.
    enum class Io {
        Idle,        // nothing moved within the wait
        Progress,    // bytes were written or read
        Full,        // the inbox holds more than its limit; reading paused
        InputClosed, // the first stage no longer reads
        OutputEnded, // the last stage closed its output, or reading failed
        Failed,      // polling failed; see lastError()
    };

    NulFramedProcess() = default;
    ~NulFramedProcess();
    NulFramedProcess(const NulFramedProcess&) = delete;
    NulFramedProcess& operator=(const NulFramedProcess&) = delete;

    // Starts `stages` (each an argv, looked up in PATH), standard error on /dev/null. Whatever
    // ran before is stopped first; on failure nothing is left running.
    std::optional<StartError> start(const QList<QStringList>& stages);
    // Kills and reaps every stage and forgets the bytes in flight.
    void stop();

    bool isRunning() const { return !m_pids.isEmpty(); }
    // First to last; an entry is -1 once endedStage() has reaped that stage.
    const QList<pid_t>& pids() const { return m_pids; }

    // Queues bytes for the first stage; pump() writes them.
    void send(const QByteArray& bytes) { m_outbox += bytes; }
    bool hasUnsent() const { return !m_outbox.isEmpty(); }
    // What the last stage wrote and the owner has not taken yet.
    QByteArray& inbox() { return m_inbox; }

    // Writes what the first stage takes and reads what the last one wrote, waiting up to `wait`
    // for either when nothing moves at once (negative: no limit). Reading pauses once the inbox
    // holds more than `inboxLimit` bytes.
    Io pump(std::chrono::nanoseconds wait, qsizetype inboxLimit);
    int lastError() const { return m_lastError; }

    // The index of the stage whose end broke the chain, reaping the stages that ended and
    // waiting up to `wait` for one to; absent when none ended. When one stage ends, those after
    // it see the end of their input and exit normally and those before it may die of a broken
    // pipe: the first to end of anything else is the culprit.
    std::optional<qsizetype> endedStage(std::chrono::milliseconds wait);

private:
    // Writes and reads without waiting; `moved` is set when a byte moved.
    std::optional<Io> transfer(qsizetype inboxLimit, bool* moved);

    QList<pid_t> m_pids;
    // Ours: a socket, so that writing to a dead first stage gives EPIPE rather than SIGPIPE.
    int m_input = -1;
    int m_output = -1;
    QByteArray m_outbox;
    QByteArray m_inbox;
    int m_lastError = 0;
};
