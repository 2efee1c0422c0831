#include "app/shell/GeneralTabState.h"

#include "app/system/LoginItem.h"
#include "tests/app/shell/ShellFixture.h"
#include "tests/app/system/FakeRegistration.h"

namespace {

class GeneralTabStateTest : public ShellFixture {
protected:
    GeneralTabStateTest() {
        state.setApp(app.get());
        state.setLoginItem(&login);
    }

    std::shared_ptr<FakeRegistration> registration = std::make_shared<FakeRegistration>();
    LoginItem login{{registration, &store, QStringLiteral("/usr/bin/verdolin"), dir.path(), {}}};
    GeneralTabState state;
};

TEST_F(GeneralTabStateTest, TheLastWayToTheWindowCannotBeTurnedOff) {
    const struct {
        bool taskbar, tray, canChangeTaskbar, canChangeTray;
    } rows[] = {{true, true, true, true}, {true, false, false, true}, {false, true, true, false}};
    for (const auto& row : rows) {
        settings.setShowInDock(row.taskbar);
        settings.setShowInMenuBar(row.tray);
        EXPECT_EQ(std::make_pair(state.canChangeTaskbar(), state.canChangeTray()),
                  std::make_pair(row.canChangeTaskbar, row.canChangeTray))
            << row.taskbar << row.tray;
    }
}

TEST_F(GeneralTabStateTest, TheLoginSwitchShowsWhatTheDesktopDid) {
    // Refused with an error when one is given.
    const struct {
        const char* name;
        bool enabledBefore, asked, shown;
        const char* error;
    } rows[] = {
        {"turned on", false, true, true, ""},
        {"turned off", true, false, false, ""},
        {"refused on", false, true, false, "The autostart folder is read-only."},
        {"refused off", true, false, true, "Cannot remove the entry."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        registration->registered = row.enabledBefore;
        registration->refusal = row.error;
        registration->registerRefusals = *row.error ? 1 : 0;
        registration->unregisterRefuses = *row.error;
        state.readLogin();
        int changes = 0;
        const auto counting =
            QObject::connect(&state, &GeneralTabState::loginChanged, [&] { ++changes; });
        state.setLogin(row.asked);
        QObject::disconnect(counting);
        EXPECT_EQ(state.loginEnabled(), row.shown);
        EXPECT_EQ(state.loginError(), row.error);
        // Even a refused click must reach the switch, which flipped itself.
        EXPECT_GE(changes, 1);
    }
}

} // namespace
