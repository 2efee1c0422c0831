#include "core/AppcastFeed.h"

#include <gtest/gtest.h>

namespace {

const QUrl base(QStringLiteral("https://verdolin.korvane.com/appcast.xml"));

QByteArray feed(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/"
           "sparkle\"><channel><title>Verdolin</title>"
           + items + "</channel></rss>";
}

QByteArray item(const QByteArray& version, const QByteArray& enclosure,
                const QByteArray& extra = {}) {
    return "<item><title>Verdolin " + version + "</title>" + extra + "<sparkle:version>" + version
           + "</sparkle:version>"
           + "<sparkle:minimumSystemVersion>99</sparkle:minimumSystemVersion>" + enclosure
           + "</item>";
}

QByteArray enclosure(const QByteArray& url, const QByteArray& length = "1234",
                     const QByteArray& signature = "c2ln") {
    return "<enclosure url=\"" + url + "\" length=\"" + length
           + "\" type=\"application/vnd.debian.binary-package\" sparkle:edSignature=\"" + signature
           + "\"/>";
}

VersionNumber v(const char* text) {
    return *VersionNumber::parse(QString::fromLatin1(text));
}

} // namespace

TEST(VersionNumber, ComparesComponentsAsNumbers) {
    for (const auto& [older, newer] :
         {std::pair{"0.9", "0.10"}, {"1.2.9", "1.10"}, {"1", "1.0.1"}, {"0.1.0", "2"}})
        EXPECT_LT(v(older), v(newer)) << older << " < " << newer;
    EXPECT_EQ(v("1.0"), v("1.0.0"));
    for (const char* bad : {"", "1.", ".1", "1..2", "1.0-beta", "-1", "v1", "1234567890"})
        EXPECT_FALSE(VersionNumber::parse(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(v("0.10.3").toString(), QStringLiteral("0.10.3"));
}

TEST(AppcastFeed, NewestItemAboveTheRunningVersion) {
    const AppcastFeed parsed = AppcastFeed::parse(
        feed(item("0.3.0", enclosure("https://verdolin.korvane.com/verdolin_0.3.0_amd64.deb"),
                  "<sparkle:shortVersionString>0.3</sparkle:shortVersionString>"
                  "<sparkle:releaseNotesLink>notes/0.3.html</sparkle:releaseNotesLink>")
             + item("0.10.0", enclosure("pool/verdolin_0.10.0_amd64.deb"),
                    "<link>https://verdolin.korvane.com/news</link>")
             + item("0.2.0", enclosure("https://verdolin.korvane.com/old.deb"))),
        base);
    ASSERT_TRUE(parsed.error.isEmpty()) << parsed.error.toStdString();
    ASSERT_EQ(parsed.items.size(), 3);
    EXPECT_EQ(parsed.items[0].displayVersion, QStringLiteral("0.3"));
    EXPECT_EQ(parsed.items[0].releaseNotes,
              QUrl(QStringLiteral("https://verdolin.korvane.com/notes/0.3.html")));
    EXPECT_EQ(parsed.items[0].length, 1234);
    EXPECT_EQ(parsed.items[0].signature, QByteArray("c2ln"));

    const std::optional<AppcastItem> newest = parsed.newestAbove(v("0.1.0"));
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->version, v("0.10.0"));
    EXPECT_EQ(newest->url,
              QUrl(QStringLiteral("https://verdolin.korvane.com/pool/verdolin_0.10.0_amd64.deb")));
    EXPECT_EQ(newest->releaseNotes, QUrl(QStringLiteral("https://verdolin.korvane.com/news")));
    EXPECT_FALSE(parsed.newestAbove(v("0.10")));
    EXPECT_FALSE(parsed.newestAbove(v("1.0")));
}

TEST(AppcastFeed, ItemsThatCannotBeInstalledAreLeftOut) {
    // clang-format off
    const std::pair<const char*, QByteArray> cases[] = {
        {"plain http to another host", item("1.0", enclosure("http://example.org/v.deb"))},
        {"no signature", item("1.0", enclosure("https://example.org/v.deb", "10", ""))},
        {"no length", item("1.0", enclosure("https://example.org/v.deb", ""))},
        {"negative length", item("1.0", enclosure("https://example.org/v.deb", "-5"))},
        {"not a version", item("1.0b", enclosure("https://example.org/v.deb"))},
        {"no enclosure", item("1.0", "")},
        {"a file address", item("1.0", enclosure("file:///etc/passwd"))}};
    // clang-format on
    for (const auto& [why, bad] : cases) {
        const AppcastFeed parsed = AppcastFeed::parse(feed(bad), base);
        EXPECT_TRUE(parsed.error.isEmpty() && parsed.items.isEmpty()) << why;
    }
    // Loopback may be plain http; older feeds put the version on the enclosure.
    const AppcastFeed loopback =
        AppcastFeed::parse(feed("<item><enclosure url=\"http://127.0.0.1:8080/v.deb\" length=\"3\" "
                                "sparkle:version=\"2.1\" sparkle:edSignature=\"c2ln\"/></item>"),
                           base);
    ASSERT_EQ(loopback.items.size(), 1);
    EXPECT_EQ(loopback.items[0].version, v("2.1"));
}

TEST(AppcastFeed, UnreadableFeedsSayWhy) {
    for (const QByteArray& bad :
         {QByteArray(), QByteArray("<html><body>502</body></html>"),
          QByteArray("<rss><channel><item>"),
          feed(item("1.0", enclosure("https://a.b/c.deb"))).replace("</channel>", "</chanel>"),
          QByteArray("<rss version=\"2.0\"></rss>")}) {
        const AppcastFeed parsed = AppcastFeed::parse(bad, base);
        EXPECT_TRUE(!parsed.error.isEmpty() && parsed.items.isEmpty()) << bad.constData();
    }
    const AppcastFeed empty = AppcastFeed::parse(feed({}), base);
    EXPECT_TRUE(empty.error.isEmpty());
    EXPECT_TRUE(empty.items.isEmpty());
}
