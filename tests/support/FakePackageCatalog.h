#pragma once

#include "platform/linux/packages/PackageCatalog.h"

#include <QStringList>

// Answers with `listing` and `installFuture`, and records what it was asked.
class FakePackageCatalog final : public PackageCatalog {
public:
    QFuture<Listing> packages() override {
        ++listings;
        return QtFuture::makeReadyFuture(listing);
    }
    using PackageCatalog::install;
    QFuture<PrepareResult> install(const QStringList& packages) override {
        installed.append(packages.join(u' '));
        return installFuture;
    }

    Listing listing;
    int listings = 0;
    QStringList installed;
    QFuture<PrepareResult> installFuture =
        QtFuture::makeReadyFuture(PrepareResult{PrepareResult::Outcome::installed, {}, {}});
};
