#include "platform/linux/speech/SpeechDispatcherProbe.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace SpeechDispatcherProbe {

namespace {

constexpr quint16 defaultPort = 6560;
const char* const defaultHost = "127.0.0.1";

using Clock = std::chrono::steady_clock;

class Fd {
public:
    explicit Fd(int fd)
        : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? int(left.count()) : 0;
}

// Waits for `events` on a non-blocking socket until the deadline.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, remainingMs(deadline));
        if (n > 0)
            return (p.revents & events) != 0;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

bool connectWithin(int fd, const sockaddr* addr, socklen_t length, Clock::time_point deadline) {
    if (::connect(fd, addr, length) == 0)
        return true;
    if (errno != EINPROGRESS && errno != EAGAIN && errno != EINTR)
        return false;
    if (!waitFor(fd, POLLOUT, deadline))
        return false;
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

bool sendAll(int fd, const QByteArray& data, Clock::time_point deadline) {
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t n =
            ::send(fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

std::optional<QByteArray> readLine(int fd, Clock::time_point deadline) {
    QByteArray line;
    char buffer[256];
    // A reply line is short; a peer that streams without a newline is not the daemon.
    while (line.size() < 4096) {
        const qsizetype end = line.indexOf('\n');
        if (end >= 0)
            return line.left(end);
        if (!waitFor(fd, POLLIN, deadline))
            return std::nullopt;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0)
            line.append(buffer, n);
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return std::nullopt;
    }
    return std::nullopt;
}

int openUnix(const QString& path, Clock::time_point deadline) {
    const QByteArray encoded = path.toLocal8Bit();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (encoded.size() >= qsizetype(sizeof addr.sun_path))
        return -1;
    std::memcpy(addr.sun_path, encoded.constData(), size_t(encoded.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (!connectWithin(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr, deadline)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int openInet(const QString& host, quint16 port, Clock::time_point deadline) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.toLocal8Bit().constData(), QByteArray::number(port).constData(), &hints,
                      &found)
        != 0)
        return -1;
    int result = -1;
    for (addrinfo* ai = found; ai && result < 0; ai = ai->ai_next) {
        const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                ai->ai_protocol);
        if (fd < 0)
            continue;
        if (connectWithin(fd, ai->ai_addr, ai->ai_addrlen, deadline))
            result = fd;
        else
            ::close(fd);
    }
    ::freeaddrinfo(found);
    return result;
}

} // namespace

std::optional<Address> address(const QString& speechdAddress, const QString& runtimeDir,
                               const QString& cacheHome, const QString& home) {
    const QString given = speechdAddress.trimmed();
    if (given.isEmpty() || given == QLatin1String("unix_socket")) {
        QString base = runtimeDir;
        if (base.isEmpty())
            base = !cacheHome.isEmpty() ? cacheHome : home + QLatin1String("/.cache");
        if (base.isEmpty() || base == QLatin1String("/.cache"))
            return std::nullopt;
        return Address{base + QLatin1String("/speech-dispatcher/speechd.sock"), {}, 0};
    }
    if (given.startsWith(QLatin1String("unix_socket:"))) {
        const QString path = given.mid(12);
        if (path.isEmpty())
            return std::nullopt;
        return Address{path, {}, 0};
    }
    if (given == QLatin1String("inet_socket"))
        return Address{{}, QString::fromLatin1(defaultHost), defaultPort};
    if (given.startsWith(QLatin1String("inet_socket:"))) {
        const QString rest = given.mid(12);
        // The port follows the last colon; a bare host keeps the default port.
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        QString host = colon >= 0 ? rest.left(colon) : rest;
        quint16 port = defaultPort;
        if (colon >= 0) {
            bool ok = false;
            const uint value = rest.mid(colon + 1).toUInt(&ok);
            if (!ok || value == 0 || value > 65535)
                return std::nullopt;
            port = quint16(value);
        }
        if (host.isEmpty())
            host = QString::fromLatin1(defaultHost);
        return Address{{}, host, port};
    }
    return std::nullopt;
}

std::optional<Address> addressFromEnvironment() {
    return address(qEnvironmentVariable("SPEECHD_ADDRESS"), qEnvironmentVariable("XDG_RUNTIME_DIR"),
                   qEnvironmentVariable("XDG_CACHE_HOME"), qEnvironmentVariable("HOME"));
}

bool answers(const Address& address, std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    const Fd fd(address.isUnix() ? openUnix(address.socketPath, deadline)
                                 : openInet(address.host, address.port, deadline));
    if (fd.get() < 0)
        return false;
    if (!sendAll(fd.get(), "SET self CLIENT_NAME user:verdolin:probe\r\n", deadline))
        return false;
    const std::optional<QByteArray> reply = readLine(fd.get(), deadline);
    if (!reply || !reply->startsWith("208"))
        return false;
    // Leaving politely keeps the daemon's log clean; its answer is not needed.
    sendAll(fd.get(), "QUIT\r\n", Clock::now() + std::chrono::milliseconds(100));
    return true;
}

} // namespace SpeechDispatcherProbe
