#include "platform/linux/packages/PackageKitCatalog.h"

#include "platform/linux/packages/AptCatalog.h"
#include "platform/linux/packages/EmptyPackageCatalog.h"
#include "platform/linux/packages/SystemPackageCatalog.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>
#include <memory>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using Outcome = PrepareResult::Outcome;

// QtDBus needs an application object.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "PackageKitCatalogTest";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
};
[[maybe_unused]] const auto* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

TEST(PackageKitIdTest, NameIsTheFirstOfFourFields) {
    EXPECT_EQ(PackageKitCatalog::nameFromId("apertium-eo-en;1.0.2-1;all;debian-oldstable-main"),
              "apertium-eo-en");
    EXPECT_EQ(PackageKitCatalog::nameFromId("apertium-eng-spa;0.8.1-2;all;manual:debian-main"),
              "apertium-eng-spa");
    EXPECT_EQ(PackageKitCatalog::nameFromId("cg3;1.3.9-1+b2;amd64;"), "cg3");
    EXPECT_FALSE(PackageKitCatalog::nameFromId("apertium-eo-en").has_value());
    EXPECT_FALSE(PackageKitCatalog::nameFromId(";1.0;all;x").has_value());
    EXPECT_FALSE(PackageKitCatalog::nameFromId("a;b;c;d;e").has_value());
}

struct EndCase {
    uint exit;
    std::optional<uint> error;
    Outcome outcome;
    const char* messagePart; // nullptr: no message
};

class InstallResultTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(InstallResultTest, TurnsTheEndIntoAReadableResult) {
    const EndCase& c = GetParam();
    const PrepareResult result = PackageKitCatalog::installResult("apertium-eo-en", c.exit, c.error,
                                                                  "E: internal detail 42");
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_TRUE(result.command.isEmpty());
    if (c.messagePart == nullptr) {
        EXPECT_TRUE(result.message.isEmpty()) << result.message.toStdString();
    } else {
        EXPECT_TRUE(result.message.contains(QString::fromUtf8(c.messagePart)))
            << result.message.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    PackageKitCodes, InstallResultTest,
    ::testing::Values(
        EndCase{1, std::nullopt, Outcome::installed, nullptr},
        EndCase{3, std::nullopt, Outcome::cancelled, "apertium-eo-en was cancelled"},
        EndCase{2, 17, Outcome::cancelled, "cancelled"},
        EndCase{2, 48, Outcome::failed, "Installing apertium-eo-en was not allowed"},
        EndCase{2, 9, Outcome::installed, nullptr}, EndCase{2, 41, Outcome::installed, nullptr},
        EndCase{2, 2, Outcome::failed, "could not be downloaded"},
        EndCase{2, 10, Outcome::failed, "could not be downloaded"},
        EndCase{2, 8, Outcome::failed, "lists need refreshing"},
        EndCase{2, 26, Outcome::failed, "Another program is installing"},
        EndCase{2, 46, Outcome::failed, "disk space"},
        // Anything else passes PackageKit's own explanation on.
        EndCase{2, 16, Outcome::failed, "Installing apertium-eo-en failed: E: internal detail 42"},
        EndCase{2, std::nullopt, Outcome::failed, "Installing apertium-eo-en failed."}));

TEST(InstallResultTest, AFailureToRunIsPassedOn) {
    const PrepareResult result = PackageKitCatalog::installResult(
        "apertium-eo-en", 0, std::nullopt, {}, "The package service does not answer.");
    EXPECT_EQ(result.outcome, Outcome::failed);
    EXPECT_EQ(result.message, "The package service does not answer.");
}

TEST(SystemPackageCatalogTest, WithoutABusFallsBackToAptThenToNothing) {
    const QDBusConnection noBus =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "nobus");
    ASSERT_FALSE(noBus.isConnected());
    const auto apt = SystemPackageCatalog::create(noBus, true);
    EXPECT_NE(dynamic_cast<AptCatalog*>(apt.get()), nullptr);

