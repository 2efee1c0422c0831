#include "platform/linux/packages/AptCatalog.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QProcess>
#include <QPromise>
#include <QStandardPaths>
#include <QThreadPool>

#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(lcApt, "verdolin.packages.apt")

const QString incompleteNote = QStringLiteral("not available, or the lists need refreshing");

QList<QByteArray> lines(const QByteArray& output) {
    QList<QByteArray> result = output.split('\n');
    for (QByteArray& line : result) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    return result;
}

} // namespace

AptCatalog::AptCatalog(CommandRunner runner)
    : m_runner(std::move(runner)) {}

QFuture<PackageCatalog::Listing> AptCatalog::packages() {
    auto promise = std::make_shared<QPromise<Listing>>();
    QFuture<Listing> future = promise->future();
    promise->start();
    // The runner is copied so that the work does not depend on this catalog's lifetime.
    QThreadPool::globalInstance()->start([promise, runner = m_runner] {
        promise->addResult(AptCatalog(runner).listing());
        promise->finish();
    });
    return future;
}

QFuture<PrepareResult> AptCatalog::install(const QStringList& packages) {
    QPromise<PrepareResult> promise;
    promise.start();
    promise.addResult(manualInstall(packages));
    promise.finish();
    return promise.future();
}

PackageCatalog::Listing AptCatalog::listing() const {
    const std::optional<QByteArray> search = m_runner(
        QStringLiteral("apt-cache"),
        {QStringLiteral("search"), QStringLiteral("--names-only"), QStringLiteral("^apertium-")});
    if (!search) {
        qCWarning(lcApt) << "apt-cache could not be run";
    }

    QList<ApertiumPackages::Found> found =
        search ? parseSearch(*search) : QList<ApertiumPackages::Found>{};
    const QSet<QString> installed = queryInstalled(m_runner, {QStringLiteral("apertium-*")});

    QStringList notInstalled;
    for (ApertiumPackages::Found& item : found) {
        item.installed = installed.contains(item.name);
        if (!item.installed && ApertiumPackages::fromName(item.name)) {
            notInstalled << item.name;
        }
    }
    // A name apt lists may still have nothing it could install (pinned away, stale cache).
    if (!notInstalled.isEmpty()) {
        const QSet<QString> candidates = queryCandidates(m_runner, notInstalled);
        found.removeIf([&](const ApertiumPackages::Found& item) {
            return !item.installed && !candidates.contains(item.name);
        });
    }

    Listing result;
    result.packages = ApertiumPackages::collect(found);
    const bool anyToInstall = std::any_of(result.packages.cbegin(), result.packages.cend(),
                                          [](const LanguagePackage& p) { return !p.installed; });
    if (!anyToInstall) {
        result.note = incompleteNote;
    }
    return result;
}

bool AptCatalog::available() {
    return !QStandardPaths::findExecutable(QStringLiteral("apt-cache")).isEmpty()
           && !QStandardPaths::findExecutable(QStringLiteral("dpkg-query")).isEmpty();
}

QList<ApertiumPackages::Found> AptCatalog::parseSearch(const QByteArray& output) {
    QList<ApertiumPackages::Found> found;
    for (const QByteArray& line : lines(output)) {
        const qsizetype separator = line.indexOf(" - ");
        const QByteArray name = (separator < 0 ? line : line.left(separator)).trimmed();
        if (name.isEmpty() || name.contains(' ')) {
            continue;
        }
        const QByteArray summary = separator < 0 ? QByteArray() : line.mid(separator + 3);
        found.append({QString::fromUtf8(name), QString::fromUtf8(summary).trimmed(), false});
    }
    return found;
}

QSet<QString> AptCatalog::parseInstalled(const QByteArray& output) {
    QSet<QString> installed;
    for (const QByteArray& line : lines(output)) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 2) {
            continue;
        }
        // The second letter of the abbreviated status is the current state; 'i' is installed,
        // 't' and 'W' are installed with triggers still to run.
        const QByteArray status = fields.at(1);
        if (status.size() >= 2 && QByteArrayView("itW").contains(status.at(1))) {
            installed.insert(QString::fromUtf8(fields.at(0).trimmed()));
        }
    }
    return installed;
}

QSet<QString> AptCatalog::parseCandidates(const QByteArray& output) {
    QSet<QString> candidates;
    QString current;
    for (const QByteArray& line : lines(output)) {
        if (!line.isEmpty() && line.at(0) != ' ' && line.endsWith(':')) {
            current = QString::fromUtf8(line.chopped(1));
            continue;
        }
        const QByteArray trimmed = line.trimmed();
        if (!current.isEmpty() && trimmed.startsWith("Candidate:")) {
            const QByteArray version = trimmed.mid(int(sizeof("Candidate:") - 1)).trimmed();
            if (!version.isEmpty() && version != "(none)") {
                candidates.insert(current);
            }
        }
    }
    return candidates;
}

QSet<QString> AptCatalog::queryInstalled(const CommandRunner& runner, const QStringList& patterns) {
    // dpkg-query fails when nothing matches, which simply means nothing is installed.
    const std::optional<QByteArray> output = runner(
        QStringLiteral("dpkg-query"),
        QStringList{QStringLiteral("-W"), QStringLiteral("-f=${Package}\\t${db:Status-Abbrev}\\n")}
            + patterns);
    return output ? parseInstalled(*output) : QSet<QString>{};
}

QSet<QString> AptCatalog::queryCandidates(const CommandRunner& runner, const QStringList& names) {
    const std::optional<QByteArray> output =
        runner(QStringLiteral("apt-cache"), QStringList{QStringLiteral("policy")} + names);
    return output ? parseCandidates(*output) : QSet<QString>{};
}

PrepareResult AptCatalog::manualInstall(const QStringList& packages) {
    PrepareResult result;
    if (packages.isEmpty()
        || !std::all_of(packages.cbegin(), packages.cend(), &ApertiumPackages::isPackageName)) {
        result.outcome = PrepareResult::Outcome::failed;
        result.message = QCoreApplication::translate(
            "AptCatalog", "There is no package to install for this pair.");
        return result;
    }
    result.outcome = PrepareResult::Outcome::manual;
    result.command = QStringLiteral("sudo apt install ") + packages.join(u' ');
    result.message =
        QCoreApplication::translate("AptCatalog", "To install the language data, run: ")
        + result.command;
    return result;
}

std::optional<QByteArray> AptCatalog::runProgram(const QString& program,
                                                 const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The parsers read apt's English labels.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(60'000)
        || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished(1000);
        qCWarning(lcApt) << program << "did not run to the end";
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}
