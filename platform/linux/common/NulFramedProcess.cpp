#include "platform/linux/common/NulFramedProcess.h"

#include "platform/linux/common/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using ChildProcess::closeFd;

constexpr qsizetype kReadChunk = 64 * 1024;
// A stage that closed its output, or whose neighbour ended, is looked at this often...
constexpr auto kExitPollSlice = std::chrono::milliseconds(5);
// ...and the stages before the first one seen ended get this long to show they ended too.
constexpr auto kEarlierStageGrace = std::chrono::milliseconds(100);

} // namespace

NulFramedProcess::~NulFramedProcess() {
    stop();
}

std::optional<NulFramedProcess::StartError>
NulFramedProcess::start(const QList<QStringList>& stages) {
    stop();
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        return StartError{errno, -1};
    }
    m_input = pair[0];
    int upstream = pair[1];
    if (!ChildProcess::raiseFd(m_input) || !ChildProcess::raiseFd(upstream)) {
        const int error = errno;
        closeFd(upstream);
        stop();
        return StartError{error, -1};
    }
    for (qsizetype i = 0; i < stages.size(); ++i) {
        int readEnd = -1;
        int writeEnd = -1;
        int error = ChildProcess::makePipe(readEnd, writeEnd) ? 0 : errno;
        pid_t pid = -1;
        if (error == 0) {
            error = ChildProcess::spawn(stages.at(i), upstream, writeEnd, &pid);
        }
        // The parent keeps neither end a stage owns, or EOF would never travel down.
        closeFd(upstream);
        closeFd(writeEnd);
        upstream = readEnd;
        if (error != 0) {
            closeFd(upstream);
            stop();
            return StartError{error, i};
        }
        m_pids.append(pid);
    }
    m_output = upstream;
    if (!ChildProcess::setNonBlocking(m_input) || !ChildProcess::setNonBlocking(m_output)) {
        const int error = errno;
        stop();
        return StartError{error, -1};
    }
    return std::nullopt;
}

void NulFramedProcess::stop() {
    closeFd(m_input);
    closeFd(m_output);
    for (const pid_t pid : std::as_const(m_pids)) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ChildProcess::reap(pid);
        }
    }
    m_pids.clear();
    m_outbox.clear();
    m_inbox.clear();
}

std::optional<NulFramedProcess::Io> NulFramedProcess::transfer(qsizetype inboxLimit, bool* moved) {
    while (!m_outbox.isEmpty()) {
        const ssize_t sent =
            ::send(m_input, m_outbox.constData(), m_outbox.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            m_outbox.remove(0, sent);
            *moved = true;
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            return Io::InputClosed;
        }
    }
    while (m_inbox.size() <= inboxLimit) {
        const qsizetype before = m_inbox.size();
        m_inbox.resize(before + kReadChunk);
        const ssize_t got = ::read(m_output, m_inbox.data() + before, kReadChunk);
        m_inbox.resize(before + std::max<ssize_t>(got, 0));
        if (got > 0) {
            *moved = true;
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            return Io::OutputEnded;
        }
    }
    if (m_inbox.size() > inboxLimit) {
        return Io::Full;
    }
    return std::nullopt;
}

NulFramedProcess::Io NulFramedProcess::pump(std::chrono::nanoseconds wait, qsizetype inboxLimit) {
    if (!isRunning()) {
        return Io::OutputEnded;
    }
    bool moved = false;
    if (const auto io = transfer(inboxLimit, &moved)) {
        return *io;
    }
    if (moved || wait.count() == 0) {
        return moved ? Io::Progress : Io::Idle;
    }
    pollfd fds[2] = {{m_output, POLLIN, 0}, {m_input, POLLOUT, 0}};
    const nfds_t count = m_outbox.isEmpty() ? 1 : 2;
    timespec limit{};
    if (wait.count() > 0) {
        limit.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
        limit.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
    }
    if (::ppoll(fds, count, wait.count() > 0 ? &limit : nullptr, nullptr) < 0 && errno != EINTR) {
        m_lastError = errno;
        return Io::Failed;
    }
    if (const auto io = transfer(inboxLimit, &moved)) {
        return *io;
    }
    return moved ? Io::Progress : Io::Idle;
}

std::optional<qsizetype> NulFramedProcess::endedStage(std::chrono::milliseconds wait) {
    std::vector<std::optional<int>> statuses(m_pids.size());
    // The first of the ended stages, and whether one before it still runs.
    const auto sweep = [&] {
        qsizetype first = -1;
        bool earlierRuns = false;
        for (qsizetype i = 0; i < m_pids.size(); ++i) {
            int status = 0;
            if (m_pids.at(i) > 0 && ChildProcess::reapIfEnded(m_pids.at(i), &status)) {
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
                return static_cast<qsizetype>(i);
            }
        }
    }
    return std::nullopt;
}
