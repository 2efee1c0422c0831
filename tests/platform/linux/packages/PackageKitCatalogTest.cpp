#include "platform/linux/packages/PackageKitCatalog.h"

#include "app/languages/LanguageService.h"
#include "app/shell/PairDownload.h"
#include "platform/linux/apertium/ApertiumEngine.h"
#include "platform/linux/packages/AptCatalog.h"
#include "platform/linux/packages/EmptyPackageCatalog.h"
#include "platform/linux/packages/PackageKitFileInstaller.h"
#include "platform/linux/packages/SystemPackageCatalog.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using Outcome = PrepareResult::Outcome;

TEST(PackageKitCatalogTest, ReadsPackageIdsAndTurnsTheEndIntoAReadableResult) {
    for (const auto& [id, name] : QList<std::pair<const char*, std::optional<QString>>>{
             {"apertium-eo-en;1.0.2-1;all;debian-oldstable-main", "apertium-eo-en"},
             {"cg3;1.3.9-1+b2;amd64;", "cg3"},
             {"apertium-eo-en", {}},
             {";1.0;all;x", {}},
             {"a;b;c;d;e", {}}})
        EXPECT_EQ(PackageKitCatalog::nameFromId(id), name) << id;
    // clang-format off
    const struct { uint exit; std::optional<uint> error; Outcome outcome; const char* messagePart;
        const char* failure = nullptr; } ends[] = {
        {1, {}, Outcome::installed, ""},
        {3, {}, Outcome::cancelled, "apertium-eo-en was cancelled"},
        {2, 17, Outcome::cancelled, "cancelled"},
        {2, 48, Outcome::failed, "Installing apertium-eo-en was not allowed"},
        {2, 9, Outcome::installed, ""}, {2, 41, Outcome::installed, ""},
        {2, 2, Outcome::failed, "could not be downloaded"},
        {2, 10, Outcome::failed, "could not be downloaded"},
        {2, 8, Outcome::failed, "lists need refreshing"},
        {2, 26, Outcome::failed, "Another program is installing"},
        {2, 46, Outcome::failed, "disk space"},
        // Anything else passes PackageKit's own explanation on.
        {2, 16, Outcome::failed, "Installing apertium-eo-en failed: E: internal detail 42"},
        {2, {}, Outcome::failed, "Installing apertium-eo-en failed."},
        {0, {}, Outcome::failed, "The service does not answer.", "The service does not answer."}};
    // clang-format on
    for (const auto& c : ends) {
        const PrepareResult result =
            PackageKitCatalog::installResult("apertium-eo-en", c.exit, c.error,
                                             "E: internal detail 42", QString::fromUtf8(c.failure));
        SCOPED_TRACE(testing::Message() << c.exit << "/" << c.error.value_or(0) << ": "
                                        << result.message.toStdString());
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.message.isEmpty(), *c.messagePart == '\0');
        EXPECT_TRUE(result.message.contains(QString::fromUtf8(c.messagePart)));
    }
}

TEST(SystemPackageCatalogTest, WithoutABusFallsBackToAptThenToNothing) {
    const QDBusConnection noBus =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "nobus");
    ASSERT_FALSE(noBus.isConnected());
    const auto apt = SystemPackageCatalog::create(noBus, true);
    EXPECT_NE(dynamic_cast<AptCatalog*>(apt.get()), nullptr);

    const auto none = SystemPackageCatalog::create(noBus, false);
    EXPECT_NE(dynamic_cast<EmptyPackageCatalog*>(none.get()), nullptr);

    // PackageKit itself on that bus still ends every future with a result.
    {
        PackageKitCatalog catalog(noBus);
        const PackageCatalog::Listing listing = catalog.packages().result();
        EXPECT_TRUE(listing.packages.isEmpty());
        EXPECT_FALSE(listing.note.isEmpty());
        const PrepareResult failed = catalog.install("apertium-eo-en").result();
        EXPECT_EQ(failed.outcome, Outcome::failed);
        EXPECT_FALSE(failed.message.isEmpty());
    }
    QDBusConnection::disconnectFromBus("nobus");
}

// ---- The real PackageKit and polkit on a private system bus ----

// Romanian to Italian has no pair of its own: both legs through Spanish come in one transaction.
const QStringList pairPackages = {"apertium-es-ro", "apertium-spa-ita"};
constexpr auto refusalBusVariable = "VERDOLIN_PACKAGEKIT_REFUSAL_BUS";

// What a command printed, run in a UTF-8 C locale after any NAME=VALUE it starts with.
QByteArray output(const QStringList& command) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start("env", QStringList{"LC_ALL=C.UTF-8"} + command);
    process.waitForFinished(10 * 60 * 1000);
    return process.readAll();
}

bool isInstalled(const QString& package) {
    return output({"dpkg-query", "-W", "-f=${db:Status-Abbrev}", package}).startsWith("ii");
}

