#include "platform/linux/X11PermissionProbe.h"

#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

// What X11 offers stands for the desktop's permissions: the extensions capture and listening
// need, on displays that have them or not.

namespace {

TEST(X11PermissionProbeTest, AFullDisplayGrantsBoth) {
    XvfbServer server;
    ASSERT_TRUE(server.isReady());
    X11PermissionProbe probe(server.displayName().toLatin1());
    EXPECT_TRUE(probe.accessibility());
    EXPECT_TRUE(probe.inputMonitoring());
}

TEST(X11PermissionProbeTest, MissingExtensionsWithdrawTheirPermissions) {
    // Without XFIXES clipboard changes cannot be followed: no capture, but listening works.
    XvfbServer withoutXFixes({QStringLiteral("-extension"), QStringLiteral("XFIXES")});
    ASSERT_TRUE(withoutXFixes.isReady());
    X11PermissionProbe listening(withoutXFixes.displayName().toLatin1());
    EXPECT_FALSE(listening.accessibility());
    EXPECT_TRUE(listening.inputMonitoring());

    // Xvfb drops XTEST and RECORD together.
    XvfbServer withoutRecord({QStringLiteral("-extension"), QStringLiteral("RECORD")});
    ASSERT_TRUE(withoutRecord.isReady());
    X11PermissionProbe neither(withoutRecord.displayName().toLatin1());
    EXPECT_FALSE(neither.accessibility());
    EXPECT_FALSE(neither.inputMonitoring());
}

TEST(X11PermissionProbeTest, ADisplayThatGoesAwayTakesThePermissionsWithIt) {
    auto server = std::make_unique<XvfbServer>();
    ASSERT_TRUE(server->isReady());
    X11PermissionProbe probe(server->displayName().toLatin1());
    EXPECT_TRUE(probe.accessibility());
    server.reset();
    EXPECT_FALSE(probe.accessibility());
    EXPECT_FALSE(probe.inputMonitoring());
}

} // namespace
