#pragma once

#include "core/VersionNumber.h"

#include <QString>
#include <QUrl>

// One release in the update feed, with the package that installs it.
struct AppcastItem {
    // sparkle:version: the package's version, compared with the running one.
    VersionNumber version;
    // sparkle:shortVersionString, else the version as written: what the user is shown.
    QString displayVersion;
    QString title;
    // sparkle:releaseNotesLink, else the item's link; empty when neither is a web address.
    QUrl releaseNotes;
    // The enclosure.
    QUrl url;
    qint64 length = 0;
    QString type;
    // sparkle:edSignature: Ed25519 over the whole file, base64.
    QByteArray signature;

    bool operator==(const AppcastItem&) const = default;
};
