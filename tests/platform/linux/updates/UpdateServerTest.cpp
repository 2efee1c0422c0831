#include "app/settings/AppSettings.h"
#include "app/settings/DefaultsStore.h"
#include "app/translation/Futures.h"
#include "app/updates/UpdateController.h"
#include "app/updates/Updater.h"
#include "platform/linux/updates/QtUpdateNetwork.h"
#include "platform/linux/updates/SodiumUpdateVerifier.h"
#include "tests/support/FakeUpdateInstaller.h"
#include "tests/support/ManualClock.h"
#include "tests/support/UpdaterLaunch.h"

#include <QFile>
#include <QHash>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <sodium.h>

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSslConfiguration serverTls() {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(
        QSslCertificate(readFile(QStringLiteral(TLS_DIR "/update-server.crt"))));
    tls.setPrivateKey(QSslKey(readFile(QStringLiteral(TLS_DIR "/update-server.key")), QSsl::Ec));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

// What the client trusts: the test's own authority and nothing else.
QSslConfiguration clientTls() {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(
        QSslCertificate::fromData(readFile(QStringLiteral(TLS_DIR "/update-server.crt"))));
    return tls;
}

// An HTTPS server on 127.0.0.1 that answers GET requests from a table of paths; a path
// without an answer is never answered.
class UpdateServer {
public:
    QHash<QString, QByteArray> answers;
    QList<QUrl> requests;

    UpdateServer() {
        m_server.setSslConfiguration(serverTls());
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

private:
    void serve(QTcpSocket* socket) {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            m_buffers[socket] += socket->readAll();
            if (!m_buffers[socket].contains("\r\n\r\n"))
                return;
            const QList<QByteArray> line = m_buffers.take(socket).split('\n').value(0).split(' ');
            const QUrl target(QString::fromLatin1(line.value(1)));
            requests.append(target);
            const auto answer = answers.constFind(target.path());
            if (answer == answers.cend())
                return;
            socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: "
                          + QByteArray::number(answer->size()) + "\r\n\r\n" + *answer);
            socket->disconnectFromHost();
        });
    }

    QSslServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

class UpdateServerTest : public testing::Test {
protected:
    QByteArray sign(const QByteArray& data) const {
        unsigned char signature[crypto_sign_BYTES];
        crypto_sign_detached(signature, nullptr,
                             reinterpret_cast<const unsigned char*>(data.data()),
                             quint64(data.size()), secretKey);
        return QByteArray(reinterpret_cast<const char*>(signature), sizeof signature).toBase64();
    }

    QByteArray feedFor(const QByteArray& served, const QByteArray& signedBytes) {
        server.answers[QStringLiteral("/verdolin_0.2.0_amd64.deb")] = served;
        return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
               "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
               "<item><title>Verdolin 0.2.0</title><sparkle:version>0.2.0</sparkle:version>"
               "<sparkle:minimumSystemVersion>12</sparkle:minimumSystemVersion>"
               "<enclosure url=\"verdolin_0.2.0_amd64.deb\" length=\""
               + QByteArray::number(signedBytes.size())
               + "\" type=\"application/vnd.debian.binary-package\" sparkle:edSignature=\""
               + sign(signedBytes) + "\"/></item></channel></rss>";
    }

    // The updater as the application makes it, on this test's server and trust.
    std::unique_ptr<UpdaterLaunch> launch(QtUpdateNetwork& network, const QString& feedPath) {
        Updater::Services services = UpdaterLaunch::services(
            network, verifier, installer, store, clock, dir.filePath(QStringLiteral("downloads")));
        services.feed = server.url(feedPath);
        auto made = std::make_unique<UpdaterLaunch>(services, settings, store);
        made->controller.start(UpdatePolicy(UpdateFrequency::weekly, false));
        return made;
    }

    static bool waitForStage(Updater& updater, Updater::Stage stage) {
        return QTest::qWaitFor([&] { return updater.stage() == stage; }, 10000);
    }

    // A release key of the test's own.
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES], secretKey[crypto_sign_SECRETKEYBYTES];
    const bool keyMade = sodium_init() >= 0 && crypto_sign_keypair(publicKey, secretKey) == 0;
    const QByteArray package = QByteArray("!<arch>\ndebian-binary   ") + QByteArray(4000, 'x');
    UpdateServer server;
    QTemporaryDir dir;
    DefaultsStore store{QStringLiteral("com.korvane.verdolin"), dir.path()};
    AppSettings settings{store, QStringList{QStringLiteral("en-US")}, QStringList{}};
    SodiumUpdateVerifier verifier{
        QByteArray(reinterpret_cast<const char*>(publicKey), sizeof publicKey).toBase64()};
    FakeUpdateInstaller installer;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
};

} // namespace

