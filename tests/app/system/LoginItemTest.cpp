#include "app/system/LoginItem.h"

#include "app/settings/DefaultsStore.h"
#include "tests/app/system/FakeRegistration.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString home = QStringLiteral("/home/verdolin-tester"), nowhere = "/nonexistent/scratch";
const QString usrBin = QStringLiteral("/usr/bin/verdolin"), opt = "/opt/verdolin/verdolin";

class LoginItemTest : public testing::Test {
protected:
    // A launch from `executable` with `before` recorded; the registration it used.
    std::shared_ptr<FakeRegistration>
    launch(const QString& executable, const std::optional<QString>& before, bool registered = true,
           int refusals = 0, bool unregisterRefuses = false, const QString& homePath = home,
           const QStringList& temporary = {nowhere}) {
        auto registration = std::make_shared<FakeRegistration>();
        registration->registered = registered;
        registration->registerRefusals = refusals;
        registration->unregisterRefuses = unregisterRefuses;
        before ? store.setString(LoginItem::pathKey, *before) : store.remove(LoginItem::pathKey);
        LoginItem({registration, &store, executable, homePath, temporary})
            .reRegisterIfMoved()
            .waitForFinished();
        return registration;
    }
    std::optional<QString> stored() const { return store.string(LoginItem::pathKey); }

    QTemporaryDir dir;
    DefaultsStore store{QStringLiteral("test.login"), dir.path()};
};

TEST_F(LoginItemTest, AMovedExecutableIsRenewedOnceEvenAfterRefusals) {
    // clang-format off
    const struct { const char* name; bool registered; std::optional<QString> before; int refusals;
        bool unregisterRefuses; int unregisterCalls, registerCalls; std::optional<QString> after;
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
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = launch(opt, c.before, c.registered, c.refusals, c.unregisterRefuses);
        EXPECT_EQ(std::make_pair(r->unregisterCalls, r->registerCalls),
                  std::make_pair(c.unregisterCalls, c.registerCalls));
        EXPECT_EQ(stored(), c.after);
    }
}

TEST_F(LoginItemTest, OnlyInstalledCopiesOutsideABuildTreeAreRenewed) {
    const QString realHome = dir.path() + "/home", build = realHome + "/.local/src/verdolin/build";
    ASSERT_TRUE(QDir().mkpath(build));
    QFile(build + "/CMakeCache.txt").open(QIODevice::WriteOnly);
    const QStringList temp = LoginItem::defaultTemporaryFolders();
    // clang-format off
    const struct { const char* name; QString executable, homePath; QStringList temporary;
        bool installed; } cases[] = {
        {"TempFolderInsideUsr", "/usr/tmp/verdolin", home, {"/usr/tmp"}, false}, // temporary wins
        {"HomeInsideTmp", "/tmp/h/.local/bin/verdolin", "/tmp/h", temp, false},
        {"DotsLeadIntoATempFolder", "/usr/bin/../tmp/verdolin", home, {"/usr/tmp"}, false},
        {"Downloads", home + "/Downloads/verdolin", home, {nowhere}, false},
        {"OptLookalike", "/optional/verdolin", home, {nowhere}, false},
        {"LocalLookalike", home + "/.localx/bin/verdolin", home, {nowhere}, false},
        {"Relative", "usr/bin/verdolin", home, {nowhere}, false},
        {"Unknown", QString(), home, {nowhere}, false},
        {"BuildTree", build + "/app/verdolin", realHome, {nowhere}, false},
        {"UsrBin", usrBin, home, {nowhere}, true},
        {"Opt", "/opt/verdolin/bin/verdolin", home, {nowhere}, true},
        {"HomeApplications", home + "/Applications/verdolin", home, {nowhere}, true},
        {"TrailingSlashOnHome", home + "/.local/bin/verdolin", home + u'/', temp, true},
    };
    // clang-format on
    const QString elsewhere = "/elsewhere/verdolin";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = launch(c.executable, elsewhere, true, 0, false, c.homePath, c.temporary);
        EXPECT_EQ(r->unregisterCalls + r->registerCalls, c.installed ? 2 : 0);
        EXPECT_EQ(stored(), c.installed ? c.executable : elsewhere);
    }
}

} // namespace
