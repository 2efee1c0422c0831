#include "core/AppcastFeed.h"

#include <QXmlStreamReader>

namespace {

struct ItemFields {
    QString version;
    QString shortVersion;
    QString title;
    QString link;
    QString releaseNotesLink;
    bool enclosure = false;
    QString url;
    QString length;
    QString type;
    QString signature;
};

bool isSparkle(const QXmlStreamReader& xml) {
    return xml.namespaceUri() == AppcastFeed::sparkleNamespace;
}

QUrl resolved(const QUrl& base, const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    return url.isValid() ? base.resolved(url) : QUrl();
}

std::optional<AppcastItem> itemFrom(const ItemFields& fields, const QUrl& base) {
    const std::optional<VersionNumber> version = VersionNumber::parse(fields.version.trimmed());
    if (!version || !fields.enclosure)
        return std::nullopt;
    AppcastItem item;
    item.version = *version;
    item.displayVersion = fields.shortVersion.trimmed().isEmpty() ? fields.version.trimmed()
                                                                  : fields.shortVersion.trimmed();
    item.title = fields.title.trimmed();
    item.url = resolved(base, fields.url);
    bool lengthOk = false;
    item.length = fields.length.trimmed().toLongLong(&lengthOk);
    item.type = fields.type.trimmed();
    item.signature = fields.signature.trimmed().toLatin1();
    if (!AppcastFeed::acceptableAddress(item.url) || !lengthOk || item.length <= 0
        || item.signature.isEmpty())
        return std::nullopt;
    const QUrl notes =
        resolved(base, fields.releaseNotesLink.isEmpty() ? fields.link : fields.releaseNotesLink);
    if (notes.scheme() == QLatin1String("https") || notes.scheme() == QLatin1String("http"))
        item.releaseNotes = notes;
    return item;
}

// The item's children; the reader stands on <item> and ends on </item>.
ItemFields readItem(QXmlStreamReader& xml) {
    ItemFields fields;
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        if (isSparkle(xml) && name == u"version") {
            fields.version = xml.readElementText(QXmlStreamReader::SkipChildElements);
        } else if (isSparkle(xml) && name == u"shortVersionString") {
            fields.shortVersion = xml.readElementText(QXmlStreamReader::SkipChildElements);
        } else if (isSparkle(xml) && name == u"releaseNotesLink") {
            fields.releaseNotesLink = xml.readElementText(QXmlStreamReader::SkipChildElements);
        } else if (xml.namespaceUri().isEmpty() && name == u"title") {
            fields.title = xml.readElementText(QXmlStreamReader::SkipChildElements);
        } else if (xml.namespaceUri().isEmpty() && name == u"link") {
            fields.link = xml.readElementText(QXmlStreamReader::SkipChildElements);
        } else if (xml.namespaceUri().isEmpty() && name == u"enclosure" && !fields.enclosure) {
            const QXmlStreamAttributes attributes = xml.attributes();
            fields.enclosure = true;
            fields.url = attributes.value(QLatin1String("url")).toString();
            fields.length = attributes.value(QLatin1String("length")).toString();
            fields.type = attributes.value(QLatin1String("type")).toString();
            const QString ns = AppcastFeed::sparkleNamespace;
            fields.signature = attributes.value(ns, QLatin1String("edSignature")).toString();
            // Older feeds put the versions on the enclosure.
            if (fields.version.isEmpty())
                fields.version = attributes.value(ns, QLatin1String("version")).toString();
            if (fields.shortVersion.isEmpty())
                fields.shortVersion =
                    attributes.value(ns, QLatin1String("shortVersionString")).toString();
            xml.skipCurrentElement();
        } else {
            // sparkle:minimumSystemVersion and the rest mean nothing here.
            xml.skipCurrentElement();
        }
    }
    return fields;
}

} // namespace

AppcastFeed AppcastFeed::parse(const QByteArray& bytes, const QUrl& base) {
    AppcastFeed feed;
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement() || xml.name() != u"rss") {
        feed.error = xml.hasError() ? xml.errorString() : QStringLiteral("not an RSS feed");
        return feed;
    }
    bool channel = false;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"channel" || channel) {
            xml.skipCurrentElement();
            continue;
        }
        channel = true;
        while (xml.readNextStartElement()) {
            if (xml.namespaceUri().isEmpty() && xml.name() == u"item") {
                const ItemFields fields = readItem(xml);
                if (const std::optional<AppcastItem> item = itemFrom(fields, base))
                    feed.items.append(*item);
            } else {
                xml.skipCurrentElement();
            }
        }
    }
    if (xml.hasError()) {
        feed.items.clear();
        feed.error = xml.errorString();
    } else if (!channel) {
        feed.error = QStringLiteral("the feed has no channel");
    }
    return feed;
}

std::optional<AppcastItem> AppcastFeed::newestAbove(const VersionNumber& current) const {
    std::optional<AppcastItem> newest;
    for (const AppcastItem& item : items) {
        if (item.version > current && (!newest || item.version > newest->version))
            newest = item;
    }
    return newest;
}

bool AppcastFeed::acceptableAddress(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty())
        return false;
    if (url.scheme() == QLatin1String("https"))
        return true;
    const QString host = url.host();
    return url.scheme() == QLatin1String("http")
           && (host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost")
               || host == QLatin1String("::1"));
}
