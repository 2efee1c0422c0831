#pragma once

#include "app/translation/Futures.h"
#include "app/updates/UpdateNetwork.h"

#include <QFile>
#include <QList>

// An update server in memory: one feed for every request, one package for every download.
class FakeUpdateNetwork : public UpdateNetwork {
public:
    // A feed offering `version` (none: an empty feed) with a package of `length` bytes.
    static QByteArray feedWith(const QByteArray& version, qint64 length = 6) {
        if (version.isEmpty())
            return "<rss><channel></channel></rss>";
        return "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
               "<channel><item><sparkle:version>"
               + version
               + "</sparkle:version><enclosure url=\"https://verdolin.korvane.com/v.deb\" length=\""
               + QByteArray::number(length)
               + "\" sparkle:edSignature=\"c2ln\"/></item></channel></rss>";
    }

    QList<QUrl> requests;
    Response answer{feedWith({}), {}};
    QByteArray package = "signed";
    QString downloadError;

    QFuture<Response> get(const QUrl& url, qint64) override {
        requests.append(url);
        return Futures::ready(answer);
    }
    QFuture<QString> download(const QUrl&, const QString& path, qint64) override {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(package);
        return Futures::ready(downloadError);
    }
};
