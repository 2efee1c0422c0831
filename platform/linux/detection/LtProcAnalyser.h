#pragma once

#include "platform/linux/common/NulFramedProcess.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
#include <sys/types.h>

// One morphological analyser (`lt-proc -z FILE.automorf.bin`) kept running to tell which words
// it knows. Each word is one NUL-ended request; answers arrive in order, so an answer that
// missed its deadline is counted and skipped when it comes, and the process stays warm.
// Safe to use from any thread; callers take turns.
class LtProcAnalyser {
public:
    struct Options {
        QString program = QStringLiteral("lt-proc");
        // Answers owed for this long mean the process hangs: it is ended and started afresh.
        std::chrono::milliseconds stallTimeout = std::chrono::seconds(2);
        // At most this many starts within `startPeriod`, so that a broken analyser is not
        // started again on every keystroke.
        int maxStarts = 3;
        std::chrono::milliseconds startPeriod = std::chrono::minutes(1);
    };

    // Longer tokens are no word of any language and are not sent.
    static constexpr qsizetype kMaxTokenLength = 100;

    explicit LtProcAnalyser(QString analyserFile);
    LtProcAnalyser(QString analyserFile, Options options);
    ~LtProcAnalyser();
    LtProcAnalyser(const LtProcAnalyser&) = delete;
    LtProcAnalyser& operator=(const LtProcAnalyser&) = delete;

    // Whether every part of `token` that holds a letter has an analysis. Absent when the
    // analyser cannot run or did not answer before the deadline.
    std::optional<bool> knows(const QString& token, QDeadlineTimer deadline);
    // The same for several tokens, sent together; all answers or none.
    std::optional<QList<bool>> knowsAll(const QStringList& tokens, QDeadlineTimer deadline);

    // Starts the process unless it runs; true when it runs afterwards.
    bool start();
    // Ends the process; the next request starts it again.
    void stop();
    // Ends the process if no request came since `cutoff`; true when it was ended.
    bool stopIfUnusedSince(std::chrono::steady_clock::time_point cutoff);

    bool isRunning() const;
    std::optional<pid_t> pid() const;
    // Processes started so far, restarts included.
    int starts() const;
    std::chrono::steady_clock::time_point lastUsed() const;
    QString analyserFile() const { return m_file; }

    // The bytes that ask about `token`: special characters escaped, a blank, then NUL.
    static QByteArray request(const QString& token);
    // Whether an answer says every lexical unit holding a letter was analysed.
    static bool answerKnows(QStringView answer);
    // Whether the text holds a letter (any script).
    static bool hasLetter(QStringView text);

private:
    enum class Exchange { Answered, TimedOut, Dead };

    bool startLocked();
    void stopLocked();
    bool mayStartLocked();
    // Writes and reads what it can without waiting; false when the process is gone.
    bool readAvailableLocked();
    Exchange exchangeLocked(qsizetype wanted, QDeadlineTimer deadline, QList<QByteArray>* answers);
    void takeAnswersLocked(QList<QByteArray>* answers, qsizetype wanted);

    const QString m_file;
    const Options m_options;
    mutable std::mutex m_mutex;
    // Its inbox holds bytes not yet split into answers; unsent requests go out first.
    NulFramedProcess m_process;
    // Answers to requests whose caller gave up; they are dropped when they arrive.
    qsizetype m_owed = 0;
    std::chrono::steady_clock::time_point m_owedSince;
    std::deque<std::chrono::steady_clock::time_point> m_startTimes;
    int m_starts = 0;
    std::atomic<std::chrono::steady_clock::rep> m_lastUsed{0};
};
