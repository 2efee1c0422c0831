#pragma once

#include "platform/linux/packages/PackageCatalog.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>

// The pair packages the system knows, remembered in a file between runs: asking apt or
// PackageKit takes about a second, and the answer only changes when apt's lists or dpkg's
// database do. The catalog that really asks is made on the first miss or install, so a warm
// run never starts a package manager nor looks for one on D-Bus.
class CachedPackageCatalog final : public PackageCatalog {
public:
    using Factory = std::function<std::shared_ptr<PackageCatalog>()>;
    // Identifies the state of the package databases; the cache holds while it is the same.
    using Stamp = std::function<QString()>;

    struct Options {
        Factory make;
        // The cache file; nothing is remembered when empty.
        QString file = defaultFile();
        Stamp stamp = systemStamp;
    };

    explicit CachedPackageCatalog(Options options);

    QFuture<Listing> packages() override;
    // Installing changes dpkg's database and so the stamp; the cache is dropped all the same.
    using PackageCatalog::install;
    QFuture<PrepareResult> install(const QStringList& packages) override;

    // $XDG_CACHE_HOME/verdolin/packages.json; empty when the system names no cache folder.
    static QString defaultFile();
    // The modification times of apt's lists, apt's package cache and dpkg's status file.
    static QString systemStamp();

    // The file's form; absent when it is damaged or from another version.
    static QByteArray encode(const QString& stamp, const Listing& listing);
    static std::optional<Listing> decode(const QByteArray& data, const QString& stamp);

private:
    std::shared_ptr<PackageCatalog> inner();
    std::optional<Listing> readCache(const QString& stamp) const;

    Options m_options;
    std::mutex m_mutex;
    std::shared_ptr<PackageCatalog> m_inner;
};