// What installing `packages` would add, so that exactly that is removed again.
QStringList packagesAnInstallAdds(const QStringList& packages) {
    static const QRegularExpression inst("^Inst (\\S+)", QRegularExpression::MultilineOption);
    QStringList added;
    for (const auto& match :
         inst.globalMatch(output(QStringList{"apt-get", "-s", "install"} + packages)))
        added << match.captured(1);
    return added;
}

// A bus of its own with the system bus's policies, starting PackageKit and polkit as root.
class PrivateSystemBus {
public:
    PrivateSystemBus() {
        // Clients running as another user must reach the socket.
        QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFileDevice::ExeOther
                                                | QFileDevice::ExeGroup);
        m_address = "unix:path=" + m_dir.filePath("socket");
        QDir(m_dir.path()).mkdir("services");
        // PackageKit keeps the environment to find polkit on this bus.
        writeService("org.freedesktop.PackageKit", "/usr/libexec/packagekitd --keep-environment");
        writeService("org.freedesktop.PolicyKit1", "/usr/lib/polkit-1/polkitd --no-debug");
        QFile original("/usr/share/dbus-1/system.conf");
        QFile config(m_dir.filePath("system.conf"));
        if (!original.open(QIODevice::ReadOnly) || !config.open(QIODevice::WriteOnly))
            return;
        // Own socket and services; no user switch, fork, syslog or setuid helper.
        QString text = QString::fromUtf8(original.readAll());
        text.remove(
            QRegularExpression("<(user|pidfile|servicehelper)>[^<]*</\\1>|<fork/>|<syslog/>"));
        text.replace(QRegularExpression("<listen>[^<]*</listen>"),
                     "<listen>" + m_address + "</listen>");
        text.replace("<standard_system_servicedirs/>",
                     "<servicedir>" + m_dir.filePath("services") + "</servicedir>");
        text.replace("<includedir>system.d</includedir>",
                     "<includedir>/usr/share/dbus-1/system.d</includedir>");
        config.write(text.toUtf8());
        config.close();

        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The services it starts find it through the environment. It prints its address once
        // it listens.
        m_daemon.start("env",
                       {"DBUS_SYSTEM_BUS_ADDRESS=" + m_address, "dbus-daemon",
                        "--config-file=" + config.fileName(), "--nofork", "--print-address"});
        if (m_daemon.waitForReadyRead(5000))
            m_bus = QDBusConnection::connectToBus(m_address, "private-system-bus");
    }

    ~PrivateSystemBus() {
        // The services would outlive the bus: end them, and wait, so that apt's lock is free.
        for (const char* name : {"org.freedesktop.PackageKit", "org.freedesktop.PolicyKit1"}) {
            const uint pid = m_bus.isConnected() ? m_bus.interface()->servicePid(name).value() : 0;
            const int pidfd = pid > 1 ? static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)) : -1;
            pollfd ended{pidfd, POLLIN, 0};
            if (pidfd >= 0 && ::kill(pid_t(pid), SIGTERM) == 0)
                ::poll(&ended, 1, 5000);
            if (pidfd >= 0)
                ::close(pidfd);
        }
        QDBusConnection::disconnectFromBus("private-system-bus");
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }

    const QString& address() const { return m_address; }
    const QDBusConnection& bus() const { return m_bus; }

private:
    void writeService(const QString& name, const QString& exec) {
        QFile file(m_dir.filePath("services/" + name + ".service"));
        if (file.open(QIODevice::WriteOnly))
            file.write(
                QString("[D-BUS Service]\nName=%1\nExec=%2\nUser=root\n").arg(name, exec).toUtf8());
    }

    QTemporaryDir m_dir;
    QString m_address;
    QProcess m_daemon;
    QDBusConnection m_bus{QString()};
};

// Downloads the chain of `pairPackages` as the settings and onboarding screens do: the engine's
// prepare through a PairDownload, over PackageKit on `bus`. What the screen would show.
struct ShownDownload {
    bool installed = false;
    int progress = -1;
    QString message;
};

