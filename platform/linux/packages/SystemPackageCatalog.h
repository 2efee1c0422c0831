#pragma once

#include "platform/linux/packages/PackageCatalog.h"

#include <QDBusConnection>

#include <memory>

// Chooses how this system installs language pairs: PackageKit when it answers on the system
// bus, else apt on Debian-like systems, else a catalog that lists nothing.
namespace SystemPackageCatalog {

// How long PackageKit may take to answer (it may have to be started first).
constexpr int answerTimeoutMs = 2000;

std::shared_ptr<PackageCatalog> create();
std::shared_ptr<PackageCatalog> create(const QDBusConnection& systemBus, bool aptAvailable);

} // namespace SystemPackageCatalog
