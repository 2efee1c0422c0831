#include "platform/linux/instance/InstanceChannel.h"

#include "core/InstanceMessage.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "verdolin.instance")

namespace {

using Outcome = InstanceChannel::Claim::Outcome;

// The server's answer once it has taken a complete message.
constexpr char kReceived = '+';

enum class Sent { Delivered, NoServer, Lost, Refused };

struct Sending {
    Sent sent;
    QString error;
};

InstanceChannel::Claim failed(const QString& error) {
    return {Outcome::Failed, nullptr, error};
}

Sending send(const QString& path, const QByteArray& message, std::chrono::milliseconds limit) {
    QLocalSocket socket;
    const QDeadlineTimer deadline(limit);
    socket.connectToServer(path);
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        const auto error = socket.error();
        if (error == QLocalSocket::ServerNotFoundError
            || error == QLocalSocket::ConnectionRefusedError)
            return {Sent::NoServer, {}};
        return {Sent::Refused, "cannot reach the running Verdolin: " + socket.errorString()};
    }
    if (message.size() > InstanceMessage::kMaxBytes)
        return {Sent::Refused, "the arguments are too long to hand to the running Verdolin"};
    socket.write(message);
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(int(deadline.remainingTime()))) {
    }
    while (socket.bytesToWrite() == 0 && socket.bytesAvailable() == 0
           && socket.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    char answer = 0;
    if (socket.getChar(&answer) && answer == kReceived)
        return {Sent::Delivered, {}};
    if (socket.state() != QLocalSocket::ConnectedState)
        return {Sent::Lost, "the running Verdolin closed the connection"};
    return {Sent::Refused, "the running Verdolin did not answer"};
}

} // namespace

QString InstanceChannel::socketPath(const QString& name) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + '/' + name;
    return QDir::tempPath() + '/' + name + '-' + QString::number(::getuid());
}

InstanceChannel::Claim InstanceChannel::claim(const QString& name, const QStringList& arguments,
                                              std::chrono::milliseconds limit) {
    const QString path = socketPath(name);
    const QByteArray lockPath = QFile::encodeName(path + ".lock");
    // No symbolic link: the temporary folder is shared with other users.
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0)
        return failed("cannot open " + QFile::decodeName(lockPath) + ": "
                      + QString::fromLocal8Bit(std::strerror(errno)));
    const auto unlock = qScopeGuard([lock] { ::close(lock); });
    while (::flock(lock, LOCK_EX) < 0) {
        if (errno != EINTR)
            return failed("cannot lock " + QFile::decodeName(lockPath) + ": "
                          + QString::fromLocal8Bit(std::strerror(errno)));
    }

    const QByteArray message = InstanceMessage::encode(arguments);
    // An instance that quits or crashes while we send leaves its socket behind: look again.
    Sending sending{Sent::Lost, {}};
    for (int attempt = 0; attempt < 2 && sending.sent == Sent::Lost; ++attempt)
        sending = send(path, message, limit);
    switch (sending.sent) {
    case Sent::Delivered:
        return {Outcome::Forwarded, nullptr, {}};
    case Sent::NoServer:
        return listen(path);
    case Sent::Lost:
    case Sent::Refused:
        break;
    }
    return failed(sending.error);
}

InstanceChannel::Claim InstanceChannel::listen(const QString& path) {
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(path);
    if (!server->listen(path))
        return failed("cannot listen on " + path + ": " + server->errorString());
    return {Outcome::Primary,
            std::unique_ptr<InstanceChannel>(new InstanceChannel(std::move(server))),
            {}};
}

InstanceChannel::InstanceChannel(std::unique_ptr<QLocalServer> server)
    : m_server(server.release()) {
    m_server->setParent(this);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::acceptPeers);
}

InstanceChannel::~InstanceChannel() {
    // Peers closed with the server must not call back into a channel being destroyed.
    const auto peers = m_server->findChildren<QLocalSocket*>();
    for (QLocalSocket* peer : peers)
        peer->disconnect(this);
}

void InstanceChannel::acceptPeers() {
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        // Qt stops reading from the peer beyond this.
        peer->setReadBufferSize(InstanceMessage::kMaxBytes + 1);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { readFrom(peer, false); });
        connect(peer, &QLocalSocket::disconnected, this, [this, peer] { readFrom(peer, true); });
    }
}

void InstanceChannel::readFrom(QLocalSocket* peer, bool ended) {
    const QByteArray data = peer->peek(InstanceMessage::kMaxBytes + 1);
    InstanceMessage::Reading reading = InstanceMessage::read(data, ended);
    switch (reading.verdict) {
    case InstanceMessage::Reading::Verdict::waiting:
        return;
    case InstanceMessage::Reading::Verdict::tooLong:
        qCWarning(lcInstance) << "dropped a message longer than" << InstanceMessage::kMaxBytes
                              << "bytes";
        return drop(peer);
    case InstanceMessage::Reading::Verdict::invalid:
        if (!data.isEmpty())
            qCWarning(lcInstance) << "dropped a message that is not a JSON array of strings";
        return drop(peer);
    case InstanceMessage::Reading::Verdict::complete:
        break;
    }
    peer->disconnect(this);
    if (ended) {
        peer->deleteLater();
    } else {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        peer->write(&kReceived, 1);
        peer->disconnectFromServer();
    }
    // Last: a receiver may destroy this channel.
    emit argumentsReceived(reading.arguments);
}

void InstanceChannel::drop(QLocalSocket* peer) {
    peer->disconnect(this);
    peer->abort();
    peer->deleteLater();
}
