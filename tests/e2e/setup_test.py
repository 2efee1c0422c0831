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

QML_WARNING = re.compile(r"qrc:/|\.qml:\d+|^qml: ", re.MULTILINE)


def button(session, name):
    return session.shown(name, ds.pyatspi.ROLE_PUSH_BUTTON)


def expect_settings(session, key, value):
    check(ds.poll_until(lambda: (session.settings() or {}).get(key) == value, 5),
          f"the settings file never had {key} = {value!r}: {session.settings()}")


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
    session.shown(SOURCE_PANE)
    check(not session.on_screen("Welcome to Verdolin"),
          "onboarding is still on screen next to the translator")


def case_first_start_shows_onboarding(session):
    check(not os.path.exists(session.settings_path), "a settings file before the start")
    session.expect_window("no Verdolin window mapped on the first start", timeout=20)
    session.shown("Step 1 of 4")
    session.shown("Welcome to Verdolin")
    button(session, "Skip setup")
    expect_buttons_named(session)


def case_finishing_onboarding_shows_translator(session):
    window = session.expect_window("the window went away during onboarding")
    check(ds.poll_until(lambda: ds.active_window() == window, 5),
          f"the window {window} is not active but {ds.active_window()}: Return goes elsewhere")
    # Buttons clicked, pressed through AT-SPI, and Return, the step's default button.
    check(ds.click(button(session, "Continue")), "could not click Continue")
    session.shown("Step 2 of 4")
    session.shown("Allowed")  # X11 lets any client read the selection
    button(session, "Next")
    ds.run(["xdotool", "key", "Return"])
    session.shown("Your languages")
    session.shown("Step 3 of 4")
    check(ds.press(button(session, "Next")), "could not press Next")
    session.shown("Your shortcut")
    session.shown("Ctrl+Alt+T")
    button(session, "Done")
    ds.run(["xdotool", "key", "Return"])
    expect_translator(session)
    expect_buttons_named(session)
    expect_settings(session, "onboardingDone", True)


def case_second_start_opens_translator(session):
    session.expect_exit()
    session.start()
    session.expect_window("no Verdolin window mapped on the second start", timeout=20)
    expect_translator(session)


def case_recorded_shortcut_replaces_the_old(session):
    session.hand("verdolin://settings?tab=shortcuts")
    window = session.expect_window("no Verdolin window mapped for the settings")
    # Recording ends when the window loses the focus, so it has to hold it first.
    check(ds.poll_until(lambda: ds.active_window() == window, 5),
          f"the settings window {window} is not active but {ds.active_window()}")
    check(ds.click(button(session, "Ctrl+Alt+T")), "could not click Ctrl+Alt+T")
    button(session, "Press the keys…")
    ds.run(["xdotool", "key", "--clearmodifiers", "ctrl+alt+y"])
    button(session, "Ctrl+Alt+Y")
    expect_buttons_named(session)
    expect_settings(session, "hotKeyLabel", "Ctrl+Alt+Y")

    ds.run(["xdotool", "key", "--clearmodifiers", "ctrl+w"])
    session.expect_unmapped("Ctrl+W did not hide the settings")
    text = "The dog sleeps in the garden."
    ds.set_primary(text)
    ds.run(["xdotool", "key", "--clearmodifiers", "ctrl+alt+t"])
    # Nothing is to happen: two seconds without a window stand for never.
    mapped = ds.poll_until(lambda: ds.visible_windows(TITLE), 2)
    check(not mapped, f"the old Ctrl+Alt+T still brought up {mapped}")
    session.shortcut_translates(text, "ctrl+alt+y")


def case_stderr_clean(session):
    lines = [line for line in session.stderr().splitlines()
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
    sys.exit(ds.run_cases(CASES, lambda executable: ds.Session(executable, settings=None)))
