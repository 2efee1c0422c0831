#pragma once

#include "app/dictionary/DictionaryPackages.h"
#include "platform/linux/packages/AptCatalog.h"
#include "platform/linux/packages/PackageCatalog.h"

#include <functional>
#include <memory>

// Dictionary packages as apt and dpkg know them, installed through the system's package
// catalog: PackageKit with the desktop's prompt, or the command to run by hand.
class DebianDictionaryPackages final : public DictionaryPackages {
public:
    struct Options {
        // The catalog that installs; asked for on the first installation only, as making it
        // may wait for PackageKit.
        std::function<std::shared_ptr<PackageCatalog>()> catalog;
        AptCatalog::CommandRunner runner = AptCatalog::runProgram;
        // Called, on any thread, once a package has been installed.
        std::function<void()> installed;
    };

    explicit DebianDictionaryPackages(Options options);

    QFuture<QList<DictionaryPackage>>
    offered(const QString& myLanguage, const QString& secondLanguage,
            const DictionaryPackageNames::LanguageName& languageName) override;
    QFuture<PrepareResult> install(const QString& package) override;

    // Of `candidates`, those dpkg has installed (so marked) or apt could install, in their
    // order; on the calling thread.
    static QList<DictionaryPackage> available(QList<DictionaryPackage> candidates,
                                              const AptCatalog::CommandRunner& runner);

private:
    Options m_options;
};
