#include "platform/linux/updates/QtUpdateNetwork.h"

#include "app/translation/Futures.h"
#include "core/AppcastFeed.h"

#include <QCoreApplication>
#include <QFile>
#include <QFutureWatcher>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPromise>

namespace {

QString text(const char* source) {
    return QCoreApplication::translate("QtUpdateNetwork", source);
}

QString refusedAddress() {
    return text(QT_TRANSLATE_NOOP("QtUpdateNetwork", "The update server’s address is not secure."));
}

// Why a reply failed, for the user; empty when it did not.
QString failure(QNetworkReply* reply) {
    if (reply->error() == QNetworkReply::NoError) {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status == 0 || (status >= 200 && status < 300))
            return {};
        return text(QT_TRANSLATE_NOOP("QtUpdateNetwork", "The server answered %1.")).arg(status);
    }
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return text(QT_TRANSLATE_NOOP("QtUpdateNetwork", "The server did not answer in time."));
    return reply->errorString();
}

// Stops the transfer when the future's owner loses interest.
template <typename T>
void abortOnCancel(QNetworkReply* reply, const QFuture<T>& future) {
    auto* watcher = new QFutureWatcher<T>(reply);
    QObject::connect(watcher, &QFutureWatcherBase::canceled, reply, &QNetworkReply::abort);
    watcher->setFuture(future);
}

} // namespace

QtUpdateNetwork::QtUpdateNetwork(std::optional<QSslConfiguration> tls,
                                 std::chrono::milliseconds timeout)
    : m_tls(std::move(tls))
    , m_timeout(timeout) {}

QtUpdateNetwork::~QtUpdateNetwork() = default;

QNetworkReply* QtUpdateNetwork::send(const QUrl& url) {
    if (!m_manager)
        m_manager = std::make_unique<QNetworkAccessManager>();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setTransferTimeout(int(m_timeout.count()));
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Verdolin/%1").arg(QCoreApplication::applicationVersion()));
    if (m_tls)
        request.setSslConfiguration(*m_tls);
    return m_manager->get(request);
}

QFuture<UpdateNetwork::Response> QtUpdateNetwork::get(const QUrl& url, qint64 limit) {
    if (!AppcastFeed::acceptableAddress(url))
        return Futures::ready(Response{{}, refusedAddress()});
    auto promise = std::make_shared<QPromise<Response>>();
    promise->start();
    QFuture<Response> future = promise->future();
    QNetworkReply* reply = send(url);
    abortOnCancel(reply, future);
    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, limit, tooLarge](qint64 received, qint64) {
                         if (received > limit && !*tooLarge) {
                             *tooLarge = true;
                             reply->abort();
                         }
                     });
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, promise, tooLarge] {
        reply->deleteLater();
        Response response;
        if (*tooLarge)
            response.error =
                text(QT_TRANSLATE_NOOP("QtUpdateNetwork", "The server’s answer is too large."));
        else if (promise->isCanceled())
            response.error = text(QT_TRANSLATE_NOOP("QtUpdateNetwork", "Cancelled."));
        else
            response.error = failure(reply);
        if (response.error.isEmpty())
            response.body = reply->readAll();
        promise->addResult(response);
        promise->finish();
    });
    return future;
}

QFuture<QString> QtUpdateNetwork::download(const QUrl& url, const QString& path, qint64 limit) {
    if (!AppcastFeed::acceptableAddress(url))
        return Futures::ready(refusedAddress());
    const QString partial = path + QStringLiteral(".part");
    auto file = std::make_shared<QFile>(partial);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Futures::ready(
            text(QT_TRANSLATE_NOOP("QtUpdateNetwork", "The update could not be saved: %1"))
                .arg(file->errorString()));
    auto promise = std::make_shared<QPromise<QString>>();
    promise->start();
    promise->setProgressRange(0, 100);
    QFuture<QString> future = promise->future();
    QNetworkReply* reply = send(url);
    abortOnCancel(reply, future);
    auto problem = std::make_shared<QString>();
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, file, limit, problem] {
        const QByteArray chunk = reply->readAll();
        if (!problem->isEmpty())
            return;
        if (file->size() + chunk.size() > limit)
            *problem = text(QT_TRANSLATE_NOOP(
                "QtUpdateNetwork", "The server sent more than the update’s announced size."));
        else if (file->write(chunk) != chunk.size())
            *problem =
                text(QT_TRANSLATE_NOOP("QtUpdateNetwork", "The update could not be saved: %1"))
                    .arg(file->errorString());
        if (!problem->isEmpty())
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [promise, limit](qint64 received, qint64 total) {
                         const qint64 whole = total > 0 ? total : limit;
                         if (whole > 0)
                             promise->setProgressValue(
                                 int(std::min<qint64>(received, whole) * 100 / whole));
                     });
    QObject::connect(
        reply, &QNetworkReply::finished, reply, [reply, promise, file, partial, path, problem] {
            reply->deleteLater();
            QString error = *problem;
            if (error.isEmpty())
                error = promise->isCanceled()
                            ? text(QT_TRANSLATE_NOOP("QtUpdateNetwork", "Cancelled."))
                            : failure(reply);
            if (error.isEmpty() && !file->flush())
                error =
                    text(QT_TRANSLATE_NOOP("QtUpdateNetwork", "The update could not be saved: %1"))
                        .arg(file->errorString());
            file->close();
            if (error.isEmpty()) {
                QFile::remove(path);
                if (!QFile::rename(partial, path))
                    error = text(
                        QT_TRANSLATE_NOOP("QtUpdateNetwork", "The update could not be saved."));
            }
            if (!error.isEmpty())
                QFile::remove(partial);
            promise->addResult(error);
            promise->finish();
        });
    return future;
}
