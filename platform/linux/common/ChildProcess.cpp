#include "platform/linux/common/ChildProcess.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ChildProcess {

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

bool raiseFd(int& fd) {
    if (fd > 2) {
        return true;
    }
    const int raised = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    fd = raised;
    return fd >= 0;
}

bool makePipe(int& readEnd, int& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    readEnd = fds[0];
    writeEnd = fds[1];
    if (!raiseFd(readEnd) || !raiseFd(writeEnd)) {
        closeFd(readEnd);
        closeFd(writeEnd);
        return false;
    }
    return true;
}

bool setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

QByteArray childLocale() {
    static const QByteArray locale = [] {
        const locale_t probe = ::newlocale(LC_ALL_MASK, "C.UTF-8", locale_t(0));
        if (probe == locale_t(0)) {
            return QByteArrayLiteral("C");
        }
        ::freelocale(probe);
        return QByteArrayLiteral("C.UTF-8");
    }();
    return locale;
}

namespace {

// This process's environment with LC_ALL set to `childLocale()`.
std::vector<QByteArray> childEnvironment() {
    std::vector<QByteArray> variables;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "LC_ALL=", 7) != 0) {
            variables.emplace_back(*entry);
        }
    }
    // LC_ALL outranks LANG and every LC_* variable, in glibc and in libstdc++ alike.
    variables.push_back("LC_ALL=" + childLocale());
    return variables;
}

} // namespace

int spawn(const QStringList& argv, int in, int out, pid_t* pid) {
    std::vector<QByteArray> storage;
    storage.reserve(argv.size());
    std::vector<char*> args;
    for (const QString& arg : argv) {
        storage.push_back(QFile::encodeName(arg));
        args.push_back(storage.back().data());
    }
    args.push_back(nullptr);
    std::vector<QByteArray> variables = childEnvironment();
    std::vector<char*> environment;
    environment.reserve(variables.size() + 1);
    for (QByteArray& variable : variables) {
        environment.push_back(variable.data());
    }
    environment.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in >= 0) {
        posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const int error =
        ::posix_spawnp(pid, args.front(), &actions, &attributes, args.data(), environment.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

void reap(pid_t pid) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

bool reapIfEnded(pid_t pid, int* status) {
    for (;;) {
        const pid_t result = ::waitpid(pid, status, WNOHANG);
        if (result == pid) {
            return true;
        }
        if (result < 0 && errno == EINTR) {
            continue;
        }
        // ECHILD: someone else reaps children (SIGCHLD ignored); ask the process itself.
        return result < 0 && errno == ECHILD && ::kill(pid, 0) != 0 && errno == ESRCH;
    }
}

} // namespace ChildProcess
