#!/usr/bin/python3
"""The real verdolin executable on a private X server, driven by XTest and read through AT-SPI.

    desktop_test.py --verdolin PATH --source-dir DIR

Runs itself under its own session bus (dbus-run-session), with Xvfb and openbox, and leaves no
process behind. Cases that need a part of the application not wired into it yet are skipped with
a message naming the part; they run as soon as the executable's sources include it.
"""

import argparse
import json
import os
import re
import signal
import subprocess
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_session as ds  # noqa: E402

WINDOW_TITLE = "Verdolin"
SOURCE_PANE = "Type or paste text"
RESULT_PANE = "Translation"
# The window's frame opens this far right of and below the pointer.
POINTER_OFFSET = 14


class Skip(Exception):
    pass


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Wiring:
    """Which parts the executable's sources use: a part counts once something outside it
    includes one of its headers."""

    USERS = ("cli", "app", "platform/linux/composition")

    def __init__(self, source_dir):
        self.texts = []
        for folder in self.USERS:
            for root, _, files in os.walk(os.path.join(source_dir, folder)):
                for name in files:
                    if name.endswith((".cpp", ".h")):
                        with open(os.path.join(root, name), errors="replace") as file:
                            self.texts.append(file.read())

    def require(self, include_prefix, what):
        needle = f'#include "{include_prefix}'
        if not any(needle in text for text in self.texts):
            raise Skip(f"{what}: nothing in {', '.join(self.USERS)} includes {include_prefix}*")


