#!/usr/bin/python3
"""setup_test.py VERDOLIN: a first start on empty folders, through onboarding to the translator,
a second start, and a shortcut recorded in the settings, on the private desktop of
desktop_session.py."""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_session as ds  # noqa: E402
from desktop_session import CRASH, SOURCE_PANE, TITLE, check  # noqa: E402

BUTTON = "push button"
QML_WARNING = re.compile(r"qrc:/|\.qml:\d+|^qml: ", re.MULTILINE)


def expect_shown(session, name, role=None, timeout=10):
    """The accessible called `name` on screen, as soon as it is."""
    role = ds.pyatspi.ROLE_PUSH_BUTTON if role == BUTTON else role
    found = ds.poll_until(lambda: ds.shown(session.application(), name, role), timeout)
    return check(found, f"nothing called {name!r} on screen; stderr:\n{session.verdolin.stderr()}")


def expect_settings(session, key, value, timeout=5):
    check(ds.poll_until(lambda: (session.verdolin.settings() or {}).get(key) == value, timeout),
          f"the settings file never had {key} = {value!r}: {session.verdolin.settings()}")


def click(session, name):
    check(ds.click(expect_shown(session, name, BUTTON)), f"could not click the button {name!r}")


def press(session, name):
    check(ds.press(expect_shown(session, name, BUTTON)), f"could not press the button {name!r}")


def expect_buttons_named(session):
    """Every button on screen has a name: a screen reader has nothing else to say of it."""
    def nameless():  # in a tuple, so that none found is still an answer
        try:
            return ([node.parent.name for node in ds.pyatspi.findAllDescendants(
                session.application(), lambda node: node.getRole() == ds.pyatspi.ROLE_PUSH_BUTTON
                and not node.name and ds.showing(node))],)
        except Exception:  # one went away meanwhile
            return None
    found = check(ds.poll_until(nameless, 5), "the buttons on screen could not be read")[0]
    check(not found, f"buttons without a name on screen, in: {found}")


def expect_translator(session):
    expect_shown(session, SOURCE_PANE)
    check(not ds.shown(session.application(), "Welcome to Verdolin"),
          "onboarding is still on screen next to the translator")


def case_first_start_shows_onboarding(session):
    check(not os.path.exists(session.verdolin.settings_path), "a settings file before the start")
    session.expect_window("no Verdolin window mapped on the first start", timeout=20)
    for name in ("Step 1 of 4", "Welcome to Verdolin"):
        expect_shown(session, name)
    expect_shown(session, "Skip setup", BUTTON)
    expect_buttons_named(session)


def case_finishing_onboarding_shows_translator(session):
    window = session.expect_window("the window went away during onboarding")
    check(ds.poll_until(lambda: ds.active_window() == window, 5),
          f"the window {window} is not active but {ds.active_window()}: Return goes elsewhere")
    # Buttons clicked, pressed through AT-SPI, and Return, the step's default button.
    click(session, "Continue")
    expect_shown(session, "Step 2 of 4")
    expect_shown(session, "Allowed")  # X11 lets any client read the selection
    expect_shown(session, "Next", BUTTON)
    ds.run(["xdotool", "key", "Return"])
    expect_shown(session, "Your languages")
    expect_shown(session, "Step 3 of 4")
    press(session, "Next")
    expect_shown(session, "Your shortcut")
    expect_shown(session, "Ctrl+Alt+T")
    expect_shown(session, "Done", BUTTON)
    ds.run(["xdotool", "key", "Return"])
    expect_translator(session)
    expect_buttons_named(session)
    expect_settings(session, "onboardingDone", True)


def case_second_start_opens_translator(session):
    status = session.verdolin.quit()
    check(status == 0, f"exit status {status} after SIGTERM; stderr:\n{session.verdolin.stderr()}")
    session.restart()
    session.expect_window("no Verdolin window mapped on the second start", timeout=20)
    expect_translator(session)


def case_recorded_shortcut_replaces_the_old(session):
    status = ds.outcome(session, [session.verdolin.executable, "verdolin://settings?tab=shortcuts"])
    check(status and status[0] == 0, f"verdolin://settings: (exit status, stderr) {status}")
    window = session.expect_window("no Verdolin window mapped for the settings")
    # Recording ends when the window loses the focus, so it has to hold it first.
    check(ds.poll_until(lambda: ds.active_window() == window, 5),
          f"the settings window {window} is not active but {ds.active_window()}")
    click(session, "Ctrl+Alt+T")
    expect_shown(session, "Press the keys…", BUTTON)
    ds.run(["xdotool", "key", "--clearmodifiers", "ctrl+alt+y"])
    expect_shown(session, "Ctrl+Alt+Y", BUTTON)
    expect_buttons_named(session)
    expect_settings(session, "hotKeyLabel", "Ctrl+Alt+Y")

    ds.run(["xdotool", "key", "--clearmodifiers", "ctrl+w"])
    session.expect_unmapped("Ctrl+W did not hide the settings")
    text = "The dog sleeps in the garden."
    check(ds.set_primary(text), "xclip could not own PRIMARY")
    ds.run(["xdotool", "key", "--clearmodifiers", "ctrl+alt+t"])
    # Nothing is to happen: two seconds without a window stand for never.
    mapped = ds.poll_until(lambda: ds.visible_windows(TITLE), 2)
    check(not mapped, f"the old Ctrl+Alt+T still brought up {mapped}")
    session.shortcut_translates(text, "ctrl+alt+y")


def case_stderr_clean(session):
    lines = [line for line in session.verdolin.stderr().splitlines()
             if CRASH.search(line) or QML_WARNING.search(line)]
    check(not lines, "stderr reports a crash or a QML warning:\n" + "\n".join(lines))


# In order: each leaves the window as the next one expects it.
CASES = [
    ("a first start shows onboarding", case_first_start_shows_onboarding),
    ("finishing onboarding shows the translator", case_finishing_onboarding_shows_translator),
    ("a second start opens on the translator", case_second_start_opens_translator),
    ("Ctrl+Alt+Y recorded in the settings replaces Ctrl+Alt+T",
     case_recorded_shortcut_replaces_the_old),
    ("no crash or QML warning on stderr", case_stderr_clean),
]

if __name__ == "__main__":
    sys.exit(ds.run_cases(CASES, settings=None))
