#pragma once

#include "core/AppcastItem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// The update feed: RSS 2.0 whose items carry the sparkle: namespace's version and signature.
struct AppcastFeed {
    static constexpr QLatin1StringView sparkleNamespace{
        "http://www.andymatuschak.org/xml-namespaces/sparkle"};

    // The usable items in the feed's order. An item without a version, an enclosure with a
    // web address, a positive length or a signature is left out: it could not be installed.
    QList<AppcastItem> items;
    // Why the feed could not be read at all; empty when it could.
    QString error;

    // `base` resolves relative addresses. Addresses must be https, or http on a loopback host.
    static AppcastFeed parse(const QByteArray& xml, const QUrl& base);

    // The newest item above `current`; none when the feed offers nothing newer.
    std::optional<AppcastItem> newestAbove(const VersionNumber& current) const;

    // https anywhere, plain http only to this computer.
    static bool acceptableAddress(const QUrl& url);
};
