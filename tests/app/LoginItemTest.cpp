#include "app/LoginItem.h"

#include "app/DefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Registered or not; can refuse a number of registrations and every unregistration.
class FakeRegistration final : public LoginRegistration {
public:
    Status status() const override { return registered ? Status::enabled : Status::notRegistered; }
    std::optional<QString> registerApp() override {
        ++registerCalls;
        if (registerRefusals > 0) {
            --registerRefusals;
            return QStringLiteral("refused");
        }
        registered = true;
        return std::nullopt;
    }
    std::optional<QString> unregisterApp() override {
        ++unregisterCalls;
        if (unregisterRefuses)
            return QStringLiteral("busy");
        registered = false;
        return std::nullopt;
    }

    bool registered = false;
    int registerRefusals = 0;
    bool unregisterRefuses = false;
    int registerCalls = 0;
    int unregisterCalls = 0;
};

const QString home = QStringLiteral("/home/verdolin-tester");
const QString nowhere = QStringLiteral("/nonexistent/verdolin-scratch");

class LoginItemTest : public testing::Test {
protected:
    std::unique_ptr<LoginItem> item(const QString& executable, const QString& homePath = home,
                                    const QStringList& temporary = {nowhere}) {
        return std::make_unique<LoginItem>(
            LoginItem::Setup{registration, &store, executable, homePath, temporary});
    }

    std::optional<QString> stored() const { return store.string(LoginItem::pathKey); }
    void storePath(const QString& path) { store.setString(LoginItem::pathKey, path); }

    void repair(LoginItem& loginItem) {
        QFuture<void> done = loginItem.reRegisterIfMoved();
        done.waitForFinished();
    }

    void expectUntouched(const std::optional<QString>& before) {
        EXPECT_EQ(registration->registerCalls, 0);
        EXPECT_EQ(registration->unregisterCalls, 0);
        EXPECT_EQ(stored(), before);
    }

    QTemporaryDir dir;
    DefaultsStore store{QStringLiteral("test.login"), dir.path()};
    std::shared_ptr<FakeRegistration> registration = std::make_shared<FakeRegistration>();
};

TEST_F(LoginItemTest, EnablingRegistersAndRecordsThePath) {
    auto loginItem = item(QStringLiteral("/usr/bin/verdolin"));
    EXPECT_EQ(loginItem->set(true), std::nullopt);
    EXPECT_EQ(loginItem->status(), LoginItem::Status::enabled);
    EXPECT_EQ(stored(), QStringLiteral("/usr/bin/verdolin"));
}

TEST_F(LoginItemTest, RefusedEnablingReturnsTheMessageAndRecordsNothing) {
    storePath(QStringLiteral("/opt/old/verdolin"));
    registration->registerRefusals = 1;
    auto loginItem = item(QStringLiteral("/usr/bin/verdolin"));
    EXPECT_EQ(loginItem->set(true), QStringLiteral("refused"));
    EXPECT_EQ(loginItem->status(), LoginItem::Status::notRegistered);
    EXPECT_EQ(stored(), QStringLiteral("/opt/old/verdolin"));
}

TEST_F(LoginItemTest, DisablingUnregistersAndKeepsTheRecordedPath) {
    auto loginItem = item(QStringLiteral("/usr/bin/verdolin"));
    ASSERT_EQ(loginItem->set(true), std::nullopt);
    EXPECT_EQ(loginItem->set(false), std::nullopt);
    EXPECT_EQ(loginItem->status(), LoginItem::Status::notRegistered);
    EXPECT_EQ(stored(), QStringLiteral("/usr/bin/verdolin"));
}

TEST_F(LoginItemTest, MovedExecutableReRegistersOnceAndRecordsTheNewPath) {
    registration->registered = true;
    storePath(QStringLiteral("/usr/bin/verdolin"));
    const QString moved = home + QStringLiteral("/.local/bin/verdolin");
    auto loginItem = item(moved);
    repair(*loginItem);
    EXPECT_EQ(registration->unregisterCalls, 1);
    EXPECT_EQ(registration->registerCalls, 1);
    EXPECT_TRUE(registration->registered);
    EXPECT_EQ(stored(), moved);

    // The next launch finds the new path recorded.
    repair(*item(moved));
    EXPECT_EQ(registration->unregisterCalls, 1);
    EXPECT_EQ(registration->registerCalls, 1);
}

TEST_F(LoginItemTest, FirstLaunchWithoutARecordOnlyRecordsThePath) {
    registration->registered = true;
    repair(*item(QStringLiteral("/usr/bin/verdolin")));
    EXPECT_EQ(registration->registerCalls, 0);
    EXPECT_EQ(registration->unregisterCalls, 0);
    EXPECT_EQ(stored(), QStringLiteral("/usr/bin/verdolin"));
}

TEST_F(LoginItemTest, SamePathTouchesNothing) {
    registration->registered = true;
    storePath(QStringLiteral("/usr/bin/verdolin"));
    repair(*item(QStringLiteral("/usr/bin/verdolin")));
    expectUntouched(QStringLiteral("/usr/bin/verdolin"));
}

TEST_F(LoginItemTest, NotEnabledTouchesNothing) {
    storePath(QStringLiteral("/usr/bin/verdolin"));
    repair(*item(QStringLiteral("/opt/verdolin/verdolin")));
    expectUntouched(QStringLiteral("/usr/bin/verdolin"));

    store.remove(LoginItem::pathKey);
    repair(*item(QStringLiteral("/opt/verdolin/verdolin")));
    expectUntouched(std::nullopt);
}

