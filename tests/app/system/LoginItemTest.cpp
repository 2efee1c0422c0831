#include "app/system/LoginItem.h"

#include "app/settings/DefaultsStore.h"

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
const QString usrBin = QStringLiteral("/usr/bin/verdolin");
const QString opt = QStringLiteral("/opt/verdolin/verdolin");

class LoginItemTest : public testing::Test {
protected:
    std::unique_ptr<LoginItem> item(const QString& executable, const QString& homePath = home,
                                    const QStringList& temporary = {nowhere}) {
        return std::make_unique<LoginItem>(
            LoginItem::Setup{registration, &store, executable, homePath, temporary});
    }

    std::optional<QString> stored() const { return store.string(LoginItem::pathKey); }

    // A launch from `executable` finding the registration `registered`, `before` recorded.
    void launch(const QString& executable, bool registered, const std::optional<QString>& before,
                const QString& homePath = home, const QStringList& temporary = {nowhere}) {
        registration->registered = registered;
        if (before)
            store.setString(LoginItem::pathKey, *before);
        else
            store.remove(LoginItem::pathKey);
        item(executable, homePath, temporary)->reRegisterIfMoved().waitForFinished();
    }

    QTemporaryDir dir;
    DefaultsStore store{QStringLiteral("test.login"), dir.path()};
    std::shared_ptr<FakeRegistration> registration = std::make_shared<FakeRegistration>();
};

TEST_F(LoginItemTest, SetRecordsThePathOnlyWhenRegistrationSucceeds) {
    store.setString(LoginItem::pathKey, opt);
    registration->registerRefusals = 1;
    auto loginItem = item(usrBin);
    EXPECT_EQ(loginItem->set(true), QStringLiteral("refused"));
    EXPECT_EQ(loginItem->status(), LoginItem::Status::notRegistered);
    EXPECT_EQ(stored(), opt);

    EXPECT_EQ(loginItem->set(true), std::nullopt);
    EXPECT_EQ(loginItem->status(), LoginItem::Status::enabled);
    EXPECT_EQ(stored(), usrBin);
    // Disabling keeps the recorded path.
    EXPECT_EQ(loginItem->set(false), std::nullopt);
    EXPECT_EQ(loginItem->status(), LoginItem::Status::notRegistered);
    EXPECT_EQ(stored(), usrBin);
}

TEST_F(LoginItemTest, AMovedExecutableIsRenewedOnceEvenAfterRefusals) {
    const struct {
        const char* name;
        bool registered;
        std::optional<QString> before;
        int refusals;
        bool unregisterRefuses;
        int unregisterCalls;
        int registerCalls;
        std::optional<QString> after;
    } cases[] = {
        {"Moved", true, usrBin, 0, false, 1, 1, opt},
        {"FirstLaunchOnlyRecords", true, std::nullopt, 0, false, 0, 0, opt},
        {"SamePath", true, opt, 0, false, 0, 0, opt},
        {"NotEnabled", false, usrBin, 0, false, 0, 0, usrBin},
        {"NotEnabledWithoutARecord", false, std::nullopt, 0, false, 0, 0, std::nullopt},
        {"RefusedOnceIsRetried", true, usrBin, 1, false, 1, 2, opt},
        {"RefusedTwiceIsSwallowed", true, usrBin, 2, false, 1, 2, usrBin},
        {"RefusedUnregistrationDoesNotStopIt", true, usrBin, 0, true, 1, 1, opt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        registration = std::make_shared<FakeRegistration>();
        registration->registerRefusals = c.refusals;
        registration->unregisterRefuses = c.unregisterRefuses;
        launch(opt, c.registered, c.before);
        EXPECT_EQ(registration->unregisterCalls, c.unregisterCalls);
        EXPECT_EQ(registration->registerCalls, c.registerCalls);
        EXPECT_EQ(stored(), c.after);
    }
    // The next launch finds the new path recorded.
    registration = std::make_shared<FakeRegistration>();
    launch(opt, true, opt);
    EXPECT_EQ(registration->registerCalls, 0);
}

TEST_F(LoginItemTest, OnlyInstalledCopiesAreRenewed) {
    const struct {
        const char* name;
        QString executable;
        QString homePath;
        QStringList temporary;
        bool installed;
    } cases[] = {
        // Temporary folders win over installed places.
        {"TempFolderInsideUsr", "/usr/tmp/verdolin", home, {"/usr/tmp"}, false},
        {"HomeInsideTmp", "/tmp/h/.local/bin/verdolin", "/tmp/h",
         LoginItem::defaultTemporaryFolders(), false},
        {"DotsLeadIntoATempFolder", "/usr/bin/../tmp/verdolin", home, {"/usr/tmp"}, false},
        {"Downloads", home + "/Downloads/verdolin", home, {nowhere}, false},
        {"OptLookalike", "/optional/verdolin", home, {nowhere}, false},
        {"LocalLookalike", home + "/.localx/bin/verdolin", home, {nowhere}, false},
        {"Relative", "usr/bin/verdolin", home, {nowhere}, false},
        {"Unknown", QString(), home, {nowhere}, false},
        {"UsrBin", usrBin, home, {nowhere}, true},
        {"Opt", "/opt/verdolin/bin/verdolin", home, {nowhere}, true},
        {"HomeLocal", home + "/.local/bin/verdolin", home, {nowhere}, true},
        {"HomeApplications", home + "/Applications/verdolin", home, {nowhere}, true},
        {"TrailingSlashOnHome", home + "/.local/bin/verdolin", home + u'/',
         LoginItem::defaultTemporaryFolders(), true},
    };
    const QString elsewhere = QStringLiteral("/elsewhere/verdolin");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        registration = std::make_shared<FakeRegistration>();
        launch(c.executable, true, elsewhere, c.homePath, c.temporary);
        EXPECT_EQ(registration->unregisterCalls, c.installed ? 1 : 0);
        EXPECT_EQ(registration->registerCalls, c.installed ? 1 : 0);
        EXPECT_EQ(stored(), c.installed ? c.executable : elsewhere);
    }
}

TEST_F(LoginItemTest, CopyInsideABuildTreeTouchesNothing) {
    const QString realHome = dir.path() + QStringLiteral("/home");
    const QString build = realHome + QStringLiteral("/.local/src/verdolin/build");
    ASSERT_TRUE(QDir().mkpath(build + QStringLiteral("/app")));
    QFile cache(build + QStringLiteral("/CMakeCache.txt"));
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    cache.close();
    launch(build + QStringLiteral("/app/verdolin"), true, usrBin, realHome);
    EXPECT_EQ(registration->registerCalls + registration->unregisterCalls, 0);
    EXPECT_EQ(stored(), usrBin);

    // The same place without the cache is an installed copy.
    ASSERT_TRUE(cache.remove());
    launch(build + QStringLiteral("/app/verdolin"), true, usrBin, realHome);
    EXPECT_EQ(registration->registerCalls, 1);
}

} // namespace
