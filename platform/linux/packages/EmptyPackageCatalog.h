#pragma once

#include "platform/linux/packages/PackageCatalog.h"

// The catalog of a system whose package manager this program cannot talk to: it lists nothing,
// and installing is left to the user.
class EmptyPackageCatalog final : public PackageCatalog {
public:
    QFuture<Listing> packages() override;
    using PackageCatalog::install;
    QFuture<PrepareResult> install(const QStringList& packages) override;
};
