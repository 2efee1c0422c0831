#pragma once

#include "platform/linux/common/NulFramedProcess.h"
#include "platform/linux/common/SteadyClock.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <sys/types.h>

// One long-lived Apertium pipeline for one translation direction: every stage of the mode is
// its own process, chained by pipes, started on the first request and kept warm. Requests are
// framed by a random nonce so that a stage that dies half-way can never pass for an answer.
class ApertiumPipeline {
public:
    // What the stall and mode-load limits are measured with.

    struct Result {
        std::optional<QString> text;
        // Readable by the user; empty on success.
        QString error;
    };

    // The tagger learns from what it has seen; a fresh run keeps answers as the command gives.
    static constexpr int kDefaultRestartAfter = 200;
    // No byte in or out for this long means a stage hangs.
    static constexpr std::chrono::milliseconds kStallTimeout{20000};
    // `apertium-wblank-mode` must have printed the stage commands and ended within this.
    static constexpr std::chrono::milliseconds kModeLoadTimeout{10000};
    // An answer holds at most this many bytes, or four times its request when that is more
    // (no translation is that much longer than its text): a stage that writes more without
    // ending the answer is broken.
    static constexpr qsizetype kDefaultMaxAnswerBytes = 16 * 1024 * 1024;

    explicit ApertiumPipeline(QString modeFile);
    ~ApertiumPipeline();
    ApertiumPipeline(const ApertiumPipeline&) = delete;
    ApertiumPipeline& operator=(const ApertiumPipeline&) = delete;

    // Blocking; called from one worker thread at a time. `cancelled` is polled while waiting.
    // A failed request restarts the stages for the next one.
    Result translate(const QString& text, const std::atomic<bool>* cancelled = nullptr);

    // Starts the stages now rather than on the first request, and afresh when one has ended
    // since. Nothing when they run; the readable reason otherwise.
    std::optional<QString> start();

    // Ends every stage process. A request in progress fails at once. Safe from any thread.
    void stop();

    // The stages were started and none is known to have died since.
    bool isRunning() const;
    // Requests answered by the stages now running; 0 after a stop or restart.
    int requestsServed() const;

    QString modeFile() const { return m_modeFile; }
    // The process ids of the running stages, first to last.
    QList<pid_t> stagePids() const;

    void setRestartAfter(int requests);
    void setMaxAnswerBytes(qsizetype bytes);
    void setClock(SteadyClock clock);

private:
    enum class Outcome { Answered, Cancelled, Interrupted, Dead };

    // `cancelled` (may be null) and stop() end a start in progress.
    std::optional<QString> startLocked(const std::atomic<bool>* cancelled);
    void stopLocked();
    // Writes `request` (may be empty) while reading, until `marker` arrives after at most
    // `limit` bytes.
    Outcome exchange(const QByteArray& request, const QByteArray& marker, qsizetype limit,
                     const std::atomic<bool>* cancelled, QByteArray* answer, QString* why);
    qsizetype answerLimit(qsizetype requestBytes) const;
    bool stageExited(QString* why);
    // Why the chain broke, naming the stage that ended; `fallback` when none is found.
    QString whyBroken(const QString& fallback);
    QString modeName() const;

    const QString m_modeFile;
    mutable std::mutex m_mutex;
    std::atomic<bool> m_interrupt{false};
    std::atomic<bool> m_running{false};
    std::atomic<int> m_served{0};

    NulFramedProcess m_process;
    QStringList m_programs;
    // The marker of a cancelled request whose answer is still on its way, and that answer's
    // limit.
    QByteArray m_pendingMarker;
    qsizetype m_pendingLimit = 0;
    int m_restartAfter = kDefaultRestartAfter;
    qsizetype m_maxAnswerBytes = kDefaultMaxAnswerBytes;
    SteadyClock m_clock = realSteadyClock();
};
