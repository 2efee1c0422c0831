#include "platform/linux/instance/InstanceChannel.h"

#include "core/InstanceMessage.h"
#include "tests/support/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using Outcome = InstanceChannel::Claim::Outcome;

namespace {

const QString kName = "verdolin-test";
// Only a guard against a hang: a running instance answers at once.
constexpr auto kLimit = 30s;

// A claim from another thread, as another start would make it, while this thread's loop
// runs; a channel it gets is closed there.
std::pair<Outcome, QString> claimElsewhere(const QStringList& arguments) {
    std::pair<Outcome, QString> result;
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        const InstanceChannel::Claim claim = InstanceChannel::claim(kName, arguments, kLimit);
        result = {claim.outcome, claim.error};
    }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
    return result;
}

// A Unix socket bound at `path` by hand; listening when asked.
int bindSocket(const QString& path, bool listening) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), name.size());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || (listening && ::listen(fd, 4) != 0))
        ADD_FAILURE() << "cannot bind " << path.toStdString();
    return fd;
}

class InstanceChannelTest : public ::testing::Test {
protected:
    void SetUp() override { m_environment.set("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path())); }

    QString path() const { return m_dir.filePath(kName); }

    // The instance on this thread.
    std::unique_ptr<InstanceChannel> primary() {
        InstanceChannel::Claim claim = InstanceChannel::claim(kName, {}, kLimit);
        EXPECT_EQ(claim.outcome, Outcome::Primary) << claim.error.toStdString();
        return std::move(claim.channel);
    }

    QTemporaryDir m_dir;
    ScopedEnvironment m_environment;
};

TEST_F(InstanceChannelTest, SocketPathFallsBackToTheTemporaryFolderPerUser) {
    EXPECT_EQ(InstanceChannel::socketPath("v"), m_dir.filePath("v"));
    m_environment.set("XDG_RUNTIME_DIR", {});
    EXPECT_EQ(InstanceChannel::socketPath("v"),
              QDir::tempPath() + "/v-" + QString::number(::getuid()));
}

TEST_F(InstanceChannelTest, OnlyTheOwnerMayConnect) {
    const auto channel = primary();
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
    EXPECT_EQ(status.st_mode & 077, 0u);
}

struct ArgumentsCase {
    const char* name;
    QStringList arguments;
};

class ForwardTest : public InstanceChannelTest,
                    public ::testing::WithParamInterface<ArgumentsCase> {};

TEST_P(ForwardTest, ThePrimaryReceivesTheExactArguments) {
    const auto channel = primary();
    QSignalSpy received(channel.get(), &InstanceChannel::argumentsReceived);
    const auto [outcome, error] = claimElsewhere(GetParam().arguments);
    EXPECT_EQ(outcome, Outcome::Forwarded) << error.toStdString();
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.at(0).at(0).toStringList(), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ForwardTest,
    ::testing::Values(
        ArgumentsCase{"Unicode", {"verdolin://translate?text=Привет", "日本語 ✓", "e\u0301"}},
        ArgumentsCase{"NoArguments", {}},
        ArgumentsCase{"NewlinesAndQuotes", {"line one\nline two\r\n", "\"]", ""}},
        // Arrives in several reads: the end is found only on the last.
        ArgumentsCase{"NearTheLimit", {QString(InstanceMessage::kMaxBytes - 10, 'x')}}),
    [](const auto& info) { return info.param.name; });

TEST_F(InstanceChannelTest, ArgumentsTooLongToHandOverFail) {
    const auto channel = primary();
    const auto [outcome, error] = claimElsewhere({QString(InstanceMessage::kMaxBytes, 'x')});
    EXPECT_EQ(outcome, Outcome::Failed);
    EXPECT_TRUE(error.contains("too long")) << error.toStdString();
}

enum class Leftover { BoundSocket, InstanceThatDies, InstanceThatHangs };

struct LeftoverCase {
    const char* name;
    Leftover leftover;
    Outcome outcome;
};

class LeftoverTest : public InstanceChannelTest,
                     public ::testing::WithParamInterface<LeftoverCase> {};

TEST_P(LeftoverTest, NoLiveInstanceMeansPrimary) {
    const LeftoverCase& c = GetParam();
    const int fd = bindSocket(path(), c.leftover != Leftover::BoundSocket);
    if (c.leftover == Leftover::BoundSocket)
        ::close(fd);
    std::pair<Outcome, QString> result;
    std::unique_ptr<QThread> start(QThread::create([&] {
        const InstanceChannel::Claim claim = InstanceChannel::claim(
            kName, {"a"}, c.leftover == Leftover::InstanceThatHangs ? 100ms : kLimit);
        result = {claim.outcome, claim.error};
    }));
    start->start();
    if (c.leftover != Leftover::BoundSocket) {
        // The fake instance takes the connection and the message, then dies or goes silent.
        pollfd pending{fd, POLLIN, 0};
        EXPECT_EQ(::poll(&pending, 1, 30'000), 1);
        const int peer = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        char buffer[16];
        EXPECT_GT(::read(peer, buffer, sizeof buffer), 0);
        if (c.leftover == Leftover::InstanceThatHangs)
            start->wait();
        ::close(fd);
        ::close(peer);
    }
    start->wait();
    EXPECT_EQ(result.first, c.outcome) << result.second.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Leftovers, LeftoverTest,
    ::testing::Values(LeftoverCase{"StaleSocket", Leftover::BoundSocket, Outcome::Primary},
                      LeftoverCase{"DiedWhileReading", Leftover::InstanceThatDies,
                                   Outcome::Primary},
                      // Alive but stuck: its socket is not taken over.
                      LeftoverCase{"NeverAnswers", Leftover::InstanceThatHangs, Outcome::Failed}),
    [](const auto& info) { return info.param.name; });

struct BadPeerCase {
    const char* name;
    QByteArray bytes;
    bool hangsUp;
    bool cutOff; // by the instance, while still connected
};

class BadPeerTest : public InstanceChannelTest,
                    public ::testing::WithParamInterface<BadPeerCase> {};

TEST_P(BadPeerTest, IsDroppedAndTheNextPeerServed) {
    const BadPeerCase& c = GetParam();
    const auto channel = primary();
    QSignalSpy received(channel.get(), &InstanceChannel::argumentsReceived);
    QLocalSocket peer;
    peer.connectToServer(path());
    peer.write(c.bytes);
    if (c.hangsUp)
        peer.disconnectFromServer();
    if (c.hangsUp || c.cutOff) {
        EXPECT_TRUE(peer.state() == QLocalSocket::UnconnectedState
                    || QSignalSpy(&peer, &QLocalSocket::disconnected).wait(30'000));
    }
    EXPECT_EQ(claimElsewhere({"next"}).first, Outcome::Forwarded);
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.at(0).at(0).toStringList(), QStringList{"next"});
    if (!c.hangsUp && !c.cutOff) {
        EXPECT_EQ(peer.state(), QLocalSocket::ConnectedState);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Peers, BadPeerTest,
    ::testing::Values(BadPeerCase{"Oversized",
                                  "[\"" + QByteArray(InstanceMessage::kMaxBytes - 3, 'x') + "\"]",
                                  false, true},
                      BadPeerCase{"NotJson", "hello]", true, false},
                      BadPeerCase{"Object", "{\"a\":\"b\"}", true, false},
                      BadPeerCase{"Numbers", "[1,2]", true, false},
                      BadPeerCase{"NeverFinishes", "[\"half", false, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(InstanceChannelTest, StartsAtTheSameTimeMakeOnePrimary) {
    constexpr int starts = 6;
    std::latch ready(starts);
    std::latch claimed(starts);
    std::mutex mutex;
    std::vector<QEventLoop*> serving;
    std::atomic<int> forwarded = 0;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < starts; ++i) {
        threads.emplace_back(QThread::create([&] {
            QEventLoop loop;
            ready.arrive_and_wait();
            const InstanceChannel::Claim claim = InstanceChannel::claim(kName, {}, kLimit);
            if (claim.outcome == Outcome::Forwarded)
                ++forwarded;
            if (claim.channel) {
                const std::lock_guard lock(mutex);
                serving.push_back(&loop);
            }
            claimed.count_down();
            if (claim.channel)
                loop.exec();
        }));
        threads.back()->start();
    }
    claimed.wait();
    {
        const std::lock_guard lock(mutex);
        EXPECT_EQ(serving.size(), 1u);
        for (QEventLoop* loop : serving)
            QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
    }
    for (const auto& thread : threads)
        thread->wait();
    EXPECT_EQ(forwarded, starts - 1);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
