#include "platform/linux/packages/CachedPackageCatalog.h"

#include "core/SharedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>

#include <sys/stat.h>

namespace {

Q_LOGGING_CATEGORY(lcCache, "verdolin.packages.cache")

constexpr int kFormat = 1;

QString modified(const char* path) {
    struct stat info {};
    if (::stat(path, &info) != 0)
        return QStringLiteral("-");
    return QStringLiteral("%1.%2").arg(info.st_mtim.tv_sec).arg(info.st_mtim.tv_nsec);
}

} // namespace

CachedPackageCatalog::CachedPackageCatalog(Options options)
    : m_options(std::move(options)) {}

QString CachedPackageCatalog::defaultFile() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/verdolin/packages.json");
}

QString CachedPackageCatalog::systemStamp() {
    // apt replaces list files by renaming, which changes the folder's time as well.
    return QStringLiteral("lists %1 pkgcache %2 status %3")
        .arg(modified("/var/lib/apt/lists"), modified("/var/cache/apt/pkgcache.bin"),
             modified("/var/lib/dpkg/status"));
}

QByteArray CachedPackageCatalog::encode(const QString& stamp, const Listing& listing) {
    QJsonArray packages;
    for (const LanguagePackage& package : listing.packages) {
        packages.append(QJsonObject{{QStringLiteral("name"), package.name},
                                    {QStringLiteral("first"), package.firstCode},
                                    {QStringLiteral("second"), package.secondCode},
                                    {QStringLiteral("installed"), package.installed}});
    }
    const QJsonObject root{{QStringLiteral("format"), kFormat},
                           {QStringLiteral("stamp"), stamp},
                           {QStringLiteral("note"), listing.note},
                           {QStringLiteral("packages"), packages}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<PackageCatalog::Listing> CachedPackageCatalog::decode(const QByteArray& data,
                                                                    const QString& stamp) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("format")).toInt() != kFormat
        || root.value(QStringLiteral("stamp")).toString() != stamp
        || !root.value(QStringLiteral("note")).isString()
        || !root.value(QStringLiteral("packages")).isArray())
        return std::nullopt;
    Listing listing;
    listing.note = root.value(QStringLiteral("note")).toString();
    for (const QJsonValue& value : root.value(QStringLiteral("packages")).toArray()) {
        const QJsonObject object = value.toObject();
        const QJsonValue name = object.value(QStringLiteral("name"));
        const QJsonValue first = object.value(QStringLiteral("first"));
        const QJsonValue second = object.value(QStringLiteral("second"));
        const QJsonValue installed = object.value(QStringLiteral("installed"));
        if (!name.isString() || !first.isString() || !second.isString() || !installed.isBool())
            return std::nullopt;
        listing.packages.append(
            {name.toString(), first.toString(), second.toString(), installed.toBool()});
    }
    return listing;
}

std::optional<PackageCatalog::Listing> CachedPackageCatalog::readCache(const QString& stamp) const {
    if (m_options.file.isEmpty())
        return std::nullopt;
    // Only a regular file: a FIFO or a device in its place must not block or flood us.
    const SharedFile::Contents contents = SharedFile(m_options.file).read();
    if (contents.status != SharedFile::Status::Read)
        return std::nullopt;
    return decode(contents.data, stamp);
}

std::shared_ptr<PackageCatalog> CachedPackageCatalog::inner() {
    const std::lock_guard lock(m_mutex);
    if (!m_inner)
        m_inner = m_options.make();
    return m_inner;
}

QFuture<PackageCatalog::Listing> CachedPackageCatalog::packages() {
    const QString stamp = m_options.stamp();
    if (std::optional<Listing> cached = readCache(stamp))
        return QtFuture::makeReadyFuture(std::move(*cached));
    qCDebug(lcCache) << "asking the package manager";
    return inner()->packages().then([file = m_options.file, stamp](const Listing& listing) {
        if (file.isEmpty())
            return listing;
        QDir().mkpath(QFileInfo(file).absolutePath());
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(encode(stamp, listing)) < 0
            || !out.commit())
            qCInfo(lcCache) << "cannot remember the package listing in" << file;
        return listing;
    });
}

QFuture<PrepareResult> CachedPackageCatalog::install(const QStringList& packages) {
    if (!m_options.file.isEmpty())
        QFile::remove(m_options.file);
    return inner()->install(packages);
}
