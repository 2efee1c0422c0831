"""A private desktop for the real verdolin executable: Xvfb, openbox, a session bus with the
accessibility bus behind it, and helpers that read what the window shows. Every wait polls."""

import ctypes
import functools
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

_libc = ctypes.CDLL(None, use_errno=True)
TITLE, SOURCE_PANE, RESULT_PANE = "Verdolin", "Type or paste text", "Translation"
POINTER_OFFSET = 14  # the frame opens this far right of and below the pointer
CRASH = re.compile(r"Segmentation fault|Aborted|terminate called|ASSERT|Cannot assign|"
                   r"qrc:/\S+: .*(Error|is not a type|is not defined)|QQmlApplicationEngine failed")
AFTER_FIRST_START = {"onboardingDone": True}
pyatspi = None  # imported once the session bus runs


class Failure(Exception):
    pass


class Skip(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)
    return condition


def _die_with_parent():
    _libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def poll_until(probe, timeout, interval=0.02):
    """The first truthy value `probe` returns within `timeout` seconds, else None."""
    deadline = time.monotonic() + timeout
    while not (value := probe()) and time.monotonic() < deadline:
        time.sleep(interval)
    return value or None


def run(arguments, timeout=10, env=None, input_text=None):
    try:
        done = subprocess.run(arguments, capture_output=True, text=True, timeout=timeout, env=env,
                              input=input_text, preexec_fn=_die_with_parent)
    except (subprocess.TimeoutExpired, OSError):
        return None
    return done.stdout if done.returncode == 0 else None


