#include "app/updates/UpdateController.h"

#include "app/settings/AppSettings.h"
#include "app/settings/DefaultsStore.h"
#include "app/translation/Futures.h"
#include "app/updates/Updater.h"
#include "tests/support/FakeUpdateInstaller.h"
#include "tests/support/FakeUpdateNetwork.h"
#include "tests/support/FakeUpdateVerifier.h"
#include "tests/support/ManualClock.h"
#include "tests/support/UpdaterLaunch.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

constexpr auto day = std::chrono::hours(24);

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

void pass(ManualClock& clock, std::chrono::milliseconds step) {
    clock.advance(step);
    settle();
}

class UpdateControllerTest : public testing::Test {
protected:
    // A launch of the application on the same stored settings, started as at launch; a first
    // check has had its answer.
    std::unique_ptr<UpdaterLaunch> launch(UpdateFrequency frequency, bool autoInstall) {
        settings.setUpdateFrequency(frequency);
        settings.setAutoInstallUpdates(autoInstall);
        Updater::Services services = UpdaterLaunch::services(network, verifier, installer, store,
                                                             clock, dir.filePath("downloads"));
        services.now = [this] { return epoch.addMSecs(clock->now().count()); };
        auto made = std::make_unique<UpdaterLaunch>(services, settings, store);
        made->controller.start(UpdatePolicy(frequency, autoInstall));
        settle();
        return made;
    }

    QTemporaryDir dir;
    DefaultsStore store{"com.korvane.verdolin", dir.path()};
    AppSettings settings{store, {"en-US"}, {}};
    FakeUpdateNetwork network;
    FakeUpdateVerifier verifier;
    FakeUpdateInstaller installer;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    const QDateTime epoch = QDateTime(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC);
};

} // namespace

TEST_F(UpdateControllerTest, SettingsBecomeTheUpdatersPolicy) {
    store.setBool(UpdateController::updateServerReachedKey, true);
    auto app = launch(UpdateFrequency::never, true);
    Updater& updater = app->updater;
    using enum UpdateFrequency;
    // Never keeps a valid interval and turns downloads off although auto-install stays on.
    const struct {
        UpdateFrequency frequency;
        bool autoInstall, checks;
        double interval;
        bool downloads;
    } steps[] = {
        {never, true, false, 604800, false},    {daily, true, true, 86400, true},
        {monthly, false, true, 2592000, false}, {weekly, true, true, 604800, true},
        {never, true, false, 604800, false},
    };
    for (const auto& step : steps) {
        app->controller.apply(UpdatePolicy(step.frequency, step.autoInstall));
        EXPECT_EQ(updater.automaticallyChecksForUpdates(), step.checks);
        EXPECT_EQ(updater.updateCheckInterval(), step.interval);
        EXPECT_EQ(updater.automaticallyDownloadsUpdates(), step.downloads);
    }
}

// Each launch asks with the same stored installation identifier.
TEST_F(UpdateControllerTest, FirstLaunchReachesTheServerOnce) {
    const struct {
        const char* what;
        UpdateNetwork::Response answer;
        bool reached;
    } cycles[] = {
        {"no network", {{}, "Host unreachable"}, false},
        {"a page that is no feed", {"<html>503</html>", {}}, false},
        {"a feed without an update", {FakeUpdateNetwork::feedWith({}), {}}, true},
    };
    for (const auto& cycle : cycles) {
        SCOPED_TRACE(cycle.what);
        network.requests.clear();
        network.answer = cycle.answer;
        auto app = launch(UpdateFrequency::weekly, false);
        ASSERT_EQ(network.requests.size(), 1);
        EXPECT_EQ(store.boolean(UpdateController::updateServerReachedKey), cycle.reached);
        EXPECT_TRUE(app->controller.lastChecked()) << "failed or not, the cycle happened";
        const QString id = QUrlQuery(network.requests[0]).queryItemValue("iid");
        EXPECT_EQ(id.size(), 36);
        EXPECT_EQ(id, store.string(UpdateController::installIDKey));
    }
    network.requests.clear();
    auto later = launch(UpdateFrequency::weekly, false);
    EXPECT_TRUE(network.requests.isEmpty());
    // Without automatic checks nothing pings, even before the server was reached.
    store.remove(UpdateController::updateServerReachedKey);
    auto off = launch(UpdateFrequency::never, false);
    EXPECT_TRUE(network.requests.isEmpty());
    EXPECT_TRUE(off->controller.lastCheckedText().startsWith("Last checked: "));
}

TEST_F(UpdateControllerTest, ScheduleCountsFromTheLastCheckAndSurvivesReapplying) {
    store.setBool(UpdateController::updateServerReachedKey, true);
    store.setString(Updater::lastCheckKey, epoch.addDays(-3).toString(Qt::ISODateWithMs));
    auto app = launch(UpdateFrequency::weekly, false);
    EXPECT_TRUE(network.requests.isEmpty());
    clock->advance(3 * day);
    // The policy in force once more: the due check is not pushed back.
    app->controller.apply(UpdatePolicy(UpdateFrequency::weekly, false));
    pass(*clock, day - 1min);
    EXPECT_TRUE(network.requests.isEmpty());
    pass(*clock, 1min);
    EXPECT_EQ(network.requests.size(), 1);
    // Then a whole interval from that check.
    pass(*clock, 7 * day - 1min);
    EXPECT_EQ(network.requests.size(), 1);
    pass(*clock, 1min);
    EXPECT_EQ(network.requests.size(), 2);
    // An offer left open for weeks: the checks due meanwhile are skipped, one per interval.
    network.answer = {FakeUpdateNetwork::feedWith("0.2.0"), {}};
    pass(*clock, 7 * day);
    ASSERT_EQ(app->updater.stage(), Updater::Stage::available);
    pass(*clock, 21 * day);
    EXPECT_EQ(network.requests.size(), 3);
    EXPECT_EQ(clock->waiting(), 1);
    app->updater.later();
    pass(*clock, 7 * day);
    EXPECT_EQ(network.requests.size(), 4);
}