ShownDownload downloadAsTheScreensDo(const QDBusConnection& bus) {
    ApertiumEngine::Options options;
    options.catalog = std::make_shared<PackageKitCatalog>(bus);
    ApertiumEngine engine(options);
    LanguageService languages(engine, {});
    const QDeadlineTimer limit(10 * 60 * 1000);
    const auto await = [&limit](const auto& future) {
        while (!future.isFinished() && !limit.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    };
    await(languages.load());
    const QFuture<std::optional<ResolvedPair>> resolved = languages.resolvePair("ro", "it");
    await(resolved);
    ShownDownload shown;
    const std::optional<ResolvedPair> pair =
        resolved.resultCount() > 0 ? resolved.result() : std::nullopt;
    if (!pair) {
        shown.message = "the pair ro-it is not offered";
        return shown;
    }
    PairDownload download(engine);
    QObject::connect(&download, &PairDownload::finished,
                     [&shown](bool installed) { shown.installed = installed; });
    QObject::connect(&download, &PairDownload::changed, [&shown, &download] {
        shown.progress = std::max(shown.progress, download.progress());
    });
    download.start(DownloadRequest{pair->source, pair->target});
    while (download.running() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    shown.message = download.message();
    return shown;
}

// Run by the refusal case as user nobody, in a process of its own.
TEST(PackageKitRefusalHelper, InstallsAsTheCallingUser) {
    const QByteArray address = qgetenv(refusalBusVariable);
    if (address.isEmpty())
        GTEST_SKIP() << "only runs inside PackageKitOnPrivateBusTest";
    const ShownDownload shown =
        downloadAsTheScreensDo(QDBusConnection::connectToBus(QString::fromUtf8(address), "helper"));
    std::cout << "installed " << shown.installed << ": " << shown.message.toStdString() << '\n';
}

TEST(PackageKitOnPrivateBusTest, RefusesOtherUsersAndInstallsForRoot) {
    if (::geteuid() != 0 || !QFile::exists("/usr/libexec/packagekitd"))
        GTEST_SKIP() << "needs root and PackageKit to run its own system bus";
    // Never one that is installed already: the test removes what it installed.
    const QStringList added = packagesAnInstallAdds(pairPackages);
    if (!std::ranges::all_of(pairPackages,
                             [&added](const QString& p) { return added.contains(p); }))
        GTEST_SKIP() << "the pair packages are installed or not in the apt lists";
    PrivateSystemBus privateBus;
    // Long enough for the bus to start PackageKit, which the catalog's choice does not wait for.
    ASSERT_TRUE(PackageKitCatalog::answers(privateBus.bus(), 10'000));

    const QByteArray refused = output(
        {QString(refusalBusVariable) + '=' + privateBus.address(), "HOME=/nonexistent", "setpriv",
         "--reuid=65534", "--regid=65534", "--clear-groups",
         QCoreApplication::applicationFilePath(), "--gtest_filter=PackageKitRefusalHelper.*"});
    EXPECT_TRUE(refused.contains("installed 0: Installing " + pairPackages.join(", ").toUtf8()
                                 + " was not allowed"))
        << refused.toStdString();

    {
        // Leaves the machine as it was, whatever happens below.
        const auto purge = qScopeGuard([&added] {
            output(QStringList{"DEBIAN_FRONTEND=noninteractive", "apt-get", "-y", "purge"} + added);
        });
        const ShownDownload shown = downloadAsTheScreensDo(privateBus.bus());
        if (shown.message.contains("could not be downloaded"))
            GTEST_SKIP() << "the package archive cannot be reached: "
                         << shown.message.toStdString();
        EXPECT_TRUE(shown.installed) << shown.message.toStdString();
        EXPECT_EQ(shown.message, QString());
        EXPECT_TRUE(std::ranges::all_of(pairPackages, isInstalled));
        EXPECT_GT(shown.progress, 0);
        PackageKitCatalog catalog(privateBus.bus());
        const QList<LanguagePackage> listed = catalog.packages().result().packages;
        EXPECT_EQ(std::ranges::count_if(listed,
                                        [](const LanguagePackage& package) {
                                            return pairPackages.contains(package.name)
                                                   && package.installed;
                                        }),
                  pairPackages.size());
    }
    EXPECT_FALSE(std::ranges::any_of(pairPackages, isInstalled));
}

TEST(PackageKitOnPrivateBusTest, InstallsAPackageFileAsUpdatesDo) {
    if (::geteuid() != 0 || !QFile::exists("/usr/libexec/packagekitd"))
        GTEST_SKIP() << "needs root and PackageKit to run its own system bus";
    const QString probe = "verdolin-install-files-probe";
    ASSERT_FALSE(isInstalled(probe));
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("root/DEBIAN");
    QFile control(dir.filePath("root/DEBIAN/control"));
    ASSERT_TRUE(control.open(QIODevice::WriteOnly));
    control.write("Package: verdolin-install-files-probe\nVersion: 1.0\nArchitecture: all\n"
                  "Maintainer: Verdolin developers <verdolin@korvane.com>\n"
                  "Description: installed and removed by a test\n");
    control.close();
    const QString deb = dir.filePath("probe_1.0_all.deb");
    output({"dpkg-deb", "--build", "--root-owner-group", dir.filePath("root"), deb});
    ASSERT_TRUE(QFile::exists(deb));

    PrivateSystemBus privateBus;
    ASSERT_TRUE(PackageKitCatalog::answers(privateBus.bus(), 10'000));
    const auto purge = qScopeGuard([&probe] { output({"dpkg", "--purge", probe}); });
    PackageKitFileInstaller installer(privateBus.bus());
    const QFuture<PrepareResult> done = installer.installFile(deb);
    const QDeadlineTimer limit(60'000);
    while (!done.isFinished() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    ASSERT_TRUE(done.isFinished());
    EXPECT_EQ(done.result().outcome, PrepareResult::Outcome::installed)
        << done.result().message.toStdString();
    EXPECT_TRUE(isInstalled(probe));
}

} // namespace

// QtDBus needs an application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
