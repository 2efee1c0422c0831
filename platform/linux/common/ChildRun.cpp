#include "platform/linux/common/ChildRun.h"

#include "platform/linux/common/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::int64_t kPollSliceMs = 50;
// A child that closed its output is looked at this often for its exit, a moment away.
constexpr auto kExitPollSlice = std::chrono::milliseconds(5);

} // namespace

ChildRun ChildRun::toEnd(const QStringList& argv, std::chrono::steady_clock::time_point deadline,
                         const SteadyClock& clock, const std::function<bool()>& stop) {
    using namespace ChildProcess;
    ChildRun run;
    int readEnd = -1;
    int writeEnd = -1;
    if (!makePipe(readEnd, writeEnd) || !setNonBlocking(readEnd)) {
        run.ending = Ending::StartFailed;
        run.error = errno;
        closeFd(readEnd);
        closeFd(writeEnd);
        return run;
    }
    pid_t pid = -1;
    run.error = spawn(argv, -1, writeEnd, &pid);
    closeFd(writeEnd);
    if (run.error != 0) {
        run.ending = Ending::StartFailed;
        closeFd(readEnd);
        return run;
    }

    bool outputEnded = false;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock());
        if (stop()) {
            run.ending = Ending::Stopped;
            break;
        }
        if (outputEnded && reapIfEnded(pid, &run.status)) {
            run.ending = Ending::Exited;
            break;
        }
        if (left.count() <= 0) {
            run.ending = Ending::TimedOut;
            break;
        }
        if (outputEnded) {
            std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(kExitPollSlice)));
            continue;
        }
        pollfd fd{readEnd, POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(std::min(left.count(), kPollSliceMs)));
        if (ready < 0 && errno != EINTR) {
            run.error = errno;
            run.ending = Ending::ReadFailed;
            break;
        }
        if (ready <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(readEnd, buffer, sizeof buffer);
        if (got > 0) {
            run.output.append(buffer, got);
        } else if (got == 0) {
            outputEnded = true;
        } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            run.error = errno;
            run.ending = Ending::ReadFailed;
            break;
        }
    }
    closeFd(readEnd);
    if (run.ending != Ending::Exited) {
        ::kill(pid, SIGKILL);
        reap(pid);
    }
    return run;
}
