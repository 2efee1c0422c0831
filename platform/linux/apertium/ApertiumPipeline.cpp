#include "platform/linux/apertium/ApertiumPipeline.h"

#include "platform/linux/apertium/ApertiumFormat.h"
#include "platform/linux/apertium/ApertiumModeCommand.h"
#include "platform/linux/common/ChildProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

Q_LOGGING_CATEGORY(lcApertium, "verdolin.apertium", QtInfoMsg)

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollSliceMs = 50;
constexpr auto kChildCheckInterval = std::chrono::milliseconds(250);
// A child that closed its output, or whose neighbour ended, is looked at this often...
constexpr auto kExitPollSlice = std::chrono::milliseconds(5);
// ...for this long at most, when a broken chain is to name the stage that ended.
constexpr auto kEndedStageWait = std::chrono::milliseconds(500);
constexpr auto kEarlierStageGrace = std::chrono::milliseconds(100);
constexpr qsizetype kReadChunk = 64 * 1024;
// The most an answer may grow over its request (see kDefaultMaxAnswerBytes).
constexpr qsizetype kAnswerGrowth = 4;

QString tr(const char* text) {
    return QCoreApplication::translate("ApertiumPipeline", text);
}

using ChildProcess::closeFd;
using ChildProcess::makePipe;
using ChildProcess::raiseFd;
using ChildProcess::reap;
using ChildProcess::reapIfEnded;
using ChildProcess::setNonBlocking;
using ChildProcess::spawn;

// The stage commands of a mode, from `apertium-wblank-mode -z`, which must have ended within
// `timeout`. `giveUp` is asked while waiting. The pipe does not block, so that a command that
// hangs cannot hold the pipeline (and its mutex) past the limit.
std::optional<QList<QStringList>> loadStages(const QString& modeFile,
                                             std::chrono::milliseconds timeout,
                                             const std::function<bool()>& giveUp, QString* why) {
    int readEnd = -1;
    int writeEnd = -1;
    if (!makePipe(readEnd, writeEnd) || !setNonBlocking(readEnd)) {
        const int error = errno;
        closeFd(readEnd);
        closeFd(writeEnd);
        *why = QString::fromLocal8Bit(std::strerror(error));
        return std::nullopt;
    }
    pid_t pid = -1;
    const int error =
        spawn({QStringLiteral("apertium-wblank-mode"), QStringLiteral("-z"), modeFile}, -1,
              writeEnd, &pid);
    closeFd(writeEnd);
    if (error != 0) {
        closeFd(readEnd);
        *why = error == ENOENT ? tr("apertium-wblank-mode is not installed")
                               : QString::fromLocal8Bit(std::strerror(error));
        return std::nullopt;
    }

    enum class State { Reading, Exiting, Ended, Failed, GaveUp, TimedOut };
    State state = State::Reading;
    QByteArray output;
    int status = 0;
    const auto deadline = Clock::now() + timeout;
    while (state == State::Reading || state == State::Exiting) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (giveUp()) {
            state = State::GaveUp;
        } else if (state == State::Exiting && reapIfEnded(pid, &status)) {
            state = State::Ended;
        } else if (left.count() <= 0) {
            state = State::TimedOut;
        } else if (state == State::Exiting) {
            // It closed its output; its exit is a moment away.
            std::this_thread::sleep_for(std::min(left, kExitPollSlice));
        } else {
            pollfd fd{readEnd, POLLIN, 0};
            const int slice = static_cast<int>(std::min<std::int64_t>(left.count(), kPollSliceMs));
            const int ready = ::poll(&fd, 1, slice);
            if (ready < 0 && errno != EINTR) {
                state = State::Failed;
                continue;
            }
            if (ready <= 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t got = ::read(readEnd, buffer, sizeof buffer);
            if (got > 0) {
                output.append(buffer, got);
            } else if (got == 0) {
                state = State::Exiting;
            } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
                state = State::Failed;
            }
        }
    }
    closeFd(readEnd);
    if (state != State::Ended) {
        ::kill(pid, SIGKILL);
        reap(pid);
    }
    switch (state) {
    case State::Ended:
        break;
    case State::GaveUp:
        *why = tr("it was stopped");
        return std::nullopt;
    case State::TimedOut:
        *why = tr("apertium-wblank-mode gave no answer within %1 seconds")
                   .arg(std::chrono::duration<double>(timeout).count());
        return std::nullopt;
    default:
        *why = tr("the mode file could not be read");
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *why = tr("the mode file could not be read");
        return std::nullopt;
    }
    auto stages = ApertiumModeCommand::parse(QString::fromLocal8Bit(output));
    if (!stages) {
        *why = tr("the mode file has a form this program does not understand");
    }
    return stages;
}

