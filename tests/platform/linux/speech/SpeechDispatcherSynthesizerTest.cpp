#include "platform/linux/speech/SpeechDispatcherSynthesizer.h"

#include "platform/linux/speech/SpeechDispatcherProbe.h"
#include "platform/linux/speech/SpeechVoiceChoice.h"
#include "tests/support/QtPrinters.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using SpeechDispatcherProbe::Address;

namespace {

// Runs the event loop until `done` holds; the limit only guards against a hang.
bool waitUntil(const std::function<bool()>& done) {
    const QDeadlineTimer limit(120s);
    QTimer wake; // so that `done` is looked at even when no event comes
    wake.start(20ms);
    while (!done() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// The outcomes of a synthesizer, in order.
struct Recorder {
    explicit Recorder(SpeechSynthesizer& synth) {
        QObject::connect(&synth, &SpeechSynthesizer::started, [this] { events << "started"; });
        QObject::connect(&synth, &SpeechSynthesizer::finished, [this] { events << "finished"; });
        QObject::connect(&synth, &SpeechSynthesizer::failed, [this](const QString& message) {
            events << "failed";
            failure = message;
        });
    }
    bool ended() const { return events.contains("finished") || events.contains("failed"); }

    QStringList events;
    QString failure;
};

// A private Speech Dispatcher writing its sound into a file, with its own configuration and
// runtime folder, so that tests running side by side never meet.
class SpeechDispatcherSynthesizerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(m_runtime));
        QFile::setPermissions(m_runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                             | QFileDevice::ExeOwner);
        // This process, and the engine it creates, must find the same daemon. The client
        // library reads the runtime folder once per process, the address at every connection.
        qputenv("XDG_RUNTIME_DIR", m_runtime.toLocal8Bit());
        qputenv("SPEECHD_ADDRESS",
                ("unix_socket:" + m_runtime + "/speech-dispatcher/speechd.sock").toLocal8Bit());
    }

    void TearDown() override {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    QString audioFile() const { return m_dir.filePath("audio.raw"); }

    void startDaemon() {
        if (QStandardPaths::findExecutable("speech-dispatcher").isEmpty())
            GTEST_SKIP() << "speech-dispatcher is not installed";
        const QString config = m_dir.filePath("config/speech-dispatcher");
        ASSERT_TRUE(QDir().mkpath(config));
        QFile file(config + "/speechd.conf");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // ALSA's tee plugin over the null device: the sound lands in a file, without a card.
        file.write(u"AudioOutputMethod \"alsa\"\nAudioALSADevice \"tee:null,'%1',raw\"\n"
                   "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\n"
                   "DefaultModule espeak-ng\nDisableAutoSpawn\nLogLevel 1\nLogDir \"%2\"\n"_s
                       .arg(audioFile(), m_dir.path())
                       .toUtf8());
        file.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        env.insert("XDG_RUNTIME_DIR", m_runtime);
        env.insert("HOME", m_dir.path());
        env.remove("SPEECHD_ADDRESS");
        m_daemon.setProcessEnvironment(env);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.setStandardOutputFile(QProcess::nullDevice());
        m_daemon.start("speech-dispatcher", {"-s", "-t", "30"});
        ASSERT_TRUE(m_daemon.waitForStarted());

        const std::optional<Address> address = SpeechDispatcherProbe::addressFromEnvironment();
        ASSERT_TRUE(address);
        ASSERT_TRUE(waitUntil([&] {
            return m_daemon.state() == QProcess::Running
                   && SpeechDispatcherProbe::answers(*address, 200ms);
        })) << "the daemon did not come up";
    }

    QTemporaryDir m_dir;
    QString m_runtime = m_dir.filePath("run");
    QProcess m_daemon;
};

TEST_F(SpeechDispatcherSynthesizerTest, StopEndsALongReadingAndTheNextOneStillReads) {
    startDaemon();
    SpeechDispatcherSynthesizer synth;
    Recorder recorder(synth);
    const QString longText =
        QStringLiteral("The quick brown fox jumps over the lazy dog. ").repeated(400);

    synth.speak(longText, "en");
    ASSERT_TRUE(waitUntil([&] { return !recorder.events.isEmpty(); }));
    ASSERT_EQ(recorder.events, QStringList({"started"})) << recorder.failure.toStdString();

    synth.stop();
    EXPECT_EQ(recorder.events, QStringList({"started", "finished"}));

    // The daemon's late word on the stopped reading must not end this one.
    recorder.events.clear();
    synth.speak("And now a short one.", "en");
    ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }));
    EXPECT_EQ(recorder.events, QStringList({"started", "finished"}))
        << recorder.failure.toStdString();
    EXPECT_GT(QFileInfo(audioFile()).size(), 0);
}

TEST_F(SpeechDispatcherSynthesizerTest, MissingDaemonFailsReadablyUnlessStoppedFirst) {
    SpeechDispatcherSynthesizer synth;
    Recorder recorder(synth);

    synth.speak("Hello.", "en");
    synth.stop();
    synth.stop();
    EXPECT_EQ(recorder.events, QStringList({"finished"}));
    // The failure of the stopped reading never surfaces.
    synth.speak("Hello again.", "en");
    ASSERT_TRUE(waitUntil([&] { return recorder.events.size() == 2; }));
    EXPECT_EQ(recorder.events, QStringList({"finished", "failed"}));
    EXPECT_TRUE(recorder.failure.contains("Speech Dispatcher is not running"))
        << recorder.failure.toStdString();
}

