// The update feed, as the update server, or anything on the way to it, sends it.
#include "core/AppcastFeed.h"
#include "tests/fuzz/FuzzTarget.h"

VERDOLIN_FUZZ_TARGET(AppcastFeed) {
    const AppcastFeed feed = AppcastFeed::parse(
        input.toByteArray(), QUrl(QStringLiteral("https://verdolin.korvane.com/appcast.xml")));
    FUZZ_CHECK(feed.error.isEmpty() || feed.items.isEmpty());
    for (const AppcastItem& item : feed.items) {
        // Only what could be installed: a safe address, a length, a signature.
        FUZZ_CHECK(AppcastFeed::acceptableAddress(item.url));
        FUZZ_CHECK(item.length > 0 && !item.signature.isEmpty());
        // The version names the downloaded file: digits and dots only.
        const QString version = item.version.toString();
        FUZZ_CHECK(VersionNumber::parse(version) == item.version);
        FUZZ_CHECK(!version.contains(u'/'));
    }
    const VersionNumber running{{0, 1, 0}};
    if (const std::optional<AppcastItem> newest = feed.newestAbove(running))
        FUZZ_CHECK(newest->version > running);
}
