#pragma once

#include "app/languages/PrepareResult.h"
#include "platform/linux/packages/LanguagePackage.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QStringList>

// The system's package manager as far as language pairs are concerned.
class PackageCatalog {
public:
    struct Listing {
        QList<LanguagePackage> packages;
        // Why the listing may be incomplete ("not available, or the lists need refreshing"),
        // empty when it is not.
        QString note;
    };

    PackageCatalog() = default;
    virtual ~PackageCatalog() = default;
    PackageCatalog(const PackageCatalog&) = delete;
    PackageCatalog& operator=(const PackageCatalog&) = delete;

    // Every Apertium pair package the system knows, installed or not. Never fails: an
    // unreachable package manager gives an empty listing with a note.
    virtual QFuture<Listing> packages() = 0;

    // Installs the packages in one transaction, with the desktop's own authentication prompt;
    // progress (0-100) through the future's progress value where known.
    virtual QFuture<PrepareResult> install(const QStringList& packages) = 0;
    QFuture<PrepareResult> install(const QString& package) { return install(QStringList{package}); }
};