def start(command, **options):
    return subprocess.Popen(command, preexec_fn=_die_with_parent, **{
        "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL, **options})


def first_line(command):
    """The first line `command` prints, within 20 s."""
    process = start(command, stdout=subprocess.PIPE)
    ready = select.select([process.stdout], [], [], 20)[0]
    return process.stdout.readline().decode().strip() if ready else ""


def descendants(root):
    children = {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/stat") as stat:
                children.setdefault(int(stat.read().rsplit(")", 1)[1].split()[1]), []).append(
                    int(entry))
        except OSError:
            continue
    found, queue = [], [root]
    while queue:
        below = children.get(queue.pop(), [])
        found += below
        queue += below
    return found


def _kill_descendants():
    for pid in descendants(os.getpid()):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    try:
        while os.waitpid(-1, os.WNOHANG)[0]:
            pass
    except ChildProcessError:
        pass
    return not descendants(os.getpid())


def start_desktop():
    """Xvfb, openbox and a session bus. This process is the subreaper of every process started
    meanwhile, so that stop_desktop() ends them however deep; killed, its children die with
    it, and the rest of the session with the bus."""
    _libc.prctl(36, 1)  # PR_SET_CHILD_SUBREAPER
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped by SIGTERM"))
    display = first_line(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24",
                          "-nolisten", "tcp", "-noreset"])
    check(display.isdigit(), "Xvfb did not report a display number")
    os.environ["DISPLAY"] = ":" + display
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = first_line(
        ["dbus-daemon", "--session", "--nofork", "--print-address=1"])
    start(["openbox", "--sm-disable"])
    check(poll_until(lambda: "window id" in (run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"])
                                             or ""), 10), "openbox did not start")
    global pyatspi
    import pyatspi  # Debian's python3-pyatspi: only the system interpreter has it


def stop_desktop():
    poll_until(_kill_descendants, 5)


def visible_windows(name):
    found = run(["xdotool", "search", "--onlyvisible", "--name", f"^{name}$"], 5) or ""
    return [int(window) for window in found.split()]


def client_geometry(window):
    """(x, y, width, height) of a client window's area on the root window."""
    info = run(["xwininfo", "-id", str(window)], 5) or ""
    found = [re.search(rf"{key}: +(-?\d+)", info) for key in
             ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
    return tuple(int(match[1]) for match in found) if all(found) else None


def frame_extents(window):
    """(left, right, top, bottom) of the frame openbox draws around a client window."""
    found = re.findall(r"\d+", (run(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"], 5)
                                or "").partition("=")[2])
    return tuple(map(int, found)) if len(found) == 4 else None


def active_window():
    return int((run(["xdotool", "getactivewindow"], 5) or "0").strip() or 0) or None


def activate(window):
    run(["xdotool", "windowactivate", "--sync", str(window)])
    check(poll_until(lambda: active_window() == window, 5),
          f"the window {window} never became active; active: {active_window()}")


def set_primary(text):
    """Owns PRIMARY with `text`: xclip forks a server that keeps it till another client takes it."""
    subprocess.run(["xclip", "-selection", "primary"], input=text, text=True, timeout=5,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    check(poll_until(lambda: run(["xclip", "-o", "-selection", "primary"]) == text, 5),
          "xclip could not own PRIMARY")


@functools.cache
def apertium(text):
    found = (run(["apertium", "-u", "eng-spa"], input_text=text, timeout=30) or "").strip()
    return check(found, f"apertium -u eng-spa translated nothing of {text!r}")


def find(root, predicate):
    try:
        return pyatspi.findDescendant(root, predicate, breadth_first=True)
    except Exception:  # an object that went away meanwhile
        return None


def text_of(node):
    try:
        return node.queryText().getText(0, -1)
    except Exception:
        return None


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (box.x, box.y, box.width, box.height)


def click(node):
    try:
        x, y, width, height = extents(node)
    except Exception:  # gone meanwhile
        return False
    return run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2),
                "click", "1"]) is not None


class Session:
    """verdolin in its own XDG folders with `settings`. `wrapper` goes before the command
    (strace, unshare); `env` adds to the environment, or removes where a value is None."""

    def __init__(self, executable, settings=AFTER_FIRST_START, wrapper=(), env=None):
        self.executable, self.wrapper = executable, list(wrapper)
        self.root = tempfile.mkdtemp(prefix="verdolin-desktop-")
        # A first start looks for updates at once: here on a closed port of this computer.
        env = {**os.environ, "QT_QPA_PLATFORM": "xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
               "LANG": "C.UTF-8", "LANGUAGE": "en", "LC_ALL": "C.UTF-8",
               "VERDOLIN_UPDATE_FEED": "http://127.0.0.1:9/appcast.xml", **(env or {})}
        self.env = {name: value for name, value in env.items() if value is not None}
        for variable in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR",
                         "XDG_CACHE_HOME"):
            self.env[variable] = os.path.join(self.root, variable.lower())
            os.mkdir(self.env[variable], 0o700)
        os.mkdir(os.path.join(self.env["XDG_CONFIG_HOME"], "verdolin"))
        with open(os.path.join(self.env["XDG_CONFIG_HOME"], "verdolin",
                               "com.korvane.verdolin.json"), "w") as file:
            json.dump(settings, file)
        self.history = os.path.join(self.env["XDG_DATA_HOME"], "Verdolin", "history.json")
        self.stderr_path = os.path.join(self.root, "stderr.txt")
        with open(self.stderr_path, "w") as stderr:
            self.process = start(self.wrapper + [self.executable], env=self.env, stderr=stderr)
        self.app, self.panes = None, {}
        self.pid = self.process.pid if not self.wrapper else check(
            poll_until(self._wrapped_pid, 10), f"{self.executable} never ran under {self.wrapper}")

    def _wrapped_pid(self):
        """The outermost process below the wrapper that runs the executable."""
        for pid in descendants(self.process.pid):
            try:
                if os.readlink(f"/proc/{pid}/exe") == os.path.realpath(self.executable):
                    return pid
            except OSError:
                continue
        return None

    def stderr(self):
        with open(self.stderr_path, errors="replace") as file:
            return file.read()

    def expect_exit(self, terminate=True, timeout=10):
        """After SIGTERM (or what else ends it) every process goes within `timeout` seconds, with
        status 0 and no crash on stderr."""
        if terminate:
            os.kill(self.pid, signal.SIGTERM)
        try:
            status = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("processes outlived the quit: " + ", ".join(
                (run(["ps", "-o", "pid=,args=", "-p", str(pid)]) or str(pid)).strip()
                for pid in descendants(self.process.pid) + [self.process.pid]))
        check(status == 0, f"exit status {status}; stderr:\n{self.stderr()}")
        crashes = [line for line in self.stderr().splitlines() if CRASH.search(line)]
        check(not crashes, "stderr reports a crash or a QML error:\n" + "\n".join(crashes))

    def close(self):
        for pid in descendants(self.process.pid) + [self.process.pid]:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.process.wait()
        shutil.rmtree(self.root, ignore_errors=True)

    def application(self):
        """Found by pid: a quit one may linger on the accessibility bus."""
        self.app = self.app or poll_until(lambda: find(
            pyatspi.Registry.getDesktop(0),
            lambda node: node.name == "verdolin" and node.get_process_id() == self.pid), 20)
        return check(self.app, "verdolin never appeared on the accessibility bus; stderr:\n"
                     + self.stderr())

    def shown(self, name, timeout=10):
        """The accessible called `name` that is on screen: hidden screens keep theirs."""
        return check(poll_until(lambda: find(self.application(), lambda node: node.name == name
                                             and showing(node)), timeout),
                     f"nothing called {name!r} on screen; stderr:\n{self.stderr()}")

    def pane(self, name):
        """The pane's text, found afresh when Qt rebuilt the tree as it reshows."""
        text = text_of(self.panes.get(name))
        if text is None:
            self.panes[name] = find(self.application(), lambda node: node.name == name
                                    and text_of(node) is not None)
            text = text_of(self.panes[name])
        return text

    def expect_panes(self, source, result=None, timeout=30):
        """Qt's TextArea announces no text changes over AT-SPI, so the panes are read until they
        fit. `result`: the translation, or a test of the result pane's text. The first one waits
        for the package queries at start: seconds when busy."""
        seen = {}
        if isinstance(result, str):  # Apertium puts a space before some sentences
            wanted = result.strip()
            result = lambda text: text.strip() == wanted  # noqa: E731

        def fits():
            seen.update({pane: self.pane(pane) for pane in (SOURCE_PANE, RESULT_PANE)})
            return seen[SOURCE_PANE] == source and (result is None or result(
                seen[RESULT_PANE] or ""))
        check(poll_until(fits, timeout), f"panes never showed {source!r}; saw {seen}")

    def expect_window(self, failure, timeout=10):
        """The one mapped Verdolin window; several mean a second instance stayed."""
        found = check(poll_until(lambda: visible_windows(TITLE), timeout),
                      f"{failure}; stderr:\n{self.stderr()}")
        check(len(found) == 1, f"several Verdolin windows mapped: {found}")
        return found[0]

    def expect_unmapped(self, failure):
        check(poll_until(lambda: not visible_windows(TITLE), 10), failure)

    def escape(self):
        """Puts the window away, so that the shortcut has to bring it back: pressed while Qt
        still counts the window as active, the shortcut would hide it instead."""
        activate(self.expect_window("no Verdolin window to put away"))
        run(["xdotool", "key", "Escape"])
        self.expect_unmapped("Escape did not hide the window")

    def shortcut_translates(self, text, keys="ctrl+alt+t"):
        set_primary(text)
        run(["xdotool", "key", "--clearmodifiers", keys])
        window = self.expect_window(f"no Verdolin window mapped after {keys}")
        self.expect_panes(text, apertium(text))
        return window


def run_cases(cases, make):
    """Runs `cases`, (name, function of what `make` makes of the executable named on the
    command line), in order on one desktop; a timing line for each. The exit status."""
    started, failed, context = time.monotonic(), 0, None
    try:
        start_desktop()
        context = make(sys.argv[1])
        for name, case in cases:
            began = time.monotonic()
            try:
                case(context)
                result = "ok"
            except Skip as reason:
                result = f"skipped: {reason}"
            except Failure as reason:
                result = f"FAILED: {reason}"
            except Exception:
                result = "FAILED:\n" + traceback.format_exc()
            failed += result.startswith("FAILED")
            print(f"[{time.monotonic() - began:5.1f} s] {name}: {result}", flush=True)
            if isinstance(context, Session) and context.process.poll() is not None and (
                    case is not cases[-1][1]):
                print(f"verdolin exited early with {context.process.returncode}; stderr:\n"
                      f"{context.stderr()}", flush=True)
                failed += 1
                break
    finally:
        if context:
            context.close()
        stop_desktop()
    print(f"{failed} of {len(cases)} failed in {time.monotonic() - started:.1f} s", flush=True)
    return 1 if failed else 0