TEST_F(UpdateServerTest, FirstLaunchAsksTheServerAndASignedPackageIsInstalled) {
    ASSERT_TRUE(keyMade);
    server.answers[QStringLiteral("/appcast.xml")] = feedFor(package, package);
    QtUpdateNetwork network(clientTls());
    auto app = launch(network, QStringLiteral("/appcast.xml"));
    // The first launch pings: the feed with this installation's identifier and version.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return store.boolean(UpdateController::updateServerReachedKey); }, 10000));
    ASSERT_EQ(server.requests.size(), 1);
    const QUrlQuery query(server.requests[0]);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("iid")), app->controller.installID());
    EXPECT_EQ(query.queryItemValue(QStringLiteral("ver")), QStringLiteral("0.1.0"));
    ASSERT_TRUE(waitForStage(app->updater, Updater::Stage::available));
    app->updater.install();
    ASSERT_TRUE(waitForStage(app->updater, Updater::Stage::installed))
        << app->updater.message().toStdString();
    EXPECT_EQ(installer.installed, QList<QByteArray>{package});
    EXPECT_EQ(app->updater.progress(), 100);
    // The key built into the program is a usable one.
    EXPECT_EQ(QByteArray::fromBase64(SodiumUpdateVerifier::releaseKey()).size(),
              crypto_sign_PUBLICKEYBYTES);
}

TEST_F(UpdateServerTest, NothingIsInstalledThatDoesNotMatchItsSignature) {
    QByteArray tampered = package;
    tampered[tampered.size() - 1] = 'y';
    // clang-format off
    const struct { const char* what; QByteArray served; const char* message; } cases[] = {
        {"one byte changed", tampered, "signature"},
        {"cut short", package.left(1000), "incomplete"},
        {"longer than announced", package + "extra", "announced size"}};
    // clang-format on
    store.setBool(UpdateController::updateServerReachedKey, true);
    QtUpdateNetwork network(clientTls());
    for (const auto& c : cases) {
        server.answers[QStringLiteral("/appcast.xml")] = feedFor(c.served, package);
        auto app = launch(network, QStringLiteral("/appcast.xml"));
        app->controller.checkForUpdates();
        ASSERT_TRUE(waitForStage(app->updater, Updater::Stage::available)) << c.what;
        app->updater.install();
        ASSERT_TRUE(waitForStage(app->updater, Updater::Stage::failed)) << c.what;
        EXPECT_TRUE(app->updater.message().contains(QLatin1String(c.message)))
            << c.what << ": " << app->updater.message().toStdString();
    }
    EXPECT_TRUE(installer.installed.isEmpty());
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("downloads"))).isEmpty());
}

TEST_F(UpdateServerTest, FailedChecksAreReportedWithoutHoldingUpTheWindow) {
    server.answers[QStringLiteral("/garbage.xml")] = "<rss><channel><item>";
    // clang-format off
    const struct { const char* what; QString feed; bool trusted; const char* message; } cases[] = {
        {"a server that never answers", "/hang.xml", true, "in time"},
        {"a malformed feed", "/garbage.xml", true, "could not be read"},
        {"a certificate nobody vouched for", "/garbage.xml", false, ""}};
    // clang-format on
    store.setBool(UpdateController::updateServerReachedKey, true);
    for (const auto& c : cases) {
        QtUpdateNetwork network(c.trusted ? std::optional(clientTls()) : std::nullopt,
                                std::chrono::milliseconds(300));
        auto app = launch(network, c.feed);
        app->controller.checkForUpdates();
        EXPECT_EQ(app->updater.stage(), Updater::Stage::checking) << c.what;
        // The event loop goes on while the server keeps quiet.
        QTimer tick;
        QSignalSpy ticks(&tick, &QTimer::timeout);
        tick.start(10);
        ASSERT_TRUE(waitForStage(app->updater, Updater::Stage::failed)) << c.what;
        EXPECT_TRUE(app->updater.message().contains(QLatin1String(c.message)))
            << c.what << ": " << app->updater.message().toStdString();
        EXPECT_FALSE(app->controller.lastCheckedText().endsWith(QLatin1String("never")));
        EXPECT_TRUE(app->controller.canCheck());
        if (c.feed == QLatin1String("/hang.xml")) {
            EXPECT_GT(ticks.size(), 3) << c.what;
        }
    }
    EXPECT_TRUE(store.boolean(UpdateController::updateServerReachedKey));
}