QByteArray nonceMarker() {
    const quint64 nonce = QRandomGenerator::global()->generate64();
    return QByteArrayLiteral("[/NONCE:") + QByteArray::number(nonce, 16) + ']';
}

} // namespace

ApertiumPipeline::ApertiumPipeline(QString modeFile)
    : m_modeFile(std::move(modeFile)) {}

ApertiumPipeline::~ApertiumPipeline() {
    stop();
}

ApertiumPipeline::Result ApertiumPipeline::translate(const QString& text,
                                                     const std::atomic<bool>* cancelled) {
    std::lock_guard lock(m_mutex);
    if (text.isEmpty()) {
        return {QString(), {}};
    }

    QString why;
    if (m_running && !m_pendingMarker.isEmpty()) {
        // The stages are still busy with a cancelled request; its answer must not be
        // mistaken for the start of this one.
        QByteArray discarded;
        switch (exchange({}, m_pendingMarker, m_pendingLimit, cancelled, &discarded, &why)) {
        case Outcome::Answered:
            m_pendingMarker.clear();
            break;
        case Outcome::Cancelled:
            return {std::nullopt, tr("The translation was cancelled.")};
        case Outcome::Interrupted:
            stopLocked();
            return {std::nullopt, tr("The translation was stopped.")};
        case Outcome::Dead:
            stopLocked();
            break;
        }
    }
    if (m_running && m_served >= m_restartAfter) {
        qCDebug(lcApertium) << "restarting" << modeName() << "after" << m_served.load()
                            << "requests";
        stopLocked();
    }
    if (!m_running) {
        if (auto error = startLocked(cancelled)) {
            if (m_interrupt) {
                return {std::nullopt, tr("The translation was stopped.")};
            }
            if (cancelled != nullptr && cancelled->load()) {
                return {std::nullopt, tr("The translation was cancelled.")};
            }
            return {std::nullopt, *error};
        }
    }

    const QByteArray nonce = nonceMarker();
    const QByteArray request = ApertiumFormat::deformat(text).toUtf8() + '\0' + nonce + '\0';
    const QByteArray marker = '\0' + nonce + '\0';
    QByteArray answer;
    switch (exchange(request, marker, answerLimit(request.size()), cancelled, &answer, &why)) {
    case Outcome::Answered:
        ++m_served;
        return {ApertiumFormat::reformat(QString::fromUtf8(answer)), {}};
    case Outcome::Cancelled:
        return {std::nullopt, tr("The translation was cancelled.")};
    case Outcome::Interrupted:
        stopLocked();
        return {std::nullopt, tr("The translation was stopped.")};
    case Outcome::Dead:
        break;
    }
    qCWarning(lcApertium) << modeName() << "failed:" << why;
    stopLocked();
    return {
        std::nullopt,
        tr("The translator for %1 stopped working (%2). Please try again.").arg(modeName(), why)};
}

std::optional<QString> ApertiumPipeline::start() {
    std::lock_guard lock(m_mutex);
    if (m_running) {
        return std::nullopt;
    }
    return startLocked(nullptr);
}

void ApertiumPipeline::stop() {
    m_interrupt = true;
    std::lock_guard lock(m_mutex);
    stopLocked();
    m_interrupt = false;
}

bool ApertiumPipeline::isRunning() const {
    return m_running;
}

int ApertiumPipeline::requestsServed() const {
    return m_served;
}

QList<pid_t> ApertiumPipeline::stagePids() const {
    std::lock_guard lock(m_mutex);
    return m_pids;
}

void ApertiumPipeline::setRestartAfter(int requests) {
    std::lock_guard lock(m_mutex);
    m_restartAfter = std::max(1, requests);
}

void ApertiumPipeline::setStallTimeout(std::chrono::milliseconds timeout) {
    std::lock_guard lock(m_mutex);
    m_stallTimeout = timeout;
}

void ApertiumPipeline::setModeLoadTimeout(std::chrono::milliseconds timeout) {
    std::lock_guard lock(m_mutex);
    m_modeLoadTimeout = timeout;
}

void ApertiumPipeline::setMaxAnswerBytes(qsizetype bytes) {
    std::lock_guard lock(m_mutex);
    m_maxAnswerBytes = std::max<qsizetype>(1, bytes);
}

qsizetype ApertiumPipeline::answerLimit(qsizetype requestBytes) const {
    return std::max(m_maxAnswerBytes, kAnswerGrowth * requestBytes);
}