TEST_F(LoginItemTest, RegistrationRefusedTwiceIsSwallowed) {
    registration->registered = true;
    registration->registerRefusals = 2;
    storePath(QStringLiteral("/usr/bin/verdolin"));
    repair(*item(QStringLiteral("/opt/verdolin/verdolin")));
    EXPECT_EQ(registration->unregisterCalls, 1);
    EXPECT_EQ(registration->registerCalls, 2);
    EXPECT_FALSE(registration->registered);
    EXPECT_EQ(stored(), QStringLiteral("/usr/bin/verdolin"));
}

TEST_F(LoginItemTest, RegistrationRefusedOnceIsRetried) {
    registration->registered = true;
    registration->registerRefusals = 1;
    storePath(QStringLiteral("/usr/bin/verdolin"));
    repair(*item(QStringLiteral("/opt/verdolin/verdolin")));
    EXPECT_EQ(registration->registerCalls, 2);
    EXPECT_EQ(stored(), QStringLiteral("/opt/verdolin/verdolin"));
}

TEST_F(LoginItemTest, RefusedUnregistrationDoesNotStopTheRenewal) {
    registration->registered = true;
    registration->unregisterRefuses = true;
    storePath(QStringLiteral("/usr/bin/verdolin"));
    repair(*item(QStringLiteral("/opt/verdolin/verdolin")));
    EXPECT_EQ(registration->registerCalls, 1);
    EXPECT_EQ(stored(), QStringLiteral("/opt/verdolin/verdolin"));
}

TEST_F(LoginItemTest, CopyInsideABuildTreeTouchesNothing) {
    const QString realHome = dir.path() + QStringLiteral("/home");
    const QString build = realHome + QStringLiteral("/.local/src/verdolin/build");
    ASSERT_TRUE(QDir().mkpath(build + QStringLiteral("/app")));
    QFile cache(build + QStringLiteral("/CMakeCache.txt"));
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    cache.close();
    registration->registered = true;
    storePath(QStringLiteral("/usr/bin/verdolin"));
    repair(*item(build + QStringLiteral("/app/verdolin"), realHome));
    expectUntouched(QStringLiteral("/usr/bin/verdolin"));

    // The same place without the cache is an installed copy.
    ASSERT_TRUE(cache.remove());
    repair(*item(build + QStringLiteral("/app/verdolin"), realHome));
    EXPECT_EQ(registration->registerCalls, 1);
}

struct Placement {
    const char* name;
    QString executable;
    QString homePath;
    QStringList temporary;
};

void PrintTo(const Placement& placement, std::ostream* out) {
    *out << placement.name;
}

// Copies that are not worth starting at login: nothing is registered or recorded.
class ThrowawayCopyTest : public LoginItemTest, public testing::WithParamInterface<Placement> {};

TEST_P(ThrowawayCopyTest, TouchesNothing) {
    const Placement& placement = GetParam();
    registration->registered = true;
    storePath(QStringLiteral("/usr/bin/verdolin"));
    repair(*item(placement.executable, placement.homePath, placement.temporary));
    expectUntouched(QStringLiteral("/usr/bin/verdolin"));
}

INSTANTIATE_TEST_SUITE_P(
    LoginItem, ThrowawayCopyTest,
    testing::Values(
        // Temporary folders win over installed places.
        Placement{"TempFolderInsideUsr",
                  QStringLiteral("/usr/tmp/verdolin"),
                  home,
                  {QStringLiteral("/usr/tmp")}},
        Placement{"HomeInsideTmp", QStringLiteral("/tmp/h/.local/bin/verdolin"),
                  QStringLiteral("/tmp/h"), LoginItem::defaultTemporaryFolders()},
        Placement{"DotsLeadIntoATempFolder",
                  QStringLiteral("/usr/bin/../tmp/verdolin"),
                  home,
                  {QStringLiteral("/usr/tmp")}},
        // Not in an installed place.
        Placement{"Downloads", home + QStringLiteral("/Downloads/verdolin"), home, {nowhere}},
        Placement{"OptLookalike", QStringLiteral("/optional/verdolin"), home, {nowhere}},
        Placement{
            "LocalLookalike", home + QStringLiteral("/.localx/bin/verdolin"), home, {nowhere}},
        Placement{"Relative", QStringLiteral("usr/bin/verdolin"), home, {nowhere}},
        Placement{"Unknown", QString(), home, {nowhere}}),
    [](const testing::TestParamInfo<Placement>& info) { return std::string(info.param.name); });

// Installed copies: a registration made for another path is renewed.
class InstalledCopyTest : public LoginItemTest, public testing::WithParamInterface<Placement> {};

TEST_P(InstalledCopyTest, IsRenewedAndRecorded) {
    const Placement& placement = GetParam();
    registration->registered = true;
    storePath(QStringLiteral("/elsewhere/verdolin"));
    repair(*item(placement.executable, placement.homePath, placement.temporary));
    EXPECT_EQ(registration->unregisterCalls, 1);
    EXPECT_EQ(registration->registerCalls, 1);
    EXPECT_EQ(stored(), placement.executable);
}

INSTANTIATE_TEST_SUITE_P(
    LoginItem, InstalledCopyTest,
    testing::Values(
        Placement{"UsrBin", QStringLiteral("/usr/bin/verdolin"), home, {nowhere}},
        Placement{"Opt", QStringLiteral("/opt/verdolin/bin/verdolin"), home, {nowhere}},
        Placement{"HomeLocal", home + QStringLiteral("/.local/bin/verdolin"), home, {nowhere}},
        Placement{
            "HomeApplications", home + QStringLiteral("/Applications/verdolin"), home, {nowhere}},
        Placement{"TrailingSlashOnHome", home + QStringLiteral("/.local/bin/verdolin"), home + u'/',
                  LoginItem::defaultTemporaryFolders()}),
    [](const testing::TestParamInfo<Placement>& info) { return std::string(info.param.name); });

} // namespace
