#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;

// One running Verdolin per user: the first start listens on a per-user socket, a later start
// hands it its arguments and exits.
class InstanceChannel : public QObject {
    Q_OBJECT

public:
    struct Claim {
        enum class Outcome { Primary, Forwarded, Failed };
        Outcome outcome = Outcome::Failed;
        std::unique_ptr<InstanceChannel> channel; // listening, when Primary
        QString error;                            // why, when Failed
    };

    // $XDG_RUNTIME_DIR/<name>, else <temporary folder>/<name>-<uid>.
    static QString socketPath(const QString& name);

    // Hands `arguments` to the instance listening on `name` once it confirms them, else
    // listens there (replacing a socket nobody listens on). Checking and listening happen
    // under `<path>.lock`, so that of starts at the same time exactly one becomes primary.
    // Blocks for about `limit` at most per attempt to reach a running instance. Failed when
    // an instance listens but does not take the arguments, or the socket cannot be had.
    static Claim claim(const QString& name, const QStringList& arguments,
                       std::chrono::milliseconds limit = std::chrono::seconds(3));

    ~InstanceChannel() override;

signals:
    void argumentsReceived(const QStringList& arguments);

private:
    explicit InstanceChannel(std::unique_ptr<QLocalServer> server);

    static Claim listen(const QString& path);
    void acceptPeers();
    void readFrom(QLocalSocket* peer, bool ended);
    void drop(QLocalSocket* peer);

    QLocalServer* m_server; // a child
};
