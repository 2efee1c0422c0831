#include "platform/linux/x11/X11PermissionProbe.h"

#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

// What X11 offers stands for the desktop's permissions: the extensions capture and listening
// need, on displays that have them or not.

namespace {

TEST(X11PermissionProbeTest, GrantsWhatTheDisplayOffers) {
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

    XvfbServer server;
    ASSERT_TRUE(server.isReady());
    X11PermissionProbe probe(server.displayName().toLatin1());
    EXPECT_TRUE(probe.accessibility());
    EXPECT_TRUE(probe.inputMonitoring());
    X11PermissionProbe none(QByteArrayLiteral(":4095"));
    EXPECT_FALSE(none.accessibility());
    EXPECT_FALSE(none.inputMonitoring());
}

} // namespace
