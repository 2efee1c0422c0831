#include "platform/linux/speech/SpeechDispatcherSynthesizer.h"

#include "platform/linux/speech/SpeechDispatcherProbe.h"
#include "tests/support/QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace {

// Only a guard against a hang: the waits end as soon as the awaited signal arrives.
constexpr auto generousLimit = 120s;

// Runs the event loop until `done` holds or the guard expires; says whether it holds.
bool waitUntil(const std::function<bool()>& done) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(20);
    QTimer::singleShot(generousLimit, &loop, &QEventLoop::quit);
    loop.exec();
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
        ASSERT_TRUE(m_dir.isValid());
        m_runtime = m_dir.filePath("run");
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
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.kill();
            m_daemon.waitForFinished();
        }
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
        file.write(QStringLiteral("AudioOutputMethod \"alsa\"\n"
                                  "AudioALSADevice \"tee:null,'%1',raw\"\n"
                                  "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\n"
                                  "DefaultModule espeak-ng\n"
                                  "DisableAutoSpawn\n"
                                  "LogLevel 1\n"
                                  "LogDir \"%2\"\n")
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

        const std::optional<SpeechDispatcherProbe::Address> address =
            SpeechDispatcherProbe::addressFromEnvironment();
        ASSERT_TRUE(address);
        ASSERT_TRUE(waitUntil([&] {
            return m_daemon.state() == QProcess::Running
                   && SpeechDispatcherProbe::answers(*address, 200ms);
        })) << "the daemon did not come up";
    }

    qint64 audioBytes() const { return QFileInfo(audioFile()).size(); }

    QTemporaryDir m_dir;
    QString m_runtime;
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
    EXPECT_GT(audioBytes(), 0);
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
    const auto sentence = SpeechDispatcherWorker::readingBudget("one two three four five six");
    const auto chinese = SpeechDispatcherWorker::readingBudget(QString(300, QChar(0x4E2D)));
    EXPECT_GT(empty.count(), 0);
    EXPECT_GT(sentence, empty);
    // 300 characters without a space take about a minute to read: allow twice that at least.
    EXPECT_GE(chinese, std::chrono::milliseconds(2min));
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