class Session:
    """One verdolin with a terminal that held the focus before it."""

    def __init__(self, args, accessibility):
        self.args = args
        self.at = accessibility
        self.verdolin = ds.Verdolin(args.verdolin)
        self.app = None
        self.window = None
        self.holder = None
        self.messages = None
        self.panes = {}
        # The window that was active before the shortcut brought Verdolin up.
        self.earlier = None

    def application(self):
        if self.app is None:
            self.app = ds.poll_until(lambda: self.at.application("verdolin"), 20, 0.05)
        check(self.app is not None, "verdolin never appeared on the accessibility bus; stderr:\n"
              + self.verdolin.stderr())
        return self.app

    def pane_text(self, name):
        # Found once and read many times; found again when the object went away.
        node = self.panes.get(name)
        text = None if node is None else self.at.text_of(node)
        if text is None:
            node = self.at.named_text(self.application(), name)
            self.panes[name] = node
            text = None if node is None else self.at.text_of(node)
        return text

    def wait_panes(self, source, result, timeout=30):
        """Polls both panes until they hold `source` and `result`; the texts seen otherwise.

        The first translation after start waits for the start-up's package queries, which take
        seconds on a busy machine."""
        seen = {}

        def matches():
            seen["source"] = self.pane_text(SOURCE_PANE)
            seen["result"] = self.pane_text(RESULT_PANE)
            # Apertium puts a space before some sentences ("We ..." -> " Queremos ...").
            return seen["source"] == source and (
                result is None or (seen["result"] or "").strip() == result.strip())
        # Qt's TextArea announces no text changes over AT-SPI, so the text is read until it fits.
        if ds.poll_until(matches, timeout, 0.02):
            return None
        return seen

    def mapped_window(self, timeout=10):
        """The one mapped Verdolin window; fails on several (a second instance that stayed)."""
        found = ds.poll_until(lambda: ds.visible_windows(WINDOW_TITLE), timeout, 0.02)
        check(found is None or len(found) == 1, f"several Verdolin windows mapped: {found}")
        return found[0] if found else None

    def wait_unmapped(self, timeout=10):
        return ds.poll_until(lambda: not ds.visible_windows(WINDOW_TITLE), timeout, 0.02)

    def start_focus_holder(self):
        self.messages = ds.RootMessages(os.path.join(self.verdolin.root, "root-messages.txt"))
        self.holder = subprocess.Popen(
            ["xterm", "-title", "focus holder", "-geometry", "40x10+700+600"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=ds._die_with_parent)
        windows = ds.poll_until(lambda: ds.visible_windows("focus holder"), 10, 0.02)
        check(windows, "the xterm holding the focus never mapped")
        holder = windows[0]
        # Activated through the same request Verdolin sends, which also shows xev listens.
        ds.run(["xdotool", "windowactivate", "--sync", str(holder)])
        active = ds.poll_until(lambda: ds.active_window() == holder, 5)
        check(active, f"the xterm {holder} never became active; active: {ds.active_window()}")
        heard = ds.poll_until(lambda: holder in self.messages.activations(), 5)
        check(heard, f"xev heard no request to activate {holder}")
        return holder

    def close(self):
        if self.holder:
            ds.stop(self.holder)
        if self.messages:
            self.messages.close()
        return self.verdolin.close()


def press_shortcut():
    ds.run(["xdotool", "key", "--clearmodifiers", "ctrl+alt+t"])


def crash_lines(stderr):
    pattern = re.compile(r"Segmentation fault|Aborted|terminate called|ASSERT|"
                         r"qrc:/\S+: .*(Error|is not a type|is not defined)|Cannot assign|"
                         r"QQmlApplicationEngine failed")
    return [line for line in stderr.splitlines() if pattern.search(line)]


# Cases ------------------------------------------------------------------------------------------


def case_starts_without_tray_host(session):
    """Xvfb with openbox has no tray: the window must come up by itself and nothing break."""
    window = session.mapped_window(20)
    check(window, "no Verdolin window mapped after start; stderr:\n" + session.verdolin.stderr())
    check(session.verdolin.process.poll() is None,
          f"verdolin exited with {session.verdolin.process.returncode}")
    crashes = crash_lines(session.verdolin.stderr())
    check(not crashes, "stderr reports a crash or a QML error:\n" + "\n".join(crashes))
    # Escape puts the start-up window away, so the shortcut below has to bring it back.
    ds.run(["xdotool", "windowactivate", "--sync", str(window)])
    ds.run(["xdotool", "key", "Escape"])
    check(session.wait_unmapped(), "Escape did not hide the window")


def case_shortcut_translates_selection_next_to_pointer(session):
    session.earlier = session.start_focus_holder()
    text = "The weather is nice today."
    expected = ds.expected_translation(text)
    check(expected, "apertium -u eng-spa translated nothing")
    check(ds.set_primary(text), "xclip could not own PRIMARY")
    pointer = (200, 150)
    ds.run(["xdotool", "mousemove", str(pointer[0]), str(pointer[1])])
    press_shortcut()
    window = session.mapped_window()
    check(window, "no Verdolin window mapped after Ctrl+Alt+T")
    seen = session.wait_panes(text, expected)
    check(seen is None, f"panes never showed {text!r} -> {expected!r}; saw {seen}")

    client = ds.client_geometry(window)
    extents = ds.poll_until(lambda: ds.frame_extents(window), 5)
    check(client and extents, f"no geometry ({client}) or frame extents ({extents})")
    left, _, top, _ = extents
    frame = (client[0] - left, client[1] - top)
    wanted = (pointer[0] + POINTER_OFFSET, pointer[1] + POINTER_OFFSET)
    check(frame == wanted, f"frame top-left {frame} (client {client}, extents {extents}), "
          f"wanted pointer {pointer} + {POINTER_OFFSET} = {wanted}")

    frame_object = session.at.window(session.application(), WINDOW_TITLE)
    check(frame_object is not None, "no frame called Verdolin on the accessibility bus")
    # Qt reports the window's client area; it may lag the move by an event or two.
    reported = ds.poll_until(lambda: session.at.extents(frame_object) == client, 5)
    check(reported, f"AT-SPI extents {session.at.extents(frame_object)} != xwininfo {client}")
    check(ds.active_window() == window,
          f"the window is mapped but {ds.active_window()} is active, not {window}")


def case_shortcut_again_hides_and_gives_focus_back(session):
    mark = session.messages.mark()
    press_shortcut()
    check(session.wait_unmapped(), "the window stayed mapped after the second Ctrl+Alt+T")
    Wiring(session.args.source_dir).require(
        "platform/linux/x11/X11WindowSystem", "handing the focus back (X11WindowSystem)")
    back = ds.poll_until(lambda: ds.active_window() == session.earlier, 5)
    check(back, f"active window {ds.active_window()}, wanted the earlier {session.earlier}")
    # openbox focuses the previous window by itself when one unmaps; only the request to
    # activate it shows that Verdolin handed the focus back.
    asked = ds.poll_until(lambda: session.earlier in session.messages.activations(mark), 5)
    check(asked, f"no _NET_ACTIVE_WINDOW request for {session.earlier} after the hide; "
          f"requests: {session.messages.activations(mark)}")


# A text handed to the running instance from outside: (name, part it needs, command).
HANDED_TEXTS = [
    ("second start forwards a verdolin:// URL", ("platform/linux/instance/", "single instance"),
     "Hola", lambda session: session.verdolin.run_second(
         ["verdolin://translate?text=Hola"], timeout=5)),
    ("D-Bus TranslateText", ("platform/linux/dbus/", "the D-Bus service"),
     "Good morning", lambda session: _dbus_translate("Good morning", session)),
]


def _dbus_translate(text, session):
    try:
        done = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=com.korvane.Verdolin",
             "/com/korvane/Verdolin", "com.korvane.Verdolin.TranslateText", f"string:{text}"],
            capture_output=True, text=True, timeout=5, env=session.verdolin.env)
    except subprocess.TimeoutExpired:
        return None
    return done.returncode, done.stderr


