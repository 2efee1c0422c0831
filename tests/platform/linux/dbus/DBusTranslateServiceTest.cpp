#include "platform/linux/dbus/DBusTranslateService.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A session bus of the suite's own.
class DBusTranslateServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_daemon = std::make_unique<QProcess>();
        s_daemon->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // It prints its address once it listens.
        s_daemon->start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (s_daemon->waitForReadyRead(30'000))
            s_address = QString::fromUtf8(s_daemon->readLine().trimmed());
    }

    static void TearDownTestSuite() {
        for (const char* name : {"service", "client", "other"})
            QDBusConnection::disconnectFromBus(name);
        s_daemon->terminate();
        s_daemon->waitForFinished(30'000);
        s_daemon.reset();
    }

    void SetUp() override { ASSERT_FALSE(s_address.isEmpty()) << "dbus-daemon did not start"; }

    static QDBusConnection bus(const QString& name) {
        return QDBusConnection::connectToBus(s_address, name);
    }

    static inline std::unique_ptr<QProcess> s_daemon;
    static inline QString s_address;
};

TEST_F(DBusTranslateServiceTest, TranslateTextHandsOverTheExactText) {
    QStringList received;
    DBusTranslateService service(bus("service"), [&](const QString& text) { received << text; });
    ASSERT_TRUE(service.start());
    for (const QString& text :
         {QString("Hola, ¿qué tal?"), QString("Привет,\n世界 ✓"), QString()}) {
        SCOPED_TRACE(text.toStdString());
        received.clear();
        QDBusMessage call = QDBusMessage::createMethodCall(
            DBusTranslateService::kService, DBusTranslateService::kPath,
            DBusTranslateService::kService, "TranslateText");
        call << text;
        // The service answers on this thread's loop, which a plain blocking call would stall.
        const QDBusMessage reply = bus("client").call(call, QDBus::BlockWithGui, 30'000);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        EXPECT_EQ(received, text.isEmpty() ? QStringList() : QStringList{text});
    }
}

TEST_F(DBusTranslateServiceTest, StartsOnlyWhileTheNameIsFreeAndThereIsABus) {
    const auto ignore = [](const QString&) {};
    {
        DBusTranslateService first(bus("service"), ignore);
        ASSERT_TRUE(first.start());
        EXPECT_FALSE(DBusTranslateService(bus("other"), ignore).start());
    }
    // Given back with the first.
    EXPECT_TRUE(DBusTranslateService(bus("other"), ignore).start());
    EXPECT_FALSE(DBusTranslateService(QDBusConnection(QString()), ignore).start());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
