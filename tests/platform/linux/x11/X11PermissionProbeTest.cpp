#include "platform/linux/x11/X11PermissionProbe.h"

#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// What X11 offers stands for the desktop's permissions: the extensions capture and listening
// need, on displays that have them or not.

namespace {

TEST(X11PermissionProbeTest, MissingExtensionsWithdrawTheirPermissions) {
    // Without XFIXES clipboard changes cannot be followed: no capture, but listening works.
    XvfbServer withoutXFixes({QStringLiteral("-extension"), QStringLiteral("XFIXES")});
    ASSERT_TRUE(withoutXFixes.isReady());
    X11PermissionProbe listening(withoutXFixes.displayName().toLatin1());
    const bool monitoring = listening.inputMonitoring();
    const bool accessibility = listening.accessibility();
    // Xvfb 21.1 without XFIXES sometimes aborts as a client disconnects (an assertion in its
    // client close-down); a server that is gone answers no to everything and proves nothing.
    if (withoutXFixes.isRunning()) {
        EXPECT_TRUE(monitoring);
        EXPECT_FALSE(accessibility);
    }

    // Xvfb drops XTEST and RECORD together.
    XvfbServer withoutRecord({QStringLiteral("-extension"), QStringLiteral("RECORD")});
    ASSERT_TRUE(withoutRecord.isReady());
    X11PermissionProbe neither(withoutRecord.displayName().toLatin1());
    EXPECT_FALSE(neither.accessibility());
    EXPECT_FALSE(neither.inputMonitoring());
}

TEST(X11PermissionProbeTest, AFullDisplayGrantsBothUntilItGoesAway) {
    auto server = std::make_unique<XvfbServer>();
    ASSERT_TRUE(server->isReady());
    X11PermissionProbe probe(server->displayName().toLatin1());
    EXPECT_TRUE(probe.accessibility());
    EXPECT_TRUE(probe.inputMonitoring());
    const QString number = server->displayName().mid(1);
    server.reset();
    // Hold the number so that a parallel test's server cannot bring the display back meanwhile:
    // servers choosing a number skip one whose abstract socket name is bound, and a socket that
    // does not listen refuses the probe's connection.
    const int holder = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(holder, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = "/tmp/.X11-unix/X" + number.toLatin1();
    std::memcpy(address.sun_path + 1, name.constData(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (::bind(holder, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        ::close(holder);
        GTEST_SKIP() << "another server took display :" << number.toStdString();
    }
    const bool accessibility = probe.accessibility();
    const bool monitoring = probe.inputMonitoring();
    ::close(holder);
    EXPECT_FALSE(accessibility);
    EXPECT_FALSE(monitoring);
}

} // namespace
