#include "platform/linux/instance/QuitSignals.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcQuitSignals, "verdolin.instance")

namespace {

// The pipe's write end, never closed: a signal arriving late must not write into a
// descriptor number that has since been reused.
volatile sig_atomic_t writeFd = -1;
std::atomic_flag installed = ATOMIC_FLAG_INIT;

void onSignal(int number) {
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(writeFd, &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent)
    : QObject(parent) {}

QuitSignals::~QuitSignals() = default;

bool QuitSignals::install() {
    if (installed.test_and_set()) {
        qCWarning(lcQuitSignals) << "the quit signals are already routed elsewhere";
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcQuitSignals) << "no pipe for the quit signals:" << std::strerror(errno);
        return false;
    }
    m_readFd = fds[0];
    writeFd = fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_readFd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &QuitSignals::drain);

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT}) {
        if (::sigaction(number, &action, nullptr) != 0) {
            qCWarning(lcQuitSignals) << "cannot handle signal" << number << std::strerror(errno);
            return false;
        }
    }
    return true;
}

void QuitSignals::drain() {
    char bytes[16];
    ssize_t count;
    while ((count = ::read(m_readFd, bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit quitRequested(bytes[i]);
    }
}
