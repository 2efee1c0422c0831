#include "platform/linux/instance/InstanceChannel.h"

#include "core/InstanceMessage.h"
#include "platform/linux/instance/QuitSignals.h"
#include "tests/support/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <latch>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using Outcome = InstanceChannel::Claim::Outcome;

namespace {

const QString kName = "verdolin-test";
// Only a guard against a hang: a running instance answers at once.
constexpr auto kLimit = 30s;
constexpr qsizetype kMax = InstanceMessage::kMaxBytes;

// A claim from another thread, as another start would make it, while this thread runs its loop
// or, when given, `meanwhile`; a channel it gets is closed there.
std::pair<Outcome, QString> claimElsewhere(const QStringList& arguments,
                                           std::chrono::milliseconds limit = kLimit,
                                           const std::function<void(QThread&)>& meanwhile = {}) {
    std::pair<Outcome, QString> result;
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        const InstanceChannel::Claim claim = InstanceChannel::claim(kName, arguments, limit);
        result = {claim.outcome, claim.error};
    }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    meanwhile ? meanwhile(*thread) : void(loop.exec());
    thread->wait();
    return result;
}

class InstanceChannelTest : public ::testing::Test {
protected:
    void SetUp() override { m_environment.set("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path())); }

    QString path() const { return m_dir.filePath(kName); }

    QTemporaryDir m_dir;
    ScopedEnvironment m_environment;
};

TEST_F(InstanceChannelTest, TheSocketIsTheUsersOwn) {
    EXPECT_EQ(InstanceChannel::socketPath("v"), m_dir.filePath("v"));
    const InstanceChannel::Claim claim = InstanceChannel::claim(kName, {}, kLimit);
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & (S_IFMT | 077), S_IFSOCK);
    m_environment.set("XDG_RUNTIME_DIR", {});
    EXPECT_EQ(InstanceChannel::socketPath("v"),
              QDir::tempPath() + "/v-" + QString::number(::getuid()));
}

TEST_F(InstanceChannelTest, ThePrimaryConfirmsTheExactArguments) {
    enum Peer { None, HangsUp, IsCutOff, StaysSilent };
    const QByteArray oversized = "[\"" + QByteArray(kMax - 3, 'x') + "\"]";
    const std::tuple<const char*, QStringList, bool, Peer, QByteArray> rows[] = {
        {"unicode", {"text=Привет", "日本語 ✓", "e\u0301"}, true, None, {}},
        {"none", {}, true, None, {}},
        {"newlines and quotes", {"line one\nline two\r\n", "\"]", ""}, true, None, {}},
        // Arrives in several reads: the end is found only on the last.
        {"just short enough", {QString(kMax - 4, 'x')}, true, None, {}},
        {"a byte too long", {QString(kMax - 3, 'x')}, false, None, {}},
        // A peer that the primary drops, or that never finishes, does not hold up the next.
        {"after an oversized peer", {"next"}, true, IsCutOff, oversized},
        {"after one sending no JSON", {"next"}, true, HangsUp, "hello]"},
        {"while one never finishes", {"next"}, true, StaysSilent, "[\"half"},
    };
    for (const auto& [name, arguments, forwarded, kind, bytes] : rows) {
        SCOPED_TRACE(name);
        const auto channel = InstanceChannel::claim(kName, {}, kLimit).channel;
        ASSERT_TRUE(channel);
        QList<QStringList> received;
        QObject::connect(channel.get(), &InstanceChannel::argumentsReceived,
                         [&](const QStringList& got) { received.append(got); });
        QLocalSocket peer;
        if (kind != None) {
            peer.connectToServer(path());
            peer.write(bytes);
        }
        if (kind == HangsUp)
            peer.disconnectFromServer();
        if (kind == IsCutOff) {
            EXPECT_TRUE(QSignalSpy(&peer, &QLocalSocket::disconnected).wait(30'000));
        }
        const auto [outcome, error] = claimElsewhere(arguments);
        EXPECT_EQ(outcome, forwarded ? Outcome::Forwarded : Outcome::Failed) << error.toStdString();
        EXPECT_EQ(received, forwarded ? QList<QStringList>{arguments} : QList<QStringList>{});
        EXPECT_EQ(peer.state() == QLocalSocket::ConnectedState, kind == StaysSilent);
    }
}

TEST_F(InstanceChannelTest, NoLiveInstanceMeansPrimary) {
    enum Leftover { StaleSocket, Dies, Hangs, AnswersWrong };
    const std::tuple<const char*, Leftover, Outcome> rows[] = {
        {"stale socket", StaleSocket, Outcome::Primary},
        {"died while reading", Dies, Outcome::Primary},
        // Alive but stuck or confused: its socket is not taken over.
        {"never answers", Hangs, Outcome::Failed},
        {"answers something else", AnswersWrong, Outcome::Failed},
    };
    for (const auto& [name, leftover, expected] : rows) {
        SCOPED_TRACE(name);
        QLocalServer instance;
        QLocalServer::removeServer(path());
        ASSERT_TRUE(leftover == StaleSocket
                        ? ::mknod(QFile::encodeName(path()), S_IFSOCK | 0600, 0) == 0
                        : instance.listen(path()));
        // A fake instance takes the connection and the message, then dies, hangs or answers.
        const std::function<void(QThread&)> fake = [&, leftover](QThread& start) {
            QLocalSocket* peer =
                instance.waitForNewConnection(30'000) ? instance.nextPendingConnection() : nullptr;
            ASSERT_TRUE(peer && peer->waitForReadyRead(30'000));
            EXPECT_TRUE(leftover != AnswersWrong || (peer->write("-") == 1 && peer->flush()));
            if (leftover != Dies)
                start.wait();
            instance.close();
            peer->abort();
        };
        const auto [outcome, error] = claimElsewhere({"a"}, leftover == Hangs ? 100ms : kLimit,
                                                     leftover == StaleSocket ? nullptr : fake);
        EXPECT_EQ(outcome, expected) << error.toStdString();
    }
}

TEST_F(InstanceChannelTest, StartsAtTheSameTimeMakeOnePrimary) {
    constexpr int starts = 6;
    std::latch ready(starts), claimed(starts);
    std::atomic<int> primaries = 0, forwarded = 0;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < starts; ++i) {
        threads.emplace_back(QThread::create([&] {
            ready.arrive_and_wait();
            const InstanceChannel::Claim claim = InstanceChannel::claim(kName, {}, kLimit);
            primaries += claim.channel != nullptr;
            forwarded += claim.outcome == Outcome::Forwarded;
            claimed.count_down();
            // A primary serves the others until all have claimed (quit() ends it, also early).
            if (claim.channel)
                QEventLoop().exec();
        }));
        threads.back()->start();
    }
    claimed.wait();
    for (const auto& thread : threads) {
        thread->quit();
        thread->wait();
    }
    EXPECT_EQ(primaries, 1);
    EXPECT_EQ(forwarded, starts - 1);
}

TEST(QuitSignalsTest, ArriveOnTheEventLoopWithTheirNumbers) {
    QuitSignals quit;
    ASSERT_TRUE(quit.install());
    EXPECT_FALSE(QuitSignals().install());
    QSignalSpy spy(&quit, &QuitSignals::quitRequested);
    // Signals raised before the loop runs arrive too, in order.
    for (const std::vector<int>& raised :
         std::vector<std::vector<int>>{{SIGTERM}, {SIGINT}, {SIGINT, SIGTERM}}) {
        SCOPED_TRACE(raised.size());
        spy.clear();
        for (const int number : raised)
            std::raise(number);
        while (spy.size() < qsizetype(raised.size()) && spy.wait(30'000)) {
        }
        std::vector<int> arrived;
        for (const QList<QVariant>& arguments : std::as_const(spy))
            arrived.push_back(arguments.at(0).toInt());
        EXPECT_EQ(arrived, raised);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
