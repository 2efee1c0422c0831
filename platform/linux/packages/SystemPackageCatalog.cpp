#include "platform/linux/packages/SystemPackageCatalog.h"

#include "platform/linux/packages/AptCatalog.h"
#include "platform/linux/packages/EmptyPackageCatalog.h"
#include "platform/linux/packages/PackageKitCatalog.h"

#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcCatalog, "verdolin.packages")

} // namespace

namespace SystemPackageCatalog {

std::shared_ptr<PackageCatalog> create() {
    return create(QDBusConnection::systemBus(), AptCatalog::available());
}

std::shared_ptr<PackageCatalog> create(const QDBusConnection& systemBus, bool aptAvailable) {
    if (PackageKitCatalog::answers(systemBus, answerTimeoutMs)) {
        qCDebug(lcCatalog) << "language packages through PackageKit";
        return std::make_shared<PackageKitCatalog>(systemBus);
    }
    if (aptAvailable) {
        qCDebug(lcCatalog) << "language packages through apt";
        return std::make_shared<AptCatalog>();
    }
    qCInfo(lcCatalog) << "no package manager to install language packages with";
    return std::make_shared<EmptyPackageCatalog>();
}

} // namespace SystemPackageCatalog
