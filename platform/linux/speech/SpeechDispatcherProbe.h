#pragma once

#include <QString>

#include <chrono>
#include <optional>

// Asks Speech Dispatcher whether it answers, without the client library: its library can
// start the daemon, and a daemon that hangs blocks the library for a long time.
namespace SpeechDispatcherProbe {

// Where the daemon listens: a Unix socket path, or a TCP host and port.
struct Address {
    QString socketPath;
    QString host;
    quint16 port = 0;

    bool isUnix() const { return !socketPath.isEmpty(); }
    friend bool operator==(const Address&, const Address&) = default;
};

// The address the client library would use: SPEECHD_ADDRESS ("unix_socket[:path]" or
// "inet_socket[:host[:port]]") when set, else the socket in the runtime folder (the cache
// folder under home when there is no runtime folder). Nothing for an address it cannot read.
std::optional<Address> address(const QString& speechdAddress, const QString& runtimeDir,
                               const QString& cacheHome, const QString& home);
// The same, read from this process's environment.
std::optional<Address> addressFromEnvironment();

// Connects, names itself and expects the "208" reply within `timeout`, then says QUIT.
// Blocks the calling thread for at most about `timeout`.
bool answers(const Address& address, std::chrono::milliseconds timeout);

} // namespace SpeechDispatcherProbe