TEST(SpeechReadingBudget, GrowsWithTheTextAndCountsCharactersOfUnspacedScripts) {
    const auto empty = SpeechDispatcherWorker::readingBudget("");
    EXPECT_GT(empty.count(), 0);
    EXPECT_GT(SpeechDispatcherWorker::readingBudget("one two three four five six"), empty);
    // 300 characters without a space take about a minute to read: allow twice that at least.
    EXPECT_GE(SpeechDispatcherWorker::readingBudget(QString(300, QChar(0x4E2D))), 2min);
}

const QString sock = "/speech-dispatcher/speechd.sock";

TEST(SpeechDispatcherAddressTest, ReadsTheAddress) {
    // clang-format off
    const struct { QString speechdAddress, runtimeDir, cacheHome, home;
        std::optional<Address> expected; } cases[] = {
        {"", "/run/user/7", "", "/home/a", Address{"/run/user/7" + sock, {}, 0}},
        {"unix_socket:/tmp/s.sock", "/run/user/7", "", "", Address{"/tmp/s.sock", {}, 0}},
        {"", "", "/c", "/home/a", Address{"/c" + sock, {}, 0}}, {"", "", "", "", std::nullopt},
        {"", "", "", "/home/a", Address{"/home/a/.cache" + sock, {}, 0}},
        {"inet_socket", "", "", "", Address{{}, "127.0.0.1", 6560}},
        {"inet_socket:speech.local:7000", "", "", "", Address{{}, "speech.local", 7000}},
        {"inet_socket:h:99999", "", "", "", std::nullopt},
        {"pipe:/x", "/run/user/7", "", "", std::nullopt},
        {"unix_socket:", "/run/user/7", "", "", std::nullopt}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speechdAddress.toStdString() + "|" + c.runtimeDir.toStdString());
        EXPECT_EQ(
            SpeechDispatcherProbe::address(c.speechdAddress, c.runtimeDir, c.cacheHome, c.home),
            c.expected);
    }
}

// A socket that takes the connection and never replies, as a wedged daemon would: given up
// after the wait.
TEST(SpeechDispatcherProbeTest, APeerThatDoesNotAnswerIsGivenUp) {
    QTemporaryDir dir;
    const QString path = dir.filePath("silent");
    EXPECT_FALSE(SpeechDispatcherProbe::answers(Address{path, {}, 0}, 1s));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::memcpy(addr.sun_path, encoded.constData(), size_t(encoded.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    EXPECT_FALSE(SpeechDispatcherProbe::answers(Address{path, {}, 0}, 200ms));
    ::close(fd);
}

SpeechVoiceChoice::Voice voice(const char* name, const char* locale) {
    return {QString::fromUtf8(name), QLocale(QString::fromLatin1(locale))};
}

// QLocale("pt") is Portuguese in Brazil, QLocale("sr") Serbian in Cyrillic in Serbia.
TEST(SpeechVoiceChoiceTest, ChoosesTheVoice) {
    // clang-format off
    const struct { const char* rule; QList<SpeechVoiceChoice::Voice> voices; QString code;
        std::optional<qsizetype> expected; } cases[] = {
        {"Portugal matches Portuguese", {voice("German", "de_DE"), voice("Portugal", "pt_PT")},
         "pt", 1},
        {"the exact locale beats an earlier voice of the language",
         {voice("Portugal", "pt_PT"), voice("Brazil", "pt_BR")}, "pt", 1},
        {"the first of the language without an exact one",
         {voice("Angola", "pt_AO"), voice("Portugal", "pt_PT")}, "pt", 0},
        {"an unknown language tag never matches", {voice("Other", "ptx")}, "pt", std::nullopt},
        {"the same territory beats another territory",
         {voice("Bosnia", "sr_Latn_BA"), voice("Latin", "sr_Latn_RS"),
          voice("Cyrillic", "sr_Cyrl_RS")},
         "sr", 2},
        {"the same territory when the script differs",
         {voice("Bosnia", "sr_Cyrl_BA"), voice("Latin", "sr_Latn_RS")}, "sr", 1},
        {"variant voices are skipped",
         {voice("Portuguese (Brazil)+Annie", "pt_BR"), voice("Portugal", "pt_PT")}, "pt", 1},
        {"no voice for the language", {voice("Russian", "ru_RU")}, "gl", std::nullopt},
        {"a code of no language matches nothing", {voice("Klingon", "C")}, "xx", std::nullopt},
        {"a code with a region prefers that region",
         {voice("Brazil", "pt_BR"), voice("Portugal", "pt_PT")}, "pt-PT", 1},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(SpeechVoiceChoice::choose(c.voices, c.code), c.expected) << c.rule;
}

} // namespace

// Under AddressSanitizer the checked strstr makes the client library's parsing of the daemon's
// voice list (a megabyte) quadratic, and the engine takes minutes to start; the check is about
// that library, not this code. Read only when the sanitizer is linked in.
extern "C" const char* __asan_default_options() {
    return "intercept_strstr=0";
}

// The engine plugin never frees one list that the client library hands it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libspeechd.so\n";
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
