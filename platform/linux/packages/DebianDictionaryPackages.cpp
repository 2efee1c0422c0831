#include "platform/linux/packages/DebianDictionaryPackages.h"

#include "platform/linux/packages/ApertiumPackages.h"

#include <QCoreApplication>
#include <QPromise>
#include <QThreadPool>

DebianDictionaryPackages::DebianDictionaryPackages(Options options)
    : m_options(std::move(options)) {}

QFuture<QList<DictionaryPackage>>
DebianDictionaryPackages::offered(const QString& myLanguage, const QString& secondLanguage,
                                  const DictionaryPackageNames::LanguageName& languageName) {
    QList<DictionaryPackage> candidates =
        DictionaryPackageNames::candidates(myLanguage, secondLanguage, languageName);
    if (candidates.isEmpty())
        return QtFuture::makeReadyFuture(candidates);
    auto promise = std::make_shared<QPromise<QList<DictionaryPackage>>>();
    QFuture<QList<DictionaryPackage>> future = promise->future();
    promise->start();
    // apt-cache takes a good part of a second; the runner is copied so that the work does not
    // depend on this object's lifetime.
    QThreadPool::globalInstance()->start(
        [promise, runner = m_options.runner, candidates = std::move(candidates)] {
            promise->addResult(available(candidates, runner));
            promise->finish();
        });
    return future;
}

QFuture<PrepareResult> DebianDictionaryPackages::install(const QString& package) {
    if (!ApertiumPackages::isPackageName(package)) {
        return QtFuture::makeReadyFuture(
            PrepareResult{PrepareResult::Outcome::failed,
                          QCoreApplication::translate("DebianDictionaryPackages",
                                                      "There is no such dictionary to install."),
                          {}});
    }
    const std::shared_ptr<PackageCatalog> catalog =
        m_options.catalog ? m_options.catalog() : nullptr;
    if (!catalog)
        return QtFuture::makeReadyFuture(AptCatalog::manualInstall({package}));
    QFuture<PrepareResult> future = catalog->install(package);
    // A side continuation, so that the caller keeps the installation's own progress.
    if (m_options.installed) {
        future.then([installed = m_options.installed](const QFuture<PrepareResult>& done) {
            if (done.resultCount() > 0
                && done.result().outcome == PrepareResult::Outcome::installed)
                installed();
        });
    }
    return future;
}

QList<DictionaryPackage>
DebianDictionaryPackages::available(QList<DictionaryPackage> candidates,
                                    const AptCatalog::CommandRunner& runner) {
    QStringList names;
    for (const DictionaryPackage& candidate : std::as_const(candidates))
        names.append(candidate.name);
    const QSet<QString> installed = AptCatalog::queryInstalled(runner, names);
    const QSet<QString> installable = AptCatalog::queryCandidates(runner, names);
    candidates.removeIf([&](const DictionaryPackage& candidate) {
        return !installed.contains(candidate.name) && !installable.contains(candidate.name);
    });
    for (DictionaryPackage& candidate : candidates)
        candidate.installed = installed.contains(candidate.name);
    return candidates;
}