TEST_F(UpdateControllerTest, ChoiceInTheUpdateDialogReachesTheSettingsUnlessChecksAreOff) {
    store.setBool(UpdateController::updateServerReachedKey, true);
    auto app = launch(UpdateFrequency::weekly, false);
    app->updater.setAutomaticallyDownloadsUpdates(true);
    EXPECT_TRUE(settings.autoInstallUpdates());
    settings.setUpdateFrequency(UpdateFrequency::never);
    app->controller.apply(UpdatePolicy(UpdateFrequency::never, true));
    settings.setAutoInstallUpdates(false);
    app->updater.setAutomaticallyDownloadsUpdates(true);
    EXPECT_FALSE(settings.autoInstallUpdates());
}

TEST_F(UpdateControllerTest, OffersAndWhatBecomesOfThem) {
    using Stage = Updater::Stage;
    using Outcome = PrepareResult::Outcome;
    // Cut-short and oversized downloads meet the real network in the server test.
    // clang-format off
    const struct { const char* what; QByteArray package; QString downloadError; Outcome outcome;
        Stage end; bool installerCalled; } cases[] = {
        {"installed",        "signed", {},      Outcome::installed, Stage::installed, true},
        {"tampered",         "signeD", {},      Outcome::installed, Stage::failed,    false},
        {"download failed",  "signed", "reset", Outcome::installed, Stage::failed,    false},
        {"refused",          "signed", {},      Outcome::failed,    Stage::failed,    true},
        {"cancelled prompt", "signed", {},      Outcome::cancelled, Stage::failed,    true},
    };
    // clang-format on
    store.setBool(UpdateController::updateServerReachedKey, true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        installer.installed.clear();
        installer.result = {c.outcome, "Not authorised.", {}};
        network.answer = {FakeUpdateNetwork::feedWith("0.2.0"), {}};
        network.package = c.package;
        network.downloadError = c.downloadError;
        auto app = launch(UpdateFrequency::weekly, false);
        app->controller.checkForUpdates();
        settle();
        ASSERT_EQ(app->updater.stage(), Stage::available);
        EXPECT_EQ(app->updater.offeredVersion(), "0.2.0");
        EXPECT_FALSE(app->controller.canCheck());
        app->updater.install();
        settle();
        EXPECT_EQ(app->updater.stage(), c.end);
        EXPECT_EQ(installer.installed,
                  c.installerCalled ? QList<QByteArray>{"signed"} : QList<QByteArray>{});
        // Nothing is left behind, installed or not.
        EXPECT_TRUE(QDir(dir.filePath("downloads")).isEmpty());
        app->updater.dismiss();
        EXPECT_EQ(app->updater.stage(), Stage::idle);
        EXPECT_TRUE(app->controller.canCheck());
    }
}

TEST_F(UpdateControllerTest, AutomaticUpdatesWaitForQuitUnlessTheMajorVersionChanges) {
    store.setBool(UpdateController::updateServerReachedKey, true);
    network.answer = {FakeUpdateNetwork::feedWith("0.2.0"), {}};
    auto app = launch(UpdateFrequency::daily, true);
    pass(*clock, day);
    EXPECT_EQ(app->updater.stage(), Updater::Stage::idle);
    EXPECT_TRUE(app->updater.hasPendingInstall());
    EXPECT_TRUE(installer.installed.isEmpty());
    // Asked for meanwhile, the waiting package is installed without a second download.
    app->controller.checkForUpdates();
    settle();
    network.package = "not downloaded again";
    app->updater.install();
    settle();
    EXPECT_EQ(installer.installed, QList<QByteArray>{"signed"});
    installer.installed.clear();
    app->updater.dismiss();
    network.package = "signed";
    pass(*clock, day);
    ASSERT_TRUE(app->updater.hasPendingInstall());
    bool quit = false;
    app->updater.installPendingThen([&quit] { quit = true; });
    settle();
    EXPECT_TRUE(quit);
    EXPECT_EQ(installer.installed, QList<QByteArray>{"signed"});

    network.answer = {FakeUpdateNetwork::feedWith("1.0.0"), {}};
    pass(*clock, day);
    EXPECT_EQ(app->updater.stage(), Updater::Stage::available);
    EXPECT_FALSE(app->updater.hasPendingInstall());

    // A check the user asked for answers even when there is nothing new.
    app->updater.later();
    network.answer = {FakeUpdateNetwork::feedWith("0.1"), {}};
    app->controller.checkForUpdates();
    settle();
    EXPECT_EQ(app->updater.stage(), Updater::Stage::upToDate);
}
