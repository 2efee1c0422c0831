#pragma once

#include "app/updates/UpdateController.h"

#include <QDateTime>
#include <QUrl>

#include <memory>

// The updater and its controller as the application makes them, on a test's services.
struct UpdaterLaunch {
    // Running version 0.1.0, the real feed's address, downloads in `folder`, and a wall clock
    // standing at 1 December 2026, 09:00 UTC; callers change what they need.
    static Updater::Services services(UpdateNetwork& network, const UpdateVerifier& verifier,
                                      UpdateInstaller& installer, DefaultsStore& store,
                                      std::shared_ptr<DelayClock> clock, const QString& folder) {
        return {.network = &network,
                .verifier = &verifier,
                .installer = &installer,
                .store = &store,
                .clock = std::move(clock),
                .now = [] { return QDateTime(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC); },
                .feed = QUrl(QStringLiteral("https://verdolin.korvane.com/appcast.xml")),
                .currentVersion = QStringLiteral("0.1.0"),
                .downloadFolder = folder};
    }

    UpdaterLaunch(Updater::Services services, AppSettings& settings, DefaultsStore& store)
        : updater(std::move(services))
        , controller(updater, settings, store) {}

    Updater updater;
    UpdateController controller;
};