def make_handed_text_case(name, wiring, text, send):
    def case(session):
        Wiring(session.args.source_dir).require(*wiring)
        outcome = send(session)
        check(outcome is not None, f"{name}: the command did not return within 5 s")
        status, stderr = outcome
        check(status == 0, f"{name}: exit status {status}, stderr:\n{stderr}")
        check(session.mapped_window(), f"{name}: no Verdolin window mapped")
        seen = session.wait_panes(text, None)
        check(seen is None, f"{name}: source pane never showed {text!r}; saw {seen}")
        check(session.verdolin.process.poll() is None, f"{name}: the running instance exited")
    case.__doc__ = name
    return case


def case_sigterm_flushes_pending_history(session):
    text = "The house is very big."
    expected = ds.expected_translation(text)
    if ds.visible_windows(WINDOW_TITLE) and session.earlier:
        # Pressed over an active Verdolin, the shortcut would hide it instead.
        ds.run(["xdotool", "windowactivate", "--sync", str(session.earlier)])
    check(ds.set_primary(text), "xclip could not own PRIMARY")
    press_shortcut()
    seen = session.wait_panes(text, expected)
    check(seen is None, f"panes never showed {text!r} -> {expected!r}; saw {seen}")
    history = session.verdolin.history_path()

    def recorded():
        try:
            with open(history) as file:
                return any(entry.get("source") == text for entry in _entries(json.load(file)))
        except (OSError, ValueError):
            return False
    check(not recorded(), f"{history} already holds {text!r}: it was not pending")
    Wiring(session.args.source_dir).require("platform/linux/instance/",
                                            "quitting cleanly on SIGTERM (single instance)")
    session.verdolin.process.send_signal(signal.SIGTERM)
    try:
        status = session.verdolin.process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise Failure("verdolin did not exit within 10 s of SIGTERM")
    check(status == 0, f"exit status {status} after SIGTERM; stderr:\n{session.verdolin.stderr()}")
    check(recorded(), f"{history} does not hold {text!r} after SIGTERM")


def _entries(document):
    if isinstance(document, list):
        return [entry for entry in document if isinstance(entry, dict)]
    if isinstance(document, dict):
        for value in document.values():
            if isinstance(value, list):
                return _entries(value)
    return []


# In order: each leaves the window as the next one expects it.
CASES = [
    ("no tray host", case_starts_without_tray_host),
    ("shortcut translates the selection next to the pointer",
     case_shortcut_translates_selection_next_to_pointer),
    ("shortcut again hides the window and gives the focus back",
     case_shortcut_again_hides_and_gives_focus_back),
] + [(name, make_handed_text_case(name, wiring, text, send))
     for name, wiring, text, send in HANDED_TEXTS] + [
    ("SIGTERM flushes the pending history entry", case_sigterm_flushes_pending_history),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--verdolin", required=True)
    parser.add_argument("--source-dir", required=True)
    args = parser.parse_args()
    ds.run_inside_session(timeout=150)

    started = time.monotonic()
    desktop = ds.Desktop()
    session = None
    passed, failed, skipped = [], [], []
    try:
        session = Session(args, ds.Accessibility())
        for name, case in CASES:
            case_started = time.monotonic()
            try:
                case(session)
                passed.append(name)
                outcome = "ok"
            except Skip as reason:
                skipped.append(name)
                outcome = f"SKIPPED ({reason})"
            except Failure as reason:
                failed.append(name)
                outcome = f"FAILED: {reason}"
            except Exception:
                failed.append(name)
                outcome = "FAILED:\n" + traceback.format_exc()
            print(f"[{time.monotonic() - case_started:5.1f} s] {name}: {outcome}", flush=True)
            if session.verdolin.process.poll() is not None and case is not CASES[-1][1]:
                failed.append("verdolin exited early")
                print(f"verdolin exited with {session.verdolin.process.returncode}; stderr:\n"
                      + session.verdolin.stderr(), flush=True)
                break
    finally:
        if session:
            session.close()
        desktop.close()
    print(f"{len(passed)} passed, {len(skipped)} skipped, "
          f"{len(failed)} failed in {time.monotonic() - started:.1f} s", flush=True)
    if failed:
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
