#!/usr/bin/python3
"""desktop_test.py VERDOLIN: the real executable on a private desktop, driven through xdotool
and read through AT-SPI."""

import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_session as ds  # noqa: E402
from desktop_session import POINTER_OFFSET, check  # noqa: E402


def activations(log, since=0):
    """The windows whose activation xev saw requested on the root window since offset `since`."""
    with open(log, errors="replace") as file:
        file.seek(since)
        return [int(event.split("window ", 1)[1].split(",", 1)[0], 16)
                for event in file.read().split("\n\n")
                if event.startswith("ClientMessage") and "(_NET_ACTIVE_WINDOW)" in event]


def case_starts_without_tray_host(session):
    # Its stderr is searched for crashes as it quits, at the end.
    session.expect_window("no Verdolin window mapped after start", timeout=20)
    session.escape()


def case_shortcut_translates_selection_next_to_pointer(session):
    session.root_log = os.path.join(session.root, "root-messages.txt")
    with open(session.root_log, "w") as log:  # line-buffered, or xev keeps events in a pipe
        ds.start(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"], stdout=log)
    ds.start(["xterm", "-title", "focus holder", "-geometry", "40x10+700+600"])
    holder = check(ds.poll_until(lambda: ds.visible_windows("focus holder"), 10),
                   "the xterm holding the focus never mapped")[0]
    # Activated through the same request Verdolin sends, which also shows that xev listens.
    ds.activate(holder)
    check(ds.poll_until(lambda: holder in activations(session.root_log), 5),
          f"xev heard no request to activate {holder}")
    session.earlier = holder

    pointer = (200, 150)
    ds.run(["xdotool", "mousemove", str(pointer[0]), str(pointer[1])])
    window = session.shortcut_translates("The weather is nice today.")
    client = ds.client_geometry(window)
    extents = ds.poll_until(lambda: ds.frame_extents(window), 5)
    check(client and extents, f"no geometry ({client}) or frame extents ({extents})")
    frame = (client[0] - extents[0], client[1] - extents[2])
    wanted = (pointer[0] + POINTER_OFFSET, pointer[1] + POINTER_OFFSET)
    check(frame == wanted, f"frame top-left {frame} (client {client}, extents {extents}), "
          f"wanted {wanted}")
    check(ds.active_window() == window,
          f"the window is mapped but {ds.active_window()} is active, not {window}")


def case_shortcut_again_hides_and_gives_focus_back(session):
    mark = os.path.getsize(session.root_log)
    ds.run(["xdotool", "key", "--clearmodifiers", "ctrl+alt+t"])
    session.expect_unmapped("the window stayed mapped after the second Ctrl+Alt+T")
    check(ds.poll_until(lambda: ds.active_window() == session.earlier, 5),
          f"active window {ds.active_window()}, wanted the earlier {session.earlier}")
    # openbox focuses the previous window by itself when one unmaps; only the request to
    # activate it shows that Verdolin handed the focus back.
    check(ds.poll_until(lambda: session.earlier in activations(session.root_log, mark), 5),
          f"no _NET_ACTIVE_WINDOW request for {session.earlier} after the hide; "
          f"requests: {activations(session.root_log, mark)}")


def handed_text_case(name, text, command):
    def case(session):
        done = ds.run(command(session.executable), 5, env=session.env)
        check(done is not None, f"{name}: the command failed or hung")
        session.expect_window(f"{name}: no Verdolin window mapped")
        session.expect_panes(text)
    return name, case


def case_sigterm_flushes_pending_history(session):
    # Hidden by Verdolin itself, the window is surely away when the shortcut comes.
    check(ds.run([session.executable, "verdolin://hide"], 5, env=session.env) is not None,
          "verdolin://hide failed or hung")
    session.expect_unmapped("verdolin://hide did not hide the window")
    text = "The house is very big."
    session.shortcut_translates(text)

    def recorded():
        try:
            with open(session.history) as file:
                return any(entry.get("source") == text for entry in json.load(file))
        except (OSError, ValueError, AttributeError, TypeError):
            return False
    check(not recorded(), f"{session.history} already holds {text!r}: it was not pending")
    session.expect_exit()
    check(recorded(), f"{session.history} does not hold {text!r} after SIGTERM")


# In order: each leaves the window as the next one expects it.
CASES = [
    ("no tray host", case_starts_without_tray_host),
    ("shortcut translates the selection next to the pointer",
     case_shortcut_translates_selection_next_to_pointer),
    ("shortcut again hides the window and gives the focus back",
     case_shortcut_again_hides_and_gives_focus_back),
    handed_text_case("second start forwards a verdolin:// URL", "Hola",
                     lambda verdolin: [verdolin, "verdolin://translate?text=Hola"]),
    handed_text_case("D-Bus TranslateText", "Good morning", lambda _: [
        "dbus-send", "--session", "--print-reply", "--dest=com.korvane.Verdolin",
        "/com/korvane/Verdolin", "com.korvane.Verdolin.TranslateText", "string:Good morning"]),
    ("SIGTERM flushes the pending history entry", case_sigterm_flushes_pending_history),
]

if __name__ == "__main__":
    sys.exit(ds.run_cases(CASES, ds.Session))
