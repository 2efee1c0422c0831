#include "platform/linux/dbus/DBusTranslateService.h"
#include "platform/linux/portal/PortalColorScheme.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace {

// A session bus of the suite's own, with no services to start, so no real portal answers.
class SessionBusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_config.open();
        s_config.write(R"(<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>
            <policy context="default"><allow send_destination="*" eavesdrop="true"/>
            <allow eavesdrop="true"/><allow own="*"/></policy></busconfig>)");
        s_config.flush();
        s_daemon = std::make_unique<QProcess>();
        s_daemon->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        s_daemon->start("dbus-daemon",
                        {"--config-file=" + s_config.fileName(), "--nofork", "--print-address"});
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

    static inline QTemporaryFile s_config;
    static inline std::unique_ptr<QProcess> s_daemon;
    static inline QString s_address;
};

TEST_F(SessionBusTest, TranslateTextHandsOverTheExactText) {
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

TEST_F(SessionBusTest, TheTranslateServiceStartsOnlyWhileItsNameIsFreeAndThereIsABus) {
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

using Preference = ColorSchemeSource::Preference;
using P = PortalColorScheme;

// Settings as the portal offers them: Read wraps the value in a second variant.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    QVariant colorScheme;

public slots:
    QDBusVariant Read(const QString& group, const QString& key) {
        const bool asked = group == P::kNamespace && key == P::kKey;
        return QDBusVariant(QVariant::fromValue(
            QDBusVariant(asked ? colorScheme : QVariant(QString("no such setting")))));
    }
};

// The bus and the portal keep order, so once a later Read is answered, all that came before it
// (the scheme's own Read, signals) has been delivered too.
void settle(const QDBusConnection& client) {
    QDBusMessage read =
        QDBusMessage::createMethodCall(P::kService, P::kPath, P::kInterface, "Read");
    read << QString(P::kNamespace) << QString(P::kKey);
    QDBusPendingCallWatcher watcher(client.asyncCall(read));
    EXPECT_TRUE(QSignalSpy(&watcher, &QDBusPendingCallWatcher::finished).wait(30'000));
}

TEST_F(SessionBusTest, TheColorSchemeFollowsWhatThePortalReadsAndSignals) {
    // SettingChanged signals: namespace, key, value. Other settings, and a repeat of the same
    // value, change nothing.
    using Changes = QList<std::tuple<const char*, const char*, uint>>;
    const Changes changes = {{P::kNamespace, "accent-color", 2},
                             {"org.gnome.desktop.interface", P::kKey, 2},
                             {P::kNamespace, P::kKey, 1},
                             {P::kNamespace, P::kKey, 2}};
    const struct {
        const char* name;
        QVariant read; // none: no portal on the bus
        Changes changes;
        Preference expected;
        int emits;
    } rows[] = {
        // First: the first scheme in a process must also hear changes.
        {"changes", 1u, changes, Preference::light, 2},
        {"no preference", 0u, {}, Preference::none, 1},
        {"dark", 1u, {}, Preference::dark, 1},
        {"light", 2u, {}, Preference::light, 1},
        {"a later value", 7u, {}, Preference::none, 1},
        {"not a number", QString("dark"), {}, Preference::none, 1},
        {"no portal", QVariant(), {}, Preference::unknown, 0},
    };
    const QDBusConnection client = bus("client");
    FakePortal fake;
    ASSERT_TRUE(bus("service").registerObject(P::kPath, &fake, QDBusConnection::ExportAllSlots));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake.colorScheme = row.read;
        ASSERT_TRUE(!row.read.isValid() || bus("service").registerService(P::kService));
        PortalColorScheme scheme(client);
        QSignalSpy changed(&scheme, &ColorSchemeSource::preferenceChanged);
        // The constructor never waits for the answer.
        EXPECT_EQ(scheme.preference(), Preference::unknown);
        settle(client);
        for (const auto& [group, key, value] : row.changes) {
            QDBusMessage signal =
                QDBusMessage::createSignal(P::kPath, P::kInterface, "SettingChanged");
            signal << QString(group) << QString(key) << QVariant::fromValue(QDBusVariant(value));
            bus("service").send(signal);
        }
        settle(client);
        EXPECT_EQ(scheme.preference(), row.expected);
        EXPECT_EQ(changed.count(), row.emits);
        bus("service").unregisterService(P::kService);
    }
    bus("service").unregisterObject(P::kPath);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "SessionBusServicesTest.moc"