std::optional<QString> ApertiumPipeline::startLocked(const std::atomic<bool>* cancelled) {
    QString why;
    const auto giveUp = [&] {
        return m_interrupt.load() || (cancelled != nullptr && cancelled->load());
    };
    const auto stages = loadStages(m_modeFile, m_modeLoadTimeout, giveUp, &why);
    if (!stages) {
        return tr("The translator for %1 could not be started: %2.").arg(modeName(), why);
    }

    // Our end of the input is a socket so that writing to a dead first stage gives EPIPE
    // (MSG_NOSIGNAL) instead of a SIGPIPE that would end this process.
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        return tr("The translator for %1 could not be started: %2.")
            .arg(modeName(), QString::fromLocal8Bit(std::strerror(errno)));
    }
    m_input = pair[0];
    int upstream = pair[1];
    if (!raiseFd(m_input) || !raiseFd(upstream)) {
        const int error = errno;
        closeFd(upstream);
        stopLocked();
        return tr("The translator for %1 could not be started: %2.")
            .arg(modeName(), QString::fromLocal8Bit(std::strerror(error)));
    }

    for (const QStringList& argv : *stages) {
        int readEnd = -1;
        int writeEnd = -1;
        int error = makePipe(readEnd, writeEnd) ? 0 : errno;
        pid_t pid = -1;
        if (error == 0) {
            error = spawn(argv, upstream, writeEnd, &pid);
        }
        // The parent keeps neither end a stage owns, or EOF would never travel down.
        closeFd(upstream);
        closeFd(writeEnd);
        upstream = readEnd;
        if (error != 0) {
            closeFd(upstream);
            stopLocked();
            const QString reason = error == ENOENT
                                       ? tr("the program %1 is missing").arg(argv.constFirst())
                                       : QString::fromLocal8Bit(std::strerror(error));
            return tr("The translator for %1 could not be started: %2.").arg(modeName(), reason);
        }
        m_pids.append(pid);
        m_programs.append(QFileInfo(argv.constFirst()).fileName());
    }
    m_output = upstream;
    if (!setNonBlocking(m_input) || !setNonBlocking(m_output)) {
        const int error = errno;
        stopLocked();
        return tr("The translator for %1 could not be started: %2.")
            .arg(modeName(), QString::fromLocal8Bit(std::strerror(error)));
    }
    m_running = true;
    qCDebug(lcApertium) << "started" << modeName() << "with" << m_pids.size() << "stages";
    return std::nullopt;
}

void ApertiumPipeline::stopLocked() {
    m_running = false;
    closeFd(m_input);
    closeFd(m_output);
    for (const pid_t pid : std::as_const(m_pids)) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            reap(pid);
        }
    }
    m_pids.clear();
    m_programs.clear();
    m_inbox.clear();
    m_pendingMarker.clear();
    m_pendingLimit = 0;
    m_served = 0;
}