    const auto none = SystemPackageCatalog::create(noBus, false);
    ASSERT_NE(dynamic_cast<EmptyPackageCatalog*>(none.get()), nullptr);
    EXPECT_TRUE(none->packages().result().packages.isEmpty());
    const PrepareResult result = none->install("apertium-eng-spa").result();
    EXPECT_EQ(result.outcome, Outcome::manual);
    EXPECT_TRUE(result.message.contains("apertium-eng-spa"));

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

// ---- A private system bus with the real PackageKit and polkit on it ----

constexpr auto pairPackage = "apertium-eo-en";
constexpr auto refusalHelperVariable = "VERDOLIN_PACKAGEKIT_REFUSAL_BUS";

QByteArray run(const QString& program, const QStringList& arguments,
               const QStringList& environment = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    for (const QString& assignment : environment) {
        env.insert(assignment.section('=', 0, 0), assignment.section('=', 1));
    }
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(10 * 60 * 1000);
    return process.readAll();
}

bool isInstalled(const QString& package) {
    return run("dpkg-query", {"-W", "-f=${db:Status-Abbrev}", package}).startsWith("ii");
}

// What installing the pair would add to this machine, so that exactly that is removed again.
QStringList packagesAnInstallAdds(const QString& package) {
    QStringList added;
    static const QRegularExpression inst(QStringLiteral("^Inst (\\S+)"),
                                         QRegularExpression::MultilineOption);
    auto matches = inst.globalMatch(QString::fromUtf8(run("apt-get", {"-s", "install", package})));
    while (matches.hasNext()) {
        added << matches.next().captured(1);
    }
    return added;
}

// Purges those of the given packages that are installed when it is destroyed.
class PackagesRemover {
public:
    explicit PackagesRemover(QStringList packages)
        : m_packages(std::move(packages)) {}
    ~PackagesRemover() {
        QStringList installed;
        for (const QString& name : m_packages) {
            if (isInstalled(name)) {
                installed << name;
            }
        }
        if (!installed.isEmpty()) {
            run("apt-get", QStringList{"-y", "purge"} + installed,
                {"DEBIAN_FRONTEND=noninteractive"});
        }
    }
    PackagesRemover(const PackagesRemover&) = delete;
    PackagesRemover& operator=(const PackagesRemover&) = delete;

private:
    QStringList m_packages;
};

class PrivateSystemBus {
public:
    bool start(QString* whyNot) {
        for (const char* program : {"/usr/libexec/packagekitd", "/usr/lib/polkit-1/polkitd"}) {
            if (!QFile::exists(program)) {
                *whyNot = QString("%1 is not installed").arg(program);
                return false;
            }
        }
        const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
        if (daemon.isEmpty() || !m_dir.isValid()) {
            *whyNot = "dbus-daemon is not installed";
            return false;
        }
        // Clients running as another user must reach the socket.
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                                | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                                | QFileDevice::ExeOther);
        m_address = "unix:path=" + m_dir.filePath("socket");
        QDir(m_dir.path()).mkdir("services");
        writeServiceFile("org.freedesktop.PackageKit",
                         "/usr/libexec/packagekitd --keep-environment");
        writeServiceFile("org.freedesktop.PolicyKit1", "/usr/lib/polkit-1/polkitd --no-debug");
        if (!writeConfig()) {
            *whyNot = "cannot read /usr/share/dbus-1/system.conf";
            return false;
        }

        // The services the bus starts find it through the environment.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", m_address);
        m_daemon.setProcessEnvironment(env);
        m_daemon.setStandardErrorFile(m_dir.filePath("daemon.log"));
        // It prints its address once it listens.
        m_daemon.start(daemon, {"--config-file=" + m_dir.filePath("system.conf"), "--nofork",
                                "--print-address"});
        if (!m_daemon.waitForStarted() || !m_daemon.waitForReadyRead(5000)) {
            *whyNot = "dbus-daemon did not start";
            return false;
        }
        m_bus = QDBusConnection::connectToBus(m_address, "private-system-bus");
        if (!m_bus.isConnected()) {
            *whyNot = "cannot connect to the private bus: " + m_bus.lastError().message();
            return false;
        }
        return true;
    }

    ~PrivateSystemBus() {
        // The services the bus started end with it; ask them first.
        if (m_bus.isConnected()) {
            QList<int> pidfds;
            for (const char* name : {"org.freedesktop.PackageKit", "org.freedesktop.PolicyKit1"}) {
                const QDBusReply<uint> pid = m_bus.interface()->servicePid(name);
                if (pid.isValid() && pid.value() > 1) {
                    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid.value(), 0));
                    if (pidfd >= 0)
                        pidfds.append(pidfd);
                    ::kill(pid_t(pid.value()), SIGTERM);
                }
            }
            // Their end, within five seconds each.
            for (const int pidfd : std::as_const(pidfds)) {
                pollfd ended{pidfd, POLLIN, 0};
                ::poll(&ended, 1, 5000);
                ::close(pidfd);
            }
        }
        QDBusConnection::disconnectFromBus("private-system-bus");
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5000)) {
                m_daemon.kill();
                m_daemon.waitForFinished();
            }
        }
    }

    const QString& address() const { return m_address; }
    const QDBusConnection& bus() const { return m_bus; }

private:
    void writeServiceFile(const QString& name, const QString& exec) {
        QFile file(m_dir.filePath("services/" + name + ".service"));
        file.open(QIODevice::WriteOnly);
        file.write(
            QString("[D-BUS Service]\nName=%1\nExec=%2\nUser=root\n").arg(name, exec).toUtf8());
    }

    bool writeConfig() {
        QFile original("/usr/share/dbus-1/system.conf");
        if (!original.open(QIODevice::ReadOnly)) {
            return false;
        }
        QString config = QString::fromUtf8(original.readAll());
        // Same policies, own socket and services, no privilege changes and no setuid helper.
        config.replace(QRegularExpression("<user>[^<]*</user>"), "");
        config.replace("<fork/>", "");
        config.replace(QRegularExpression("<pidfile>[^<]*</pidfile>"), "");
        config.replace("<syslog/>", "");
        config.replace(QRegularExpression("<servicehelper>[^<]*</servicehelper>"), "");
        config.replace("<standard_system_servicedirs/>",
                       "<servicedir>" + m_dir.filePath("services") + "</servicedir>");
        config.replace(QRegularExpression("<listen>[^<]*</listen>"),
                       "<listen>" + m_address + "</listen>");
        config.replace("<includedir>system.d</includedir>",
                       "<includedir>/usr/share/dbus-1/system.d</includedir>");
        QFile copy(m_dir.filePath("system.conf"));
        return copy.open(QIODevice::WriteOnly) && copy.write(config.toUtf8()) > 0;
    }

    QTemporaryDir m_dir;
    QString m_address;
    QProcess m_daemon;
    QDBusConnection m_bus{QString()};
};

