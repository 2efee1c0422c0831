#pragma once

#include "platform/linux/packages/ApertiumPackages.h"
#include "platform/linux/packages/PackageCatalog.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>

// Pair packages from apt's cache and dpkg's database. Installing needs root, so install()
// only names the command the user can run.
class AptCatalog final : public PackageCatalog {
public:
    // Runs a program and gives its standard output, or nothing when it cannot be started or
    // crashes. Tests replace it with recorded outputs.
    using CommandRunner = std::function<std::optional<QByteArray>(const QString& program,
                                                                  const QStringList& arguments)>;

    explicit AptCatalog(CommandRunner runner = runProgram);

    QFuture<Listing> packages() override;
    using PackageCatalog::install;
    QFuture<PrepareResult> install(const QStringList& packages) override;

    // The whole listing, on the calling thread.
    Listing listing() const;

    // Whether apt and dpkg are there to ask.
    static bool available();

    // `apt-cache search` lines "name - summary".
    static QList<ApertiumPackages::Found> parseSearch(const QByteArray& output);
    // `dpkg-query -W -f '${Package}\t${db:Status-Abbrev}\n'`: the names that are installed.
    static QSet<QString> parseInstalled(const QByteArray& output);
    // `apt-cache policy NAME…` in the C locale: the names apt could install.
    static QSet<QString> parseCandidates(const QByteArray& output);

    // The packages matching `patterns` that dpkg has installed; none when it cannot be asked.
    static QSet<QString> queryInstalled(const CommandRunner& runner, const QStringList& patterns);
    // Of `names`, those apt could install; none when it cannot be asked.
    static QSet<QString> queryCandidates(const CommandRunner& runner, const QStringList& names);

    static PrepareResult manualInstall(const QStringList& packages);

    static std::optional<QByteArray> runProgram(const QString& program,
                                                const QStringList& arguments);

private:
    CommandRunner m_runner;
};
