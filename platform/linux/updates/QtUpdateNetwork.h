#pragma once

#include "app/updates/UpdateNetwork.h"

#include <QSslConfiguration>

#include <chrono>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// The update server over HTTPS with Qt Network. Only https addresses, or plain http on this
// computer, are fetched; a redirect may not leave https. The network stack is made on the
// first request, so a session that never checks opens nothing. Main thread only.
class QtUpdateNetwork final : public UpdateNetwork {
public:
    // How long a transfer may go without receiving anything.
    static constexpr std::chrono::milliseconds defaultTimeout{30000};

    // `tls` replaces the system's trusted certificates (tests bring their own authority).
    explicit QtUpdateNetwork(std::optional<QSslConfiguration> tls = std::nullopt,
                             std::chrono::milliseconds timeout = defaultTimeout);
    ~QtUpdateNetwork() override;

    QFuture<Response> get(const QUrl& url, qint64 limit) override;
    QFuture<QString> download(const QUrl& url, const QString& path, qint64 limit) override;

private:
    QNetworkReply* send(const QUrl& url);

    std::optional<QSslConfiguration> m_tls;
    std::chrono::milliseconds m_timeout;
    std::unique_ptr<QNetworkAccessManager> m_manager;
};