// Run by the refusal test as user nobody, in a process of its own.
TEST(PackageKitRefusalHelper, InstallsAsTheCallingUser) {
    const QByteArray address = qgetenv(refusalHelperVariable);
    if (address.isEmpty()) {
        GTEST_SKIP() << "only runs inside the refusal test";
    }
    const QDBusConnection bus = QDBusConnection::connectToBus(QString::fromUtf8(address), "helper");
    ASSERT_TRUE(bus.isConnected());
    PackageKitCatalog catalog(bus);
    const PrepareResult result = catalog.install(pairPackage).result();
    std::cout << "OUTCOME=" << int(result.outcome) << "\nMESSAGE=" << result.message.toStdString()
              << "\n";
}

TEST(PackageKitOnPrivateBusTest, ListsInstallsAndRefusesOtherUsers) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run its own system bus and PackageKit";
    }
    if (isInstalled(pairPackage)) {
        GTEST_SKIP() << pairPackage << " is installed already; this test would remove it";
    }
    if (!run("apt-cache", {"policy", pairPackage}).contains("Candidate: 1")) {
        GTEST_SKIP() << pairPackage << " is not in the apt lists (run apt-get update)";
    }
    PrivateSystemBus privateBus;
    QString whyNot;
    if (!privateBus.start(&whyNot)) {
        GTEST_SKIP() << whyNot.toStdString();
    }
    ASSERT_TRUE(PackageKitCatalog::answers(privateBus.bus(), 10'000));
    const auto chosen = SystemPackageCatalog::create(privateBus.bus(), true);
    EXPECT_NE(dynamic_cast<PackageKitCatalog*>(chosen.get()), nullptr);

    PackageKitCatalog catalog(privateBus.bus());
    const auto state = [](const PackageCatalog::Listing& listing,
                          const QString& name) -> std::optional<bool> {
        for (const LanguagePackage& package : listing.packages) {
            if (package.name == name) {
                return package.installed;
            }
        }
        return std::nullopt;
    };

    {
        SCOPED_TRACE("listing");
        const PackageCatalog::Listing listing = catalog.packages().result();
        EXPECT_TRUE(listing.note.isEmpty()) << listing.note.toStdString();
        for (const LanguagePackage& package : listing.packages) {
            EXPECT_NE(package.name, "apertium-en-es") << "transitional packages stay out";
            EXPECT_NE(package.name, "apertium-dev");
        }
        if (isInstalled("apertium-eng-spa")) {
            EXPECT_EQ(state(listing, "apertium-eng-spa"), true);
        }
        EXPECT_EQ(state(listing, pairPackage), false);
    }

    {
        SCOPED_TRACE("refusal as user nobody");
        const QByteArray output = run(
            "setpriv",
            {"--reuid=65534", "--regid=65534", "--clear-groups",
             QCoreApplication::applicationFilePath(), "--gtest_filter=PackageKitRefusalHelper.*"},
            {QString(refusalHelperVariable) + '=' + privateBus.address(), "HOME=/nonexistent"});
        EXPECT_TRUE(output.contains("OUTCOME=" + QByteArray::number(int(Outcome::failed))))
            << output.toStdString();
        EXPECT_TRUE(output.contains("MESSAGE=Installing apertium-eo-en was not allowed"))
            << output.toStdString();
        EXPECT_FALSE(isInstalled(pairPackage));
    }

    {
        SCOPED_TRACE("install as root");
        const QStringList added = packagesAnInstallAdds(pairPackage);
        ASSERT_TRUE(added.contains(pairPackage));
        // Leaves the machine as it was, whatever happens below.
        auto removeAgain = std::make_unique<PackagesRemover>(added);
        QFuture<PrepareResult> future = catalog.install(pairPackage);
        const PrepareResult result = future.result();
        if (isInstalled(pairPackage) || result.outcome == Outcome::installed) {
            EXPECT_EQ(result.outcome, Outcome::installed) << result.message.toStdString();
            EXPECT_TRUE(isInstalled(pairPackage));
            EXPECT_GT(future.progressValue(), 0);
            EXPECT_EQ(state(catalog.packages().result(), pairPackage), true);
        }
        removeAgain.reset();
        EXPECT_FALSE(isInstalled(pairPackage));
        if (result.outcome == Outcome::failed
            && result.message.contains("could not be downloaded")) {
            GTEST_SKIP() << "the package archive cannot be reached: "
                         << result.message.toStdString();
        }
        EXPECT_EQ(result.outcome, Outcome::installed) << result.message.toStdString();
    }
}

} // namespace