ApertiumPipeline::Outcome ApertiumPipeline::exchange(const QByteArray& request,
                                                     const QByteArray& marker, qsizetype limit,
                                                     const std::atomic<bool>* cancelled,
                                                     QByteArray* answer, QString* why) {
    qsizetype written = 0;
    qsizetype searchFrom = 0;
    auto lastProgress = Clock::now();
    auto lastChildCheck = lastProgress;

    for (;;) {
        const qsizetype found = m_inbox.indexOf(marker, searchFrom);
        if (found >= 0 && written == request.size()) {
            *answer = m_inbox.left(found);
            m_inbox.remove(0, found + marker.size());
            if (!m_inbox.isEmpty()) {
                qCWarning(lcApertium)
                    << modeName() << "sent" << m_inbox.size() << "bytes after an answer";
                m_inbox.clear();
            }
            return Outcome::Answered;
        }
        searchFrom = std::max<qsizetype>(0, m_inbox.size() - marker.size() + 1);

        if (m_interrupt) {
            return Outcome::Interrupted;
        }
        if (cancelled != nullptr && cancelled->load()) {
            if (written == request.size()) {
                m_pendingMarker = marker;
                m_pendingLimit = limit;
                return Outcome::Cancelled;
            }
            // Half a request can never be answered: start afresh next time.
            stopLocked();
            return Outcome::Cancelled;
        }

        pollfd fds[2];
        nfds_t count = 0;
        fds[count++] = {m_output, POLLIN, 0};
        if (written < request.size()) {
            fds[count++] = {m_input, POLLOUT, 0};
        }
        if (::poll(fds, count, kPollSliceMs) < 0 && errno != EINTR) {
            *why = QString::fromLocal8Bit(std::strerror(errno));
            return Outcome::Dead;
        }

        bool progress = false;
        if (count > 1 && fds[1].revents != 0) {
            while (written < request.size()) {
                const ssize_t sent = ::send(m_input, request.constData() + written,
                                            request.size() - written, MSG_NOSIGNAL | MSG_DONTWAIT);
                if (sent > 0) {
                    written += sent;
                    progress = true;
                } else if (sent < 0 && errno == EINTR) {
                    continue;
                } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                    break;
                } else {
                    *why = whyBroken(tr("its first stage stopped reading"));
                    return Outcome::Dead;
                }
            }
        }
        if (fds[0].revents != 0) {
            for (;;) {
                const qsizetype before = m_inbox.size();
                m_inbox.resize(before + kReadChunk);
                const ssize_t got = ::read(m_output, m_inbox.data() + before, kReadChunk);
                m_inbox.resize(before + std::max<ssize_t>(got, 0));
                if (got > 0) {
                    progress = true;
                    if (m_inbox.size() <= limit) {
                        continue;
                    }
                    // The answer may end in what just came: take it before calling it too long.
                    if (m_inbox.indexOf(marker, searchFrom) >= 0) {
                        break;
                    }
                    *why = tr("it sent more than %1 without ending the answer")
                               .arg(QLocale().formattedDataSize(limit, 0));
                    return Outcome::Dead;
                }
                if (got < 0 && errno == EINTR) {
                    continue;
                }
                if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                    break;
                }
                *why = whyBroken(tr("its last stage ended"));
                return Outcome::Dead;
            }
        }

        const auto now = Clock::now();
        if (progress) {
            lastProgress = now;
        } else if (now - lastProgress > m_stallTimeout) {
            *why = tr("no answer for %1 seconds")
                       .arg(std::chrono::duration<double>(m_stallTimeout).count());
            return Outcome::Dead;
        }
        if (now - lastChildCheck >= kChildCheckInterval) {
            lastChildCheck = now;
            if (stageExited(why)) {
                return Outcome::Dead;
            }
        }
    }
}

bool ApertiumPipeline::stageExited(QString* why) {
    const QString stage = endedStage(std::chrono::milliseconds(0));
    if (stage.isEmpty()) {
        return false;
    }
    *why = tr("%1 ended").arg(stage);
    return true;
}

QString ApertiumPipeline::endedStage(std::chrono::milliseconds wait) {
    // When one stage ends, the stages after it see the end of their input and exit normally,
    // and the ones before it may die of a broken pipe: the first stage to end of anything but
    // a broken pipe is the one that broke the chain.
    std::vector<std::optional<int>> statuses(m_pids.size());
    // The first of the ended stages, and whether one before it still runs.
    const auto sweep = [&] {
        qsizetype first = -1;
        bool earlierRuns = false;
        for (qsizetype i = 0; i < m_pids.size(); ++i) {
            int status = 0;
            if (m_pids.at(i) > 0 && reapIfEnded(m_pids.at(i), &status)) {
                m_pids[i] = -1;
                statuses[i] = status;
            }
            if (statuses[i] && first < 0) {
                first = i;
            }
            earlierRuns = earlierRuns || (first < 0 && m_pids.at(i) > 0);
        }
        return std::pair(first, first >= 0 && earlierRuns);
    };
    auto deadline = Clock::now() + wait;
    bool graceGiven = false;
    for (;;) {
        const auto [first, earlierRuns] = sweep();
        if (first >= 0 && !graceGiven && earlierRuns) {
            // A stage's output closes a moment before its exit can be seen, time enough for
            // the stages after it to end: give the ones before a moment to show they ended.
            graceGiven = true;
            deadline = Clock::now() + kEarlierStageGrace;
        } else if ((first >= 0 && !earlierRuns) || Clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(kExitPollSlice);
    }
    const auto brokenPipe = [](int status) {
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE;
    };
    for (const bool skipBrokenPipes : {true, false}) {
        for (std::size_t i = 0; i < statuses.size(); ++i) {
            if (statuses[i] && !(skipBrokenPipes && brokenPipe(*statuses[i]))) {
                return m_programs.value(static_cast<qsizetype>(i));
            }
        }
    }
    return {};
}

QString ApertiumPipeline::whyBroken(const QString& fallback) {
    const QString stage = endedStage(kEndedStageWait);
    return stage.isEmpty() ? fallback : tr("%1 ended").arg(stage);
}

QString ApertiumPipeline::modeName() const {
    return QFileInfo(m_modeFile).completeBaseName();
}
