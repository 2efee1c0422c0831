#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <sys/types.h>

// One long-lived Apertium pipeline for one translation direction: every stage of the mode is
// its own process, chained by pipes, started on the first request and kept warm. Requests are
// framed by a random nonce so that a stage that dies half-way can never pass for an answer.
class ApertiumPipeline {
public:
    struct Result {
        std::optional<QString> text;
        // Readable by the user; empty on success.
        QString error;
    };

    // The tagger learns from what it has seen; a fresh run keeps answers as the command gives.
    static constexpr int kDefaultRestartAfter = 200;
    // No byte in or out for this long means a stage hangs.
    static constexpr std::chrono::milliseconds kDefaultStallTimeout{20000};

    explicit ApertiumPipeline(QString modeFile);
    ~ApertiumPipeline();
    ApertiumPipeline(const ApertiumPipeline&) = delete;
    ApertiumPipeline& operator=(const ApertiumPipeline&) = delete;

    // Blocking; called from one worker thread at a time. `cancelled` is polled while waiting.
    // A failed request restarts the stages for the next one.
    Result translate(const QString& text, const std::atomic<bool>* cancelled = nullptr);

    // Starts the stages now rather than on the first request. Nothing when they run; the
    // readable reason otherwise.
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
    void setStallTimeout(std::chrono::milliseconds timeout);

private:
    enum class Outcome { Answered, Cancelled, Interrupted, Dead };

    std::optional<QString> startLocked();
    void stopLocked();
    // Writes `request` (may be empty) while reading, until `marker` arrives.
    Outcome exchange(const QByteArray& request, const QByteArray& marker,
                     const std::atomic<bool>* cancelled, QByteArray* answer, QString* why);
    bool stageExited(QString* why);
    QString modeName() const;

    const QString m_modeFile;
    mutable std::mutex m_mutex;
    std::atomic<bool> m_interrupt{false};
    std::atomic<bool> m_running{false};
    std::atomic<int> m_served{0};

    QList<pid_t> m_pids;
    QStringList m_programs;
    int m_input = -1;
    int m_output = -1;
    QByteArray m_inbox;
    // The marker of a cancelled request whose answer is still on its way.
    QByteArray m_pendingMarker;
    int m_restartAfter = kDefaultRestartAfter;
    std::chrono::milliseconds m_stallTimeout = kDefaultStallTimeout;
};
