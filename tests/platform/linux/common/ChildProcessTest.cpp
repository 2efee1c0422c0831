#include "platform/linux/common/ChildProcess.h"

#include "tests/support/ProgramRun.h"
#include "tests/support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

// Runs `argv` through spawn and returns what it printed.
QByteArray outputOf(const QStringList& argv) {
    int readEnd = -1;
    int writeEnd = -1;
    if (!ChildProcess::makePipe(readEnd, writeEnd))
        return {};
    pid_t pid = -1;
    const int error = ChildProcess::spawn(argv, -1, writeEnd, &pid);
    ChildProcess::closeFd(writeEnd);
    QByteArray output;
    char buffer[4096];
    for (ssize_t got; error == 0 && (got = ::read(readEnd, buffer, sizeof buffer)) > 0;)
        output.append(buffer, got);
    ChildProcess::closeFd(readEnd);
    if (error == 0)
        ChildProcess::reap(pid);
    return output;
}

// Waits up to ten seconds for the child to end, by polling its pidfd; its wait status.
std::optional<int> endOf(pid_t pid) {
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0)
        return std::nullopt;
    pollfd ended{pidfd, POLLIN, 0};
    const bool ready = ::poll(&ended, 1, 10000) == 1;
    ::close(pidfd);
    int status = 0;
    if (ready && ChildProcess::reapIfEnded(pid, &status))
        return status;
    return std::nullopt;
}

TEST(ChildProcessTest, ChildrenRunInAUtf8LocaleThatExistsWhateverTheUsersLocale) {
    if (!hasProgram(u"env"_s) || !hasProgram(u"locale"_s))
        GTEST_SKIP() << "env or locale is missing";
    ScopedEnvironment environment;
    environment.setMissingLocale();
    environment.set("VERDOLIN_CHILD_MARK", "kept");

    EXPECT_EQ(ChildProcess::childLocale(), "C.UTF-8");
    const QList<QByteArray> variables = outputOf({u"env"_s}).split('\n');
    EXPECT_EQ(variables.count("LC_ALL=C.UTF-8"), 1);
    EXPECT_FALSE(variables.contains(QByteArray("LC_ALL=") + ScopedEnvironment::kMissingLocale));
    // Nothing else of the environment changes.
    EXPECT_TRUE(variables.contains("VERDOLIN_CHILD_MARK=kept"));
    EXPECT_TRUE(variables.contains(QByteArray("LANG=") + ScopedEnvironment::kMissingLocale));
    // The locale is really there: the child reads UTF-8 rather than falling back to ASCII.
    EXPECT_EQ(outputOf({u"locale"_s, u"charmap"_s}), "UTF-8\n");
}

TEST(ChildProcessTest, ReapIfEndedTellsARunningChildFromAnEndedOne) {
    pid_t pid = -1;
    ASSERT_EQ(ChildProcess::spawn({u"sleep"_s, u"30"_s}, -1, STDERR_FILENO, &pid), 0);
    int status = -1;
    EXPECT_FALSE(ChildProcess::reapIfEnded(pid, &status));
    ::kill(pid, SIGKILL);
    const std::optional<int> killed = endOf(pid);
    ASSERT_TRUE(killed.has_value());
    EXPECT_TRUE(WIFSIGNALED(*killed));
    EXPECT_EQ(WTERMSIG(*killed), SIGKILL);
}

} // namespace
