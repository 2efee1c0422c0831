#include "platform/linux/packages/EmptyPackageCatalog.h"

#include "platform/linux/packages/ApertiumPackages.h"

#include <QCoreApplication>
#include <QPromise>

#include <algorithm>

namespace {

template <typename T>
QFuture<T> ready(const T& value) {
    QPromise<T> promise;
    promise.start();
    promise.addResult(value);
    promise.finish();
    return promise.future();
}

} // namespace

QFuture<PackageCatalog::Listing> EmptyPackageCatalog::packages() {
    return ready(Listing{{}, QStringLiteral("no package manager was found")});
}

QFuture<PrepareResult> EmptyPackageCatalog::install(const QStringList& packages) {
    PrepareResult result;
    if (packages.isEmpty()
        || !std::all_of(packages.cbegin(), packages.cend(), &ApertiumPackages::isPackageName)) {
        result.message = QCoreApplication::translate(
            "EmptyPackageCatalog", "There is no package to install for this pair.");
        return ready(result);
    }
    // Which command installs it depends on a package manager this program does not know.
    result.outcome = PrepareResult::Outcome::manual;
    result.message =
        (packages.size() == 1 ? QCoreApplication::translate(
             "EmptyPackageCatalog", "Install the package %1 with the system's package manager.")
                              : QCoreApplication::translate(
                                  "EmptyPackageCatalog",
                                  "Install the packages %1 with the system's package manager."))
            .arg(packages.join(QStringLiteral(", ")));
    return ready(result);
}
