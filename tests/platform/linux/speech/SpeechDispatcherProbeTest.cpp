#include "platform/linux/speech/SpeechDispatcherProbe.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using SpeechDispatcherProbe::Address;

namespace {

const QString sock = "/speech-dispatcher/speechd.sock";

TEST(SpeechDispatcherAddressTest, ReadsTheAddress) {
    const struct {
        QString speechdAddress, runtimeDir, cacheHome, home;
        std::optional<Address> expected;
    } cases[] = {
        {"", "/run/user/7", "", "/home/a", Address{"/run/user/7" + sock, {}, 0}},
        {"unix_socket", "/run/user/7", "", "/home/a", Address{"/run/user/7" + sock, {}, 0}},
        {"unix_socket:/tmp/s.sock", "/run/user/7", "", "", Address{"/tmp/s.sock", {}, 0}},
        {"", "", "/c", "/home/a", Address{"/c" + sock, {}, 0}},
        {"", "", "", "/home/a", Address{"/home/a/.cache" + sock, {}, 0}},
        {"", "", "", "", std::nullopt},
        {"inet_socket", "", "", "", Address{{}, "127.0.0.1", 6560}},
        {"inet_socket:speech.local:7000", "", "", "", Address{{}, "speech.local", 7000}},
        {"inet_socket:speech.local", "", "", "", Address{{}, "speech.local", 6560}},
        {"inet_socket:h:99999", "", "", "", std::nullopt},
        {"pipe:/x", "/run/user/7", "", "", std::nullopt},
        {"unix_socket:", "/run/user/7", "", "", std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speechdAddress.toStdString() + " " + c.runtimeDir.toStdString() + " "
                     + c.cacheHome.toStdString() + " " + c.home.toStdString());
        EXPECT_EQ(
            SpeechDispatcherProbe::address(c.speechdAddress, c.runtimeDir, c.cacheHome, c.home),
            c.expected);
    }
}

// A listening socket that answers its one client's first line with `reply` (or nothing) and
// records what it was sent. Not a daemon: it stands for one that is wedged or is something else.
class Listener {
public:
    Listener(const QString& path, const QByteArray& reply) {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray encoded = path.toLocal8Bit();
        std::memcpy(addr.sun_path, encoded.constData(), size_t(encoded.size()));
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        EXPECT_EQ(::listen(m_fd, 4), 0);
        m_thread = std::thread([this, reply] {
            const int client = ::accept(m_fd, nullptr, nullptr);
            bool replied = reply.isEmpty();
            char buffer[256];
            ssize_t n = 0;
            // Until the client closes.
            while (client >= 0 && (n = ::recv(client, buffer, sizeof buffer, 0)) > 0) {
                m_received.append(buffer, n);
                if (!replied && m_received.contains('\n')) {
                    ::send(client, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL);
                    replied = true;
                }
            }
            ::close(client);
        });
    }
    ~Listener() {
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        if (m_thread.joinable())
            m_thread.join();
    }
    QByteArray received() {
        m_thread.join();
        return m_received;
    }

private:
    int m_fd = -1;
    QByteArray m_received;
    std::thread m_thread;
};

TEST(SpeechDispatcherProbeTest, OnlyTheDaemonsReplyToItsNameIsAnAnswer) {
    QTemporaryDir dir;
    EXPECT_FALSE(SpeechDispatcherProbe::answers(Address{dir.filePath("none.sock"), {}, 0}, 1s));
    const struct {
        const char* peer;
        QByteArray reply;
        bool answers;
    } cases[] = {{"silent", {}, false},
                 {"other", "300 ERR UNKNOWN COMMAND\r\n", false},
                 {"daemon", "208 OK CLIENT NAME SET\r\n", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.peer);
        const QString path = dir.filePath(QString::fromLatin1(c.peer));
        Listener listener(path, c.reply);
        // The silent peer is given up after the wait; the others reply at once.
        EXPECT_EQ(SpeechDispatcherProbe::answers(Address{path, {}, 0},
                                                 c.reply.isEmpty() ? 200ms : 5000ms),
                  c.answers);
        const QByteArray greeting = "SET self CLIENT_NAME user:verdolin:probe\r\n";
        if (c.answers) // and quits after the reply
            EXPECT_EQ(listener.received(), greeting + "QUIT\r\n");
        else
            EXPECT_TRUE(listener.received().startsWith(greeting));
    }
}

} // namespace
