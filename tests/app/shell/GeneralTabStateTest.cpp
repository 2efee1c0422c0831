#include "app/shell/GeneralTabState.h"

#include "app/system/LoginItem.h"
#include "tests/app/shell/ShellFixture.h"

namespace {

// The desktop's autostart record, refusing when told to.
class FakeRegistration : public LoginRegistration {
public:
    Status status() const override { return enabled ? Status::enabled : Status::notRegistered; }
    std::optional<QString> registerApp() override {
        if (refusal)
            return refusal;
        enabled = true;
        return std::nullopt;
    }
    std::optional<QString> unregisterApp() override {
        if (refusal)
            return refusal;
        enabled = false;
        return std::nullopt;
    }

    bool enabled = false;
    std::optional<QString> refusal;
};

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
    struct Row {
        bool taskbar, tray;
        bool canChangeTaskbar, canChangeTray;
    };
    const Row rows[] = {
        {true, true, true, true},
        {true, false, false, true},
        {false, true, true, false},
    };
    for (const Row& row : rows) {
        settings.setShowInDock(row.taskbar);
        settings.setShowInMenuBar(row.tray);
        EXPECT_EQ(std::make_pair(state.canChangeTaskbar(), state.canChangeTray()),
                  std::make_pair(row.canChangeTaskbar, row.canChangeTray))
            << row.taskbar << row.tray;
    }
}

TEST_F(GeneralTabStateTest, TheLoginSwitchShowsWhatTheDesktopDid) {
    struct Row {
        const char* name;
        bool enabledBefore;
        std::optional<QString> refusal;
        bool asked;
        bool shown;
        const char* error;
    };
    const Row rows[] = {
        {"turned on", false, std::nullopt, true, true, ""},
        {"turned off", true, std::nullopt, false, false, ""},
        {"refused on", false, "The autostart folder is read-only.", true, false,
         "The autostart folder is read-only."},
        {"refused off", true, "Cannot remove the entry.", false, true, "Cannot remove the entry."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        registration->enabled = row.enabledBefore;
        registration->refusal = row.refusal;
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
