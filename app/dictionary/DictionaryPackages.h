#pragma once

#include "app/dictionary/DictionaryPackage.h"
#include "app/dictionary/DictionaryPackageNames.h"
#include "app/languages/PrepareResult.h"
#include "core/ProcessWide.h"

#include <QFuture>
#include <QList>
#include <QString>

#include <memory>

// The dictionary packages the system's package manager offers for the user's languages, and
// installing them.
class DictionaryPackages : public ProcessWide<DictionaryPackages> {
public:
    DictionaryPackages() = default;
    virtual ~DictionaryPackages() = default;
    DictionaryPackages(const DictionaryPackages&) = delete;
    DictionaryPackages& operator=(const DictionaryPackages&) = delete;

    // shared() until one is installed: nothing offered, installing fails.
    static std::shared_ptr<DictionaryPackages> unavailable();

    // Of DictionaryPackageNames::candidates(), in its order, those the package manager has
    // installed or could install. Never fails: empty when the package manager cannot be
    // asked. `languageName` is called before this returns, on the calling thread.
    virtual QFuture<QList<DictionaryPackage>>
    offered(const QString& myLanguage, const QString& secondLanguage,
            const DictionaryPackageNames::LanguageName& languageName) = 0;

    // Installs one package, with the desktop's own authentication prompt; progress (0-100)
    // through the future's progress value where known.
    virtual QFuture<PrepareResult> install(const QString& package) = 0;
};
