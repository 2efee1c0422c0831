#pragma once

#include <QByteArray>
#include <QFuture>
#include <QString>
#include <QUrl>

// The update server, as far as the updater needs it: the feed and the package it names.
class UpdateNetwork {
public:
    struct Response {
        QByteArray body;
        // Why the request failed, for the user; empty when it succeeded.
        QString error;
    };

    UpdateNetwork() = default;
    virtual ~UpdateNetwork() = default;
    UpdateNetwork(const UpdateNetwork&) = delete;
    UpdateNetwork& operator=(const UpdateNetwork&) = delete;

    // GET `url`; a body larger than `limit` bytes is an error.
    virtual QFuture<Response> get(const QUrl& url, qint64 limit) = 0;
    // GET `url` into the file `path`, replacing it; the future's progress runs 0-100 while the
    // size is known, and its result is empty or why the download failed. Cancelling the future
    // stops the transfer.
    virtual QFuture<QString> download(const QUrl& url, const QString& path, qint64 limit) = 0;
};
